#include "measurement/range_crossing.h"

#include <algorithm>
#include <cmath>

std::optional<double> rangeLimitOf(const CurveEnd& end, const RangeScenario& scenario, double frequencyPerKm) {
    if (!(frequencyPerKm > 0.0))
        return std::nullopt;
    const double km = end.frequency / frequencyPerKm;
    // Past the end nothing is resolved below dtLimit; a target brighter than that there may still be.
    if (end.limit != RangeLimit::Sampling && scenario.apparentDt(km) > end.dtLimit)
        return std::nullopt;
    return km;
}

RangeCrossing rangeCrossing(const MrtdCurve& curve, const RangeScenario& scenario, double cycles,
                            const std::optional<CurveEnd>& end) {
    RangeCrossing result;
    if (curve.empty() || !(cycles > 0.0))
        return result;
    const double hc = scenario.criticalDimensionM();
    const double logDt = std::log(std::fabs(scenario.target.dt));
    // The margin of the target above the MRTD, on the log scale, at a point (range, frequency, MRTD).
    auto margin = [&](double rangeKm, double mrtd) { return logDt - scenario.extinction * rangeKm - std::log(mrtd); };
    double lastRange = 0.0;
    double lastMargin = margin(0.0, curve.front().second);
    double lastFrequency = 0.0;
    // Not even the coarsest bars are seen at the target's own difference: no range.
    if (lastMargin <= 0.0) {
        result.highKm = 0.0;
        return result;
    }
    for (const auto& [f, mrtd] : curve) {
        const double range = f * hc / cycles;
        const double m = margin(range, mrtd);
        if (m <= 0.0) {
            const double t = lastMargin / (lastMargin - m);
            result.rangeKm = lastRange + t * (range - lastRange);
            result.highKm = result.rangeKm;
            result.frequency = lastFrequency + t * (f - lastFrequency);
            return result;
        }
        lastRange = range;
        lastMargin = m;
        lastFrequency = f;
    }
    result.rangeKm = lastRange;
    result.frequency = lastFrequency;
    result.limitedBy = RangeLimit::Measurement;
    if (end)
        if (const auto high = rangeLimitOf(*end, scenario, cycles / hc)) {
            result.highKm = std::max(*high, lastRange);
            result.limitedBy = end->limit;
        }
    // The curve does not fall past its last point, so once the air has dimmed the target below that
    // value no finer bars are seen either: an upper limit whatever the end, in any air that dims.
    if (scenario.extinction > 0.0) {
        const double dimmed = std::max(margin(0.0, curve.back().second) / scenario.extinction, lastRange);
        if (!result.highKm || dimmed < *result.highKm) {
            result.highKm = dimmed;
            result.limitedBy = RangeLimit::Measurement;
        }
    }
    return result;
}
