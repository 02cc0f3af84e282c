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
