#pragma once

#include "measurement/range_mrtd.h"
#include "measurement/range_scenario.h"

#include <vector>

// Where the target's apparent difference, dimmed by the air, falls to the MRTD at the frequency that
// puts `cycles` cycles across it: dt0 exp(-sigma R) = MRTD(cycles R / h_c), with R in km, h_c in m and
// the frequency in cycles/mrad.
struct RangeCrossing {
    double rangeKm = 0.0;
    double frequency = 0.0; // cycles/mrad at the crossing
    // The curve ended before the MRTD rose to the target's difference: the range is at least this.
    bool bound = false;
    // A curve that falls again somewhere crosses more than once: the first from short range is the
    // range, the later ones are kept to be named.
    std::vector<double> laterCrossingsKm;
};

// The log of the MRTD is linear in frequency between measured points and so is the log of the
// apparent difference in range: the crossing on each piece is exact. Below the first frequency the
// first value holds; beyond the last nothing is assumed.
RangeCrossing rangeCrossing(const MrtdCurve& curve, const RangeScenario& scenario, double cycles);
