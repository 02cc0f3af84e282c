#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A trade study's plan: one or two camera parameters stepped over a grid from a base camera file,
// each camera measured by the model observer in both orientations and its ranges predicted. The plan
// is checked whole before anything is written, so that a mistake shows at once and not as a
// hundred failed jobs later.

// The parameters a plan may step, in the units the plan gives them, and the values each may take:
//   netd (K), ifov (mrad), pitch (um) and focal (mm) (the IFOV is pitch / focal; the plan's "optics"
//   gives the other of the two), blur (mrad, both directions' blur widths), frameRate (Hz).
struct StudyParameterKind {
    const char* name;
    const char* unit;  // as the plan's values are in it
    const char* label; // as the plot names the quantity, and its unit
    const char* unitText;
    double low, high;
};
const std::vector<StudyParameterKind>& studyParameterKinds();
const StudyParameterKind* studyParameterKind(const std::string& name);

struct StudyParameter {
    std::string name;
    std::vector<double> values;
};

// A study asks for this many jobs at most unless told otherwise (--max-jobs), and never more than
// the hard limit: a mistyped step count should cost a message, not a day of a cluster.
inline constexpr std::size_t defaultMaxStudyJobs = 100000;
inline constexpr std::size_t hardMaxStudyJobs = 1000000;

struct StudyPlan {
    std::string baseCamera;                 // as the plan names it, relative to the plan's folder
    std::string target, atmosphere;         // the same; empty where the plan leaves them to the tool
    std::vector<StudyParameter> parameters; // one or two
    double pitchUm = 0.0, focalMm = 0.0;    // the base optics, when pitch or focal is stepped
    int repeats = 2;                        // the model observer's repeats per frequency
    std::uint32_t seed = 1;                 // every job's seed, so that cameras differ by their values alone
    std::vector<std::string> rangeWords;    // the range options, word by word, for range's own parser
};

// The plan file's text; none, with the reason, when it is not JSON, names a key the plan does not
// have, holds a value outside its range, asks for more than maxJobs jobs, or holds a typographic
// dash (a plan copied out of a PDF turns "--extinction" into "–extinction").
std::optional<StudyPlan> parseStudyPlan(const std::string& text, std::size_t maxJobs, std::string& error);

// The plan with every default written out and every parameter as its list of values; equal plans
// give equal text.
nlohmann::json canonicalStudyPlan(const StudyPlan& plan);

std::size_t studyJobCount(const StudyPlan& plan);
// Job N's point (1-based, as a job array counts), the first parameter varying slowest.
std::vector<double> studyPoint(const StudyPlan& plan, std::size_t job);

// The base camera file's text with one point's values written in; none, with the reason, when the
// file does not have the layout the values are written into (checked by reading the result back).
std::optional<std::string> studyCameraText(const std::string& baseText, const StudyPlan& plan,
                                           const std::vector<double>& point, std::string& error);
