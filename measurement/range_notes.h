#pragma once

#include "measurement/range_prediction.h"

#include <string>
#include <vector>

// What a reader of a range must be told besides the numbers, one sentence each: one orientation
// used alone, a curve that falls somewhere, ranges that are brackets and what limits them, intervals
// that reach past the measured frequencies, the TTP criteria used and the share of the TTP metric
// left out below the lowest frequency.
std::vector<std::string> rangeNotes(const RangePrediction& prediction);

// A range in km as the outputs print it, three significant figures: the number where the curve
// crosses, "low..high" for a bracket, ">low" for one that nothing bounds above.
std::string rangeText(const KnownRange& range);
// A number of km in three significant figures, ">" before it when it is only a lower bound.
std::string kmText(double km, bool lowerBound = false);
