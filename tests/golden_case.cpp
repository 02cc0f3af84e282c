#include "golden_case.h"

#include "console/bench.h"
#include "console/bench_case.h"
#include "console/bench_state.h"
#include "sim/display.h"
#include "text/messages.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

fs::path resolve(const std::string& name, const fs::path& caseDir, const fs::path& shippedDataDir) {
    return name.rfind("data/", 0) == 0 ? shippedDataDir / name.substr(5) : caseDir / name;
}

// Netpbm greys top row first from the bench's buffers, which hold the bottom row first.
std::string greyFile(const std::uint8_t* pixels, std::size_t step, int width, int height) {
    std::string out = "P5\n" + std::to_string(width) + ' ' + std::to_string(height) + "\n255\n";
    for (int row = height - 1; row >= 0; --row)
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<char>(pixels[(static_cast<std::size_t>(row) * width + i) * step]));
    return out;
}

} // namespace

std::vector<std::string> goldenCaseNames(const fs::path& goldenDir) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(goldenDir, ignored))
        if (entry.is_directory() && fs::exists(entry.path() / goldenCaseFile))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<GoldenCase> readGoldenCase(const fs::path& caseDir, std::string& error) {
    const fs::path path = caseDir / goldenCaseFile;
    try {
        std::ifstream in(path, std::ios::binary);
        const nlohmann::json json = nlohmann::json::parse(in);
        const std::set<std::string> known{"description",           "camera", "target",   "atmosphere", "frequency",
                                          "temperatureDifference", "seed",   "randomise"};
        for (const auto& item : json.items())
            if (!known.count(item.key()))
                throw std::runtime_error("unknown key \"" + item.key() + "\"");
        return GoldenCase{json.at("camera").get<std::string>(),
                          json.at("target").get<std::string>(),
                          json.at("atmosphere").get<std::string>(),
                          json.at("frequency").get<double>(),
                          json.at("temperatureDifference").get<double>(),
                          json.at("seed").get<std::uint32_t>(),
                          json.value("randomise", false)};
    } catch (const std::exception& e) {
        error = path.string() + ": " + e.what();
        return std::nullopt;
    }
}

std::optional<GoldenImages> renderGoldenCase(const GoldenCase& goldenCase, const fs::path& caseDir,
                                             const fs::path& shippedDataDir, MessageSink& messages,
                                             std::string& error) {
    const double gridStep = std::round(goldenCase.temperatureDifference * temperatureGridStepsPerKelvin);
    if (frequencyIndexOf(goldenCase.frequency) < 0 || std::abs(gridStep) > temperatureGridSteps ||
        gridStep / temperatureGridStepsPerKelvin != goldenCase.temperatureDifference) {
        error = "the frequency is not a radio's or the temperature difference not a trackbar position";
        return std::nullopt;
    }
    BenchState state;
    Bench bench(state, messages);
    BenchCase benchCase;
    BenchSources& sources = benchCase.sources;
    sources.atmosphere = BenchSource{resolve(goldenCase.atmosphere, caseDir, shippedDataDir).string(), std::nullopt};
    sources.seed = goldenCase.seed;
    sources.imageModel = ImageModel::Specified; // the bit-exact images the cases hold
    sources.camera.path = resolve(goldenCase.camera, caseDir, shippedDataDir).string();
    sources.target.path = resolve(goldenCase.target, caseDir, shippedDataDir).string();
    benchCase.randomise = goldenCase.randomise;
    benchCase.frequency = goldenCase.frequency;
    benchCase.temperatureDifference = goldenCase.temperatureDifference;
    if (applyBenchCase(bench, benchCase) != BenchOpenFault::None) {
        error = "cannot open the bench on the case's records";
        return std::nullopt;
    }

    const int w = state.sim.imageWidth, h = state.sim.imageHeight;
    const std::vector<std::uint8_t>& display = state.sim.displayImage;
    bool grey = display.size() == 3 * static_cast<std::size_t>(w) * h; // the stored form keeps one of three equal bytes
    for (std::size_t k = 0; grey && k < display.size(); k += 3)
        grey = display[k] == display[k + 1] && display[k] == display[k + 2];
    if (!grey) {
        error = "the display image is not one grey a pixel in three bytes";
        return std::nullopt;
    }
    std::string sensor = "Pf\n" + std::to_string(w) + ' ' + std::to_string(h) + "\n-1.0\n";
    for (std::size_t k = 0; k < static_cast<std::size_t>(w) * h; ++k) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &state.sim.sceneImage[k], sizeof bits);
        for (int shift = 0; shift < 32; shift += 8)
            sensor.push_back(static_cast<char>((bits >> shift) & 0xFFu));
    }
    std::vector<std::uint8_t> frame;
    nextFrame(state, false, frame); // the frame buffer's margin past the image is the view's working room
    return GoldenImages{w, h, {sensor, greyFile(display.data(), 3, w, h), greyFile(frame.data(), 1, w, h)}};
}
