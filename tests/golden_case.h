#pragma once

// One stored rendering: the records and console settings of a case, and the three images the bench
// makes from them. The writer and the test both render through renderGoldenCase, so the stored
// images and the compared ones come from the same sequence of handlers.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class MessageSink;

// case.json of a case folder. A file name that starts with "data/" is one of the shipped files;
// any other lies in the case folder itself.
struct GoldenCase {
    std::string camera;
    std::string target;
    std::string atmosphere;
    double frequency = 0.5;           // cycles per mrad, one of the frequency radios
    double temperatureDifference = 0; // kelvin, on the trackbar's grid
    std::uint32_t seed = 1;
    bool randomise = false; // the random target position, on before the frequency is chosen
};

struct GoldenImages {
    int width = 0;
    int height = 0;
    std::vector<float> sensor;         // SensorImage, row 0 the lowest
    std::vector<std::uint8_t> display; // DisplayImage as the bench keeps it: 3 equal bytes per pixel
    std::vector<std::uint8_t> frame;   // one presented frame's image part, width x height bytes
};

inline constexpr const char* goldenCaseFile = "case.json";
inline constexpr const char* goldenSensorFile = "sensor.pfm";
inline constexpr const char* goldenDisplayFile = "display.pgm";
inline constexpr const char* goldenFrameFile = "frame.pgm";

// The case folders under the golden folder (those holding a case.json), sorted by name.
std::vector<std::string> goldenCaseNames(const std::filesystem::path& goldenDir);

// Reads case.json; nullopt with error set when it is missing or malformed.
std::optional<GoldenCase> readGoldenCase(const std::filesystem::path& caseDir, std::string& error);

// Opens a bench with the case's records and runs the handlers the command-line render runs: the
// atmosphere, the seed, the camera (mode Full), its activation, the target, the randomise switch,
// the frequency, the temperature trackbar; then one frame without jitter. Core messages go to
// messages. nullopt with error set when a record cannot be read.
std::optional<GoldenImages> renderGoldenCase(const GoldenCase& goldenCase, const std::filesystem::path& caseDir,
                                             const std::filesystem::path& shippedDataDir, MessageSink& messages,
                                             std::string& error);

// The stored form: sensor.pfm (little-endian floats, rows bottom-up), display.pgm and frame.pgm
// (binary 8-bit greys, rows top-down as an image viewer shows them).
bool writeGoldenImages(const std::filesystem::path& caseDir, const GoldenImages& images, std::string& error);
std::optional<GoldenImages> readGoldenImages(const std::filesystem::path& caseDir, std::string& error);
