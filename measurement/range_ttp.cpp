#include "measurement/range_ttp.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Steps of the integral across the measured band and below it; the MRTD is smooth between its points.
constexpr int bandSteps = 400, belowSteps = 100;

double trapezoid(double from, double to, int steps, const auto& integrand) {
    if (!(to > from))
        return 0.0;
    const double step = (to - from) / steps;
    double sum = 0.0;
    for (int k = 0; k < steps; ++k)
        sum += 0.5 * (integrand(from + k * step) + integrand(from + (k + 1) * step)) * step;
    return sum;
}

// The range where v(R) falls to v50, on a bracket from a metre to a thousand kilometres halved on the
// log scale to 1e-13 of the range; v must fall with range.
double rangeWhere(const auto& v, double v50) {
    double low = 1e-3, high = 1e3;
    for (int k = 0; k < 48; ++k) {
        const double mid = std::sqrt(low * high);
        (v(mid) >= v50 ? low : high) = mid;
    }
    return std::sqrt(low * high);
}

} // namespace

const TtpCriteria& vehicleTtpCriteria() {
    static const TtpCriteria criteria{
        "tactical vehicles",
        "Vollmerhausen, Jacobs and Driggers (2004), \"New metric for predicting target acquisition performance\", "
        "Opt. Eng. 43(11); Vollmerhausen and Jacobs (2004), \"The Targeting Task Performance (TTP) Metric\", NVESD "
        "AMSEL-NV-TR-230",
        {{"detection", 2.7}, {"recognition", 14.5}, {"identification", 21.0}},
        1.51,
        0.24};
    return criteria;
}

double ttpProbability(double v, double v50, const TtpCriteria& criteria) {
    if (!(v > 0.0) || !(v50 > 0.0))
        return 0.0;
    const double x = v / v50;
    const double power = std::pow(x, criteria.exponentA + criteria.exponentB * x);
    return std::isfinite(power) ? power / (1.0 + power) : 1.0;
}

TtpValue ttpValue(const Mrtd2d& mrtd, const RangeScenario& scenario, double rangeKm) {
    TtpValue out;
    const MrtdCurve& curve = mrtd.curve;
    if (curve.empty() || !(rangeKm > 0.0))
        return out;
    const double targetDt = scenario.apparentDt(rangeKm);
    // sqrt(C_tgt / CTF_sys) where the threshold lies below the target, from the MRTD there.
    auto root = [&](double mrtdValue) {
        const double ratio = std::numbers::pi / 4.0 * targetDt / mrtdValue;
        return ratio > 1.0 ? std::sqrt(ratio) : 0.0;
    };
    const double first = curve.front().first, last = curve.back().first;
    const double measured = trapezoid(first, last, bandSteps, [&](double f) { return root(*mrtdAt(curve, f)); });
    double below = 0.0;
    if (!mrtd.below.empty()) {
        below =
            trapezoid(0.0, first, belowSteps, [&](double f) { return root(*mrtdAt(mrtd.below, std::min(f, first))); });
    } else {
        const double held = root(curve.front().second) * first;
        out.unintegratedShare = held + measured > 0.0 ? held / (held + measured) : 0.0;
    }
    const double scale = std::sqrt(scenario.target.width * scenario.target.height) / rangeKm;
    out.v = scale * (measured + below);
    out.truncated = root(curve.back().second) > 0.0;
    if (!out.truncated)
        out.high = out.v;
    else if (mrtd.end && mrtd.end->frequency > last &&
             (mrtd.end->limit == RangeLimit::Sampling || targetDt <= 4.0 / std::numbers::pi * mrtd.end->dtLimit))
        // Past the last frequency the MRTD is no lower than there (the curve does not fall), and past
        // the end nothing is seen.
        out.high = out.v + scale * root(curve.back().second) * (mrtd.end->frequency - last);
    return out;
}

std::vector<TtpRange> ttpRanges(const Mrtd2d& mrtd, const RangeScenario& scenario, const TtpCriteria& criteria) {
    std::vector<TtpRange> ranges;
    for (const TtpTask& task : criteria.tasks) {
        TtpRange r;
        r.task = task.task;
        r.v50 = task.v50;
        if (mrtd.curve.empty()) {
            r.highKm = 0.0;
            ranges.push_back(r);
            continue;
        }
        // Short of the V50 even at a metre: no range at all, unless the measured band is what falls
        // short (a single frequency integrates to nothing), and then the range lies between none and
        // what the band's end allows.
        const TtpValue near = ttpValue(mrtd, scenario, 1e-3);
        if (near.v < task.v50 && !near.truncated) {
            r.highKm = 0.0;
            ranges.push_back(r);
            continue;
        }
        if (near.v >= task.v50)
            r.rangeKm = rangeWhere([&](double km) { return ttpValue(mrtd, scenario, km).v; }, task.v50);
        const TtpValue at = r.rangeKm > 0.0 ? ttpValue(mrtd, scenario, r.rangeKm) : near;
        r.unintegratedShare = at.unintegratedShare;
        if (!at.truncated) {
            r.highKm = r.rangeKm;
        } else {
            r.limitedBy = mrtd.end ? mrtd.end->limit : RangeLimit::Measurement;
            // Where the end bounds nothing, the upper limit has no value: taken as reached.
            const double high = rangeWhere(
                [&](double km) {
                    const TtpValue value = ttpValue(mrtd, scenario, km);
                    return value.high.value_or(std::numeric_limits<double>::infinity());
                },
                task.v50);
            // Asked just past the limit found: at it the search may sit on either side of where the
            // band stops reaching the curve's last point.
            if (ttpValue(mrtd, scenario, high * (1.0 + 1e-9)).high && high < 0.999e3)
                r.highKm = std::max(high, r.rangeKm);
            else
                r.limitedBy = RangeLimit::Measurement;
        }
        ranges.push_back(r);
    }
    return ranges;
}
