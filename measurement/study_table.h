#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

// A study's merged table: one CSV row per job, its point, then per task the range and how far it is
// known. A range is a number where the curve crosses the target's difference and a bracket
// (low, high) where something else ends it: the measured frequencies ("measurement") or the
// detector's sampling ("sampling"). Every cell a row leaves empty is explained in its notes, so that
// an empty cell never reads as a value lost.

struct StudyTableLayout {
    std::vector<std::string> parameters; // the stepped parameters' names
    std::vector<std::string> tasks;      // the criteria's tasks, in the range run's order
    std::vector<std::string> ttpTasks;   // the TTP metric's tasks
};

// One task's range as a range run's JSON gives it. A run that gives no bracket gives a number where
// it is not a bound, and a low end with no high one where it is.
struct StudyTaskRange {
    std::optional<double> km, lowKm, highKm, ciLow, ciHigh;
    std::string limitedBy; // crossing, sampling or measurement
    bool bound = false, ciBound = false;
};
// The entry of `entries` (a range JSON's "tasks" or "ttp") for the task; none where it is absent.
std::optional<StudyTaskRange> studyTaskRange(const nlohmann::json& entries, const std::string& task);

std::string studyTableHeader(const StudyTableLayout& layout);
// A finished job's row, from its range JSON.
std::string studyTableRow(const StudyTableLayout& layout, std::size_t job, const std::vector<double>& point,
                          const nlohmann::json& range);
// The row of a job with no result to show: status is missing, failed, stale or malformed, and the
// note says why.
std::string studyTableEmptyRow(const StudyTableLayout& layout, std::size_t job, const std::vector<double>& point,
                               const std::string& status, const std::string& note);
