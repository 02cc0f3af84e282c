#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

// A trade study: one or two camera parameters stepped over a grid from a base camera file, each
// camera measured by the model observer and its ranges predicted, each as one shell line so that
// any runner of lines (GNU parallel here, a cluster's job array there) can spread them out.

// The parameters a study may step, in the units the study file gives them:
//   netd (K), ifov (mrad), pitch (um) and focal (mm) (the IFOV is pitch / focal; the study file's
//   "optics" gives the other of the two), blur (mrad, both directions' blur widths), frameRate (Hz).
struct StudyParameter {
    std::string name;
    std::vector<double> values;
};

struct StudyPlan {
    std::string baseCamera;                 // as the study file names it, relative to the study file's folder
    std::vector<StudyParameter> parameters; // one or two
    double pitchUm = 0.0, focalMm = 0.0;    // the base optics, when pitch or focal is stepped
    int repeats = 2;                        // the model observer's repeats per frequency
    std::string rangeOptions;               // words passed to every range run as they stand
};
// The study file's JSON; none, with the reason, when a field is missing or out of range.
std::optional<StudyPlan> parseStudyPlan(const nlohmann::json& json, std::string& error);

// The grid's points, the first parameter varying slowest.
std::vector<std::vector<double>> studyGrid(const StudyPlan& plan);

// The base camera file's text with one point's values written in; none, with the reason, when the
// file does not have the layout the values are written into (checked by reading the result back).
std::optional<std::string> studyCameraText(const std::string& baseText, const StudyPlan& plan,
                                           const std::vector<double>& point, std::string& error);

// The files of a study in its folder.
std::string studyCameraName(int job); // cameras/cam001.par ... (1-based, as a job array counts)
std::string studyMrtdName(int job);   // results/cam001.mrtd.json
std::string studyRangeName(int job);  // results/cam001.range.json

// Job N's shell line: the mrtd run, then the range run on its JSON, all paths absolute.
std::string studyJobLine(const std::string& program, const std::string& folder, const StudyPlan& plan, int job);

// What --merge reads back: the parameters, each job's point and, where its run finished, its
// range JSON.
struct StudyRow {
    int job = 0;
    std::vector<double> point;
    std::optional<nlohmann::json> ranges;
};
struct StudyResults {
    std::vector<std::string> parameters;
    std::vector<StudyRow> rows;
};
nlohmann::json studyIndexJson(const StudyPlan& plan);
std::optional<StudyResults> readStudyResults(const std::string& folder, std::string& error);
// One row per job: the point, then per task the range, whether it is a bound, and its interval.
std::string studyResultsCsv(const StudyResults& results);
