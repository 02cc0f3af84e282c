#pragma once

// One stored rendering: the records and console settings of a case, and the three images the bench
// makes from them in their stored form. The writer and the test both render through
// renderGoldenCase, so the stored images and the compared ones come from the same handlers.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

class MessageSink;

// case.json of a case folder. A file name that starts with "data/" is one of the shipped files;
// any other lies in the case folder itself.
struct GoldenCase {
    std::string camera, target, atmosphere;
    double frequency = 0.5;           // cycles per mrad, one of the frequency radios
    double temperatureDifference = 0; // kelvin, on the trackbar's grid
    std::uint32_t seed = 1;
    bool randomise = false; // the random target position, on before the frequency is chosen
};

inline constexpr const char* goldenCaseFile = "case.json";
// sensor.pfm: little-endian floats whatever the host, rows bottom-up; display.pgm and frame.pgm: 8-bit
// greys, rows top-down as an image viewer shows them (the frame is one presented frame's image part).
inline constexpr std::array<const char*, 3> goldenImageFiles{"sensor.pfm", "display.pgm", "frame.pgm"};

struct GoldenImages {
    int width = 0, height = 0;
    std::array<std::string, 3> files; // the bytes of goldenImageFiles, as stored
};

// The case folders under the golden folder (those holding a case.json), sorted by name.
std::vector<std::string> goldenCaseNames(const std::filesystem::path& goldenDir);

// Reads case.json; nullopt with error set when it is missing or malformed.
std::optional<GoldenCase> readGoldenCase(const std::filesystem::path& caseDir, std::string& error);

// Opens a bench with the case's records and runs the handlers the command-line render runs, then one
// frame without jitter. Core messages go to messages; nullopt with error set when a record cannot be
// read.
std::optional<GoldenImages> renderGoldenCase(const GoldenCase& goldenCase, const std::filesystem::path& caseDir,
                                             const std::filesystem::path& shippedDataDir, MessageSink& messages,
                                             std::string& error);
