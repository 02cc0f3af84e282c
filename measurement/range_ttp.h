#pragma once

#include "measurement/range_mrtd.h"
#include "measurement/range_scenario.h"

#include <string>
#include <vector>

// The targeting task performance metric beside the cycle criteria: instead of counting cycles up to
// the one limiting frequency, it sums how far the target's contrast stands above the system's
// threshold over the whole band where it is seen,
//   V = (sqrt(W H) / R) * integral of sqrt(C_tgt / CTF_sys(xi)) dxi over CTF_sys < C_tgt,
// with P = (V/V50)^E / (1 + (V/V50)^E), E = 1.51 + 0.24 V/V50.
// Source: R. Vollmerhausen, E. Jacobs, R. Driggers, "New metric for predicting target acquisition
// performance", Opt. Eng. 43(11), 2806-2818 (2004); E as in R. Vollmerhausen and E. Jacobs, "The
// Targeting Task Performance (TTP) Metric", NVESD report AMSEL-NV-TR-230 (2004).

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
// V50 of tactical vehicle sets in the 8-12 um band, of the order the papers above report; the
// command line and the window take others.
inline const std::vector<TtpTask> defaultTtpTasks{{"detection", 2.7}, {"recognition", 14.5}, {"identification", 21.0}};

double ttpProbability(double v, double v50);

// V at range km; truncated is set when the band reaches the last measured frequency, so V is at
// least this.
double ttpValue(const MrtdCurve& curve, const RangeScenario& scenario, double rangeKm, bool& truncated);

struct TtpRange {
    std::string task;
    double v50 = 0.0;
    double rangeKm = 0.0;
    bool bound = false; // the band reached past the measured frequencies: the range is at least this
};
std::vector<TtpRange> ttpRanges(const MrtdCurve& curve, const RangeScenario& scenario,
                                const std::vector<TtpTask>& tasks);
