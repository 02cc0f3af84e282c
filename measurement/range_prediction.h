#pragma once

#include "measurement/range_crossing.h"
#include "measurement/range_mrtd.h"
#include "measurement/range_scenario.h"
#include "measurement/range_ttp.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ProbabilityRange {
    double probability = 0.5;
    KnownRange range;
};

struct TaskRange {
    RangeTask task;
    RangeCrossing crossing;                      // at P = 0.5
    double cycles = 0.0;                         // across the critical dimension at the range
    std::optional<double> pixels;                // across the critical dimension at the range, when the IFOV is known
    std::vector<ProbabilityRange> atProbability; // one per asked probability
    std::optional<std::pair<double, double>> ci95;
    bool ciBound = false; // the interval's upper end is only a lower bound: nothing limits it
};

// The ranges of every task of the criteria, at P = 0.5 and at each asked probability, and the TTP
// metric's beside them with the criteria it used.
struct RangePrediction {
    RangeScenario scenario;
    Mrtd2d mrtd;
    std::optional<double> ifovMrad;
    std::string source;
    std::vector<TaskRange> tasks;
    TtpCriteria ttpCriteria;
    std::vector<TtpRange> ttp;
};
RangePrediction predictRanges(const RangeMrtd& mrtd, const RangeScenario& scenario,
                              const TtpCriteria& ttpCriteria = vehicleTtpCriteria());

// The chance of a task against range. At range R the finest resolved frequency f* is where the MRTD
// reaches the apparent difference, N = f* h_c / R; past the measured frequencies N is at least that
// and so is the probability (lowerBound).
struct ProbabilityPoint {
    double rangeKm = 0.0;
    double probability = 0.0;
    bool lowerBound = false;
};
std::vector<ProbabilityPoint> probabilityCurve(const MrtdCurve& curve, const RangeScenario& scenario, double n50,
                                               double maxKm, int points = 200);
// The range the P(R) plot should show: past the farthest task's range.
double plotRangeKm(const RangePrediction& prediction);
