#pragma once

#include "measurement/range_mrtd.h"
#include "measurement/range_scenario.h"

#include <optional>

// A range as far as it is known: a number where the curve crosses the target's difference, else a
// bracket from the range the measured curve reaches (rangeKm) to the upper limit its end sets
// (highKm; none where nothing bounds it). limitedBy says which.
struct KnownRange {
    double rangeKm = 0.0;
    std::optional<double> highKm;
    RangeLimit limitedBy = RangeLimit::Crossing;
    bool bracket() const { return limitedBy != RangeLimit::Crossing; }
};

// Where the target's apparent difference, dimmed by the air, falls to the MRTD at the frequency that
// puts `cycles` cycles across it: dt0 exp(-sigma R) = MRTD(cycles R / h_c), with R in km, h_c in m and
// the frequency in cycles/mrad.
struct RangeCrossing : KnownRange {
    double frequency = 0.0; // cycles/mrad at the crossing, or at the curve's last point for a bracket
};

// The log of the MRTD is linear in frequency between measured points and so is the log of the
// apparent difference in range: the crossing on each piece is exact. Below the first frequency the
// first value holds; beyond the last nothing is assumed: where the target still stands above the
// curve there, the range lies between where the last frequency puts the cycles and where the end
// does (end.frequency h_c / cycles) — the latter only while the target's difference there is within
// what the end holds for — or, if nearer, where the air dims the target to the curve's last value.
// The curve is taken as it is: pass the non-decreasing one (mrtd2d's).
RangeCrossing rangeCrossing(const MrtdCurve& curve, const RangeScenario& scenario, double cycles,
                            const std::optional<CurveEnd>& end = std::nullopt);

// The upper limit an end sets on a range whose frequency is `frequencyPerKm` R, where the target's
// difference stays within what the end holds for; none otherwise.
std::optional<double> rangeLimitOf(const CurveEnd& end, const RangeScenario& scenario, double frequencyPerKm);
