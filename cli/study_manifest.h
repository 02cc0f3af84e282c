#pragma once

#include "measurement/study_table.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A study's folder: manifest.json (the plan in canonical form, every input with its SHA-256, each
// job's camera file, seed and orientations), cameras/, results/ and logs/. Jobs are addressed by
// number and read everything else from the manifest, so that nothing a user typed ever reaches a
// shell, and results carry the manifest's SHA-256, so that a result of another plan is never taken
// for one of this.

struct StudyInput {
    std::string path, sha256;
};

struct StudyJob {
    std::size_t job = 0;
    std::vector<double> point;
    std::string camera, sha256; // the camera file, relative to the folder
    std::uint32_t seed = 1;
    std::vector<std::string> orientations; // the bars: vertical, horizontal
};

struct StudyManifest {
    std::string folder;              // absolute
    std::string sha256;              // of manifest.json's bytes: what every result of this plan carries
    StudyInput plan, camera, target; // the plan file, the base camera file, the target file
    std::optional<StudyInput> atmosphere;
    int repeats = 2;
    std::vector<std::string> rangeWords;
    StudyTableLayout layout;
    std::size_t jobCount = 0;
    std::vector<StudyJob> jobs; // every job, or the one asked for
};

// What a manifest may hold for a study of the largest size it may have, and one result.
inline constexpr std::size_t maxManifestBytes = 512u << 20;
inline constexpr std::size_t maxStudyResultBytes = 4u << 20;

// The folder's manifest, with every job (onlyJob 0) or with job onlyJob alone, so that a job of a
// study of 100,000 reads one entry. None, with the reason, when it is missing or malformed.
std::optional<StudyManifest> readStudyManifest(const std::string& folder, std::size_t onlyJob, std::string& error);

// The files of job N, relative to the folder; the numbers are as wide as the study's largest.
std::string studyJobStem(std::size_t job, std::size_t jobCount);             // cam001
std::string studyCameraName(const std::string& stem);                        // cameras/cam001.par
std::string studyMrtdName(const std::string& stem, const std::string& bars); // results/cam001.vertical.json
std::string studyResultName(const std::string& stem);                        // results/cam001.range.json
std::string studyLogName(const std::string& stem);                           // logs/cam001.log

// Why a study folder's path cannot go into a job line, or empty: a control character (a newline
// would split jobs.txt into lines a shell runs).
std::string unsafeFolderReason(const std::string& folder);

// A path as a POSIX shell reads it back, whatever it holds: in single quotes.
std::string shellQuoted(const std::string& text);

// Writes a file inside a study folder, whole, never through a symbolic link someone put there (which
// would make the study overwrite whatever the link names).
bool writeStudyFile(const std::string& path, const std::string& bytes, std::string& error);
bool isSymbolicLink(const std::string& path);

// The result file's text when it is a complete result of this manifest's job; none otherwise, with
// the reason (absent, a link, malformed, another plan's).
enum class StudyResultState { Done, Absent, Refused, Malformed, Stale };
StudyResultState readStudyResult(const StudyManifest& manifest, std::size_t job, nlohmann::json& result,
                                 std::string& reason);
