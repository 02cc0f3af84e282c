#pragma once

#include "measurement/range_crossing.h"
#include "measurement/range_mrtd.h"
#include "measurement/range_scenario.h"

#include <optional>
#include <string>
#include <vector>

// The targeting task performance metric beside the cycle criteria: instead of counting cycles up to
// the one limiting frequency, it sums how far the target's contrast stands above the system's
// threshold over the whole band where it is seen,
//   V = (sqrt(W H) / R) * integral of sqrt(C_tgt / CTF_sys(xi)) dxi over CTF_sys < C_tgt,
// with P = (V/V50)^E / (1 + (V/V50)^E), E = A + B V/V50.

// The system's threshold contrast comes from the MRTD: a four-bar pattern at threshold shows the eye
// its fundamental, 4/pi times the bars' square-wave amplitude, so CTF_sys = (4/pi) MRTD / (2 T_scn)
// against a target contrast C_tgt = dT_app / (2 T_scn). The scene contrast temperature T_scn divides
// both alike and cancels from V; the value, of the order those papers use for the 8-12 um band, only
// names the contrasts.
inline constexpr double sceneContrastTemperatureK = 5.0;

struct TtpTask {
    std::string task;
    double v50 = 0.0;
};
// A target set's V50 per task and the probability function they were found with, and where both are
// published; every TTP result names them.
struct TtpCriteria {
    std::string name;
    std::string source;
    std::vector<TtpTask> tasks;
    double exponentA = 1.51, exponentB = 0.24; // E = A + B V/V50
};
// The tactical vehicle set the metric was introduced with, and its probability function (E = 1.51 +
// 0.24 V/V50): R. Vollmerhausen, E. Jacobs and R. Driggers, "New metric for predicting target
// acquisition performance", Opt. Eng. 43(11), 2806-2818 (2004), and R. Vollmerhausen and E. Jacobs,
// "The Targeting Task Performance (TTP) Metric: A New Model for Predicting Target Acquisition
// Performance", NVESD report AMSEL-NV-TR-230 (2004). The command line and the window take others.
const TtpCriteria& vehicleTtpCriteria();

double ttpProbability(double v, double v50, const TtpCriteria& criteria);

// V at range km over the band the curve measured, and what it leaves out.
struct TtpValue {
    double v = 0.0;
    // The band reaches the curve's last frequency: V is at least v, and at most high where the
    // curve's end bounds what lies past it (the last point's contribution carried to the end).
    bool truncated = false;
    std::optional<double> high;
    // Without a reference below the first frequency: the share of the metric that the first value
    // held down to zero would add, which is left out.
    std::optional<double> unintegratedShare;
};
TtpValue ttpValue(const Mrtd2d& mrtd, const RangeScenario& scenario, double rangeKm);

struct TtpRange : KnownRange {
    std::string task;
    double v50 = 0.0;
    std::optional<double> unintegratedShare; // at the range, as ttpValue gives it
};
std::vector<TtpRange> ttpRanges(const Mrtd2d& mrtd, const RangeScenario& scenario, const TtpCriteria& criteria);
