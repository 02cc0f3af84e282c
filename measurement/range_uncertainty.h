#pragma once

#include "measurement/range_mrtd.h"
#include "measurement/range_prediction.h"

#include <cstdint>

inline constexpr int rangeResamples = 1000;
inline constexpr std::uint32_t rangeResampleSeed = 1;

// Each task's 95 % range interval, by drawing the MRTD curves again and again and taking the 2.5 and
// 97.5 % points of the ranges they give. A session's curves are drawn by resampling its observers
// with replacement, the same draw for every frequency and both orientations (one person's values
// belong together); each drawn mean is spread about the measured one by sqrt(n / (n - 1)) on the log
// scale, since a resample of n values spreads less than the population does. A model observer's run
// in memory resamples its repeats the same way; one read back from its JSON, which keeps only each
// frequency's 95 % interval, is drawn from the normal law that interval describes. Nothing is added when the curves
// hold neither, or fewer than two observers. The same seed gives the same intervals.
void addRangeIntervals(RangePrediction& prediction, const RangeMrtd& mrtd, int resamples = rangeResamples,
                       std::uint32_t seed = rangeResampleSeed);
