#include "measurement/range_ttp.h"

#include <cmath>
#include <numbers>

namespace {

// Steps of the integral across the measured band; the MRTD is smooth between its few points.
constexpr int integralSteps = 400;

} // namespace

double ttpProbability(double v, double v50) {
    if (!(v > 0.0) || !(v50 > 0.0))
        return 0.0;
    const double x = v / v50;
    const double power = std::pow(x, 1.51 + 0.24 * x);
    return std::isfinite(power) ? power / (1.0 + power) : 1.0;
}

double ttpValue(const MrtdCurve& curve, const RangeScenario& scenario, double rangeKm, bool& truncated) {
    truncated = false;
    if (curve.empty() || !(rangeKm > 0.0))
        return 0.0;
    const double targetContrast = scenario.apparentDt(rangeKm) / (2.0 * sceneContrastTemperatureK);
    auto root = [&](double f) {
        const double ctf = 4.0 / std::numbers::pi * *mrtdAt(curve, f) / (2.0 * sceneContrastTemperatureK);
        return ctf < targetContrast ? std::sqrt(targetContrast / ctf) : 0.0;
    };
    const double top = curve.back().first;
    const double step = top / integralSteps;
    double sum = 0.0;
    for (int k = 0; k < integralSteps; ++k)
        sum += 0.5 * (root(k * step) + root((k + 1) * step)) * step;
    truncated = root(top) > 0.0;
    return std::sqrt(scenario.target.width * scenario.target.height) / rangeKm * sum;
}

std::vector<TtpRange> ttpRanges(const MrtdCurve& curve, const RangeScenario& scenario,
                                const std::vector<TtpTask>& tasks) {
    std::vector<TtpRange> ranges;
    for (const TtpTask& task : tasks) {
        TtpRange r{task.task, task.v50, 0.0, false};
        // V falls with range: halve a bracket from a metre to a thousand kilometres on the log scale.
        double low = 1e-3, high = 1e3;
        bool truncated = false;
        if (curve.empty() || ttpValue(curve, scenario, low, truncated) < task.v50) {
            ranges.push_back(r);
            continue;
        }
        for (int k = 0; k < 80; ++k) {
            const double mid = std::sqrt(low * high);
            (ttpValue(curve, scenario, mid, truncated) >= task.v50 ? low : high) = mid;
        }
        r.rangeKm = std::sqrt(low * high);
        ttpValue(curve, scenario, r.rangeKm, r.bound);
        ranges.push_back(r);
    }
    return ranges;
}
