#pragma once

#include "measurement/range_prediction.h"

#include <string>
#include <vector>

// What a reader of a range must be told besides the numbers, one sentence each: one orientation
// used alone, a curve that falls somewhere, ranges that are only bounds, later crossings, intervals
// that reach past the measured frequencies.
std::vector<std::string> rangeNotes(const RangePrediction& prediction);

// A range in km as the outputs print it: three significant figures, ">" before a bound.
std::string rangeText(double km, bool bound);
