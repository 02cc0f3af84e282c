#include "measurement/range_crossing.h"

#include <cmath>

RangeCrossing rangeCrossing(const MrtdCurve& curve, const RangeScenario& scenario, double cycles) {
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
    bool found = false;
    if (lastMargin <= 0.0) {
        found = true; // not even the coarsest bars are seen at the target's own difference
    }
    for (const auto& [f, mrtd] : curve) {
        const double range = f * hc / cycles;
        const double m = margin(range, mrtd);
        if (lastMargin > 0.0 && m <= 0.0) {
            const double t = lastMargin / (lastMargin - m);
            const double at = lastRange + t * (range - lastRange);
            if (!found) {
                result.rangeKm = at;
                result.frequency = lastFrequency + t * (f - lastFrequency);
                found = true;
            } else {
                result.laterCrossingsKm.push_back(at);
            }
        }
        lastRange = range;
        lastMargin = m;
        lastFrequency = f;
    }
    if (!found) {
        result.rangeKm = lastRange;
        result.frequency = lastFrequency;
        result.bound = true;
    }
    return result;
}
