#include "measurement/range_uncertainty.h"

#include "console/statistics.h"
#include "measurement/range_crossing.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::set<std::string> unitsOf(const RangeMrtd& mrtd) {
    std::set<std::string> names;
    for (const MrtdSamples* samples : {&mrtd.horizontal, &mrtd.vertical})
        for (const MrtdSample& s : *samples)
            for (const auto& entry : s.observers)
                names.insert(entry.first);
    return names;
}

// A unit's value at f, log-linear between the samples around f (the ends held); none where it has no
// value on either side.
std::optional<double> unitValueAt(const MrtdSamples& samples, const std::string& unit, double f) {
    auto valueIn = [&](const MrtdSample& s) -> std::optional<double> {
        for (const auto& [name, value] : s.observers)
            if (name == unit && value > 0.0)
                return value;
        return std::nullopt;
    };
    std::size_t upper = 0;
    while (upper < samples.size() && samples[upper].frequency < f)
        ++upper;
    const std::size_t lower = upper == 0 ? 0 : upper - 1;
    upper = std::min(upper, samples.size() - 1);
    const auto low = valueIn(samples[lower]), high = valueIn(samples[upper]);
    if (!low || !high)
        return std::nullopt;
    const double span = samples[upper].frequency - samples[lower].frequency;
    const double t = span > 0.0 ? std::clamp((f - samples[lower].frequency) / span, 0.0, 1.0) : 0.0;
    return std::exp(std::log(*low) + t * (std::log(*high) - std::log(*low)));
}

// The half-width on the log scale of the 95 % interval of the mean curves at difference dt: the
// units' deviations from the means there, at the frequency each orientation reaches dt.
std::optional<double> logHalfWidthAt(const RangeMrtd& mrtd, const std::set<std::string>& units, double dt) {
    std::map<std::string, std::pair<double, int>> deviations; // sum and count over the orientations
    for (const MrtdSamples* samples : {&mrtd.horizontal, &mrtd.vertical}) {
        const MrtdCurve curve = curveOf(*samples);
        if (curve.empty())
            continue;
        const auto reached = frequencyReaching(envelopeOf(curve), dt);
        const double f = reached ? std::max(*reached, curve.front().first) : curve.back().first;
        const double mean = std::log(*mrtdAt(curve, f));
        for (const std::string& unit : units)
            if (const auto value = unitValueAt(*samples, unit, f)) {
                deviations[unit].first += std::log(*value) - mean;
                deviations[unit].second += 1;
            }
    }
    std::vector<double> values;
    for (const auto& [unit, deviation] : deviations)
        values.push_back(deviation.first / deviation.second);
    if (values.size() < 2)
        return std::nullopt;
    const SampleStatistics s = sampleStatistics(values);
    return studentQuantile(0.975, s.count - 1) * s.sd / std::sqrt(static_cast<double>(s.count));
}

// The curves with every value scaled, or, without a scale, each at its own interval's end.
Mrtd2d shifted(const RangeMrtd& mrtd, std::optional<double> scale, bool far) {
    RangeMrtd limit = mrtd;
    for (MrtdSamples* samples : {&limit.horizontal, &limit.vertical})
        for (MrtdSample& s : *samples) {
            if (scale)
                s.mrtd *= *scale;
            else if (s.ci95 && s.ci95->second > 0.0)
                s.mrtd = !far ? s.ci95->second : s.ci95->first > 0.0 ? s.ci95->first : s.mrtd * s.mrtd / s.ci95->second;
        }
    return mrtd2d(limit);
}

bool hasIntervals(const RangeMrtd& mrtd) {
    for (const MrtdSamples* samples : {&mrtd.horizontal, &mrtd.vertical})
        for (const MrtdSample& s : *samples)
            if (s.ci95)
                return true;
    return false;
}

} // namespace

void addRangeIntervals(RangePrediction& prediction, const RangeMrtd& mrtd) {
    const std::set<std::string> units = unitsOf(mrtd);
    const bool byUnits = units.size() >= 2;
    if (!byUnits && !hasIntervals(mrtd))
        return;
    for (TaskRange& t : prediction.tasks) {
        Mrtd2d nearCurve, farCurve;
        if (byUnits) {
            const auto level = mrtdAt(prediction.mrtd.curve, t.crossing.frequency);
            const auto half = level ? logHalfWidthAt(mrtd, units, *level) : std::nullopt;
            if (!half)
                continue;
            nearCurve = shifted(mrtd, std::exp(*half), false);
            farCurve = shifted(mrtd, std::exp(-*half), true);
        } else {
            nearCurve = shifted(mrtd, std::nullopt, false);
            farCurve = shifted(mrtd, std::nullopt, true);
        }
        const double n50 = t.task.n50;
        const RangeCrossing near = rangeCrossing(nearCurve.curve, prediction.scenario, n50, nearCurve.end);
        const RangeCrossing far = rangeCrossing(farCurve.curve, prediction.scenario, n50, farCurve.end);
        const double point = t.crossing.highKm.value_or(t.crossing.rangeKm);
        t.ciBound = !far.highKm;
        t.ci95 =
            std::pair{std::min(near.rangeKm, t.crossing.rangeKm), std::max(far.highKm.value_or(far.rangeKm), point)};
    }
}
