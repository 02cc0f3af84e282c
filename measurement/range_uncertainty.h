#pragma once

#include "measurement/range_mrtd.h"
#include "measurement/range_prediction.h"

#include <optional>
#include <utility>

// Each task's 95 % range interval. The unit is what the curves' means are taken over — a session's
// observers, a model observer's repeats — and the interval is carried through the crossing: at the
// difference where the task's range lies, each unit's own curves give its deviation from the mean
// on the log scale (averaged over both orientations, at the frequencies the 2-D curve pairs there);
// the Student-t interval of their mean with n - 1 degrees of freedom, t s / sqrt(n) — the standard
// error of the mean, not the spread of one unit — shifts both mean curves up and down, and the
// crossings of the two give the interval's near and far ends (the range falls as the MRTD rises).
// Where the far curve ends before its crossing the far end is its bracket's upper limit, or, with
// none known, a lower bound (ciBound).
//
// Curves without their units' values (the JSON of an earlier release) take each frequency's own
// 95 % interval instead, all at once, which overstates the interval; a lower end at or below zero
// is then the mean divided by the upper end's ratio. Nothing is added when there is neither, or
// fewer than two units.
void addRangeIntervals(RangePrediction& prediction, const RangeMrtd& mrtd);
