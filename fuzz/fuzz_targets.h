#pragma once

#include <cstddef>
#include <cstdint>

// One entry point per reader, and one for the whole pipeline. The fuzzers and the replay test both
// call these; each returns 0 as libFuzzer expects.
int fuzzCameraFile(const std::uint8_t* data, std::size_t size);
int fuzzTargetFile(const std::uint8_t* data, std::size_t size);
int fuzzAtmosphereFile(const std::uint8_t* data, std::size_t size);
// A camera file and a target file separated by a line "%%", rendered and mapped to 8 bits on a
// detector of at most 64 x 64 pixels.
int fuzzPipeline(const std::uint8_t* data, std::size_t size);
// A session file: read strictly; one that reads is written and read back the same, and gives its
// statistics, their tables and the report plot's points without a fault.
int fuzzSessionFile(const std::uint8_t* data, std::size_t size);
// An MRTD table ("frequency, mrtdH, mrtdV" rows) and the model observer's JSON, as `range` reads
// them: one that reads holds finite values at distinct rising frequencies, and the ranges predicted
// from it are numbers.
int fuzzMrtdTable(const std::uint8_t* data, std::size_t size);
int fuzzObjectiveJson(const std::uint8_t* data, std::size_t size);
// A requirement CSV as the report reads it; the limit it gives anywhere is a number above zero.
int fuzzRequirement(const std::uint8_t* data, std::size_t size);
// A study plan's JSON, and a study's folder (its study.json, a line "%%", then job 1's range JSON),
// as the study command reads them. Each calls the readers alone, so that it follows them if they move.
int fuzzStudyPlan(const std::uint8_t* data, std::size_t size);
int fuzzStudyResult(const std::uint8_t* data, std::size_t size);
