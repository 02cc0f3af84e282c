#include "golden_case.h"

#include "console/bench.h"
#include "console/bench_case.h"
#include "console/bench_state.h"
#include "sim/display.h"
#include "target/target_file.h"
#include "text/messages.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

constexpr const char* shippedPrefix = "data/";

fs::path resolve(const std::string& name, const fs::path& caseDir, const fs::path& shippedDataDir) {
    if (name.rfind(shippedPrefix, 0) == 0)
        return shippedDataDir / name.substr(std::strlen(shippedPrefix));
    return caseDir / name;
}

// The stored files are little-endian whatever the host, so they compare alike everywhere.
void appendLittleEndian(std::string& out, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((bits >> shift) & 0xFFu));
}

float readLittleEndian(const unsigned char* in) {
    std::uint32_t bits = 0;
    for (int k = 3; k >= 0; --k)
        bits = (bits << 8) | in[k];
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool writeFile(const fs::path& path, const std::string& content, std::string& error) {
    std::ofstream out(path, std::ios::binary);
    if (!(out << content)) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

// A netpbm-style header: magic, width, height and one more word, each followed by one white space;
// the data follows the last one. Returns the data.
std::optional<std::string> readNetpbm(const fs::path& path, const std::string& magic, int& width, int& height,
                                      std::string& last, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::string word;
    if (!(in >> word) || word != magic || !(in >> width >> height >> last) || width <= 0 || height <= 0) {
        error = "no " + magic + " header in " + path.string();
        return std::nullopt;
    }
    in.get();
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return data;
}

std::string greyFile(const std::uint8_t* pixels, std::size_t step, int width, int height) {
    std::string out = "P5\n" + std::to_string(width) + ' ' + std::to_string(height) + "\n255\n";
    for (int row = height - 1; row >= 0; --row)
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<char>(pixels[(static_cast<std::size_t>(row) * width + i) * step]));
    return out;
}

// The greys bottom row first, as the bench's buffers hold them.
std::optional<std::vector<std::uint8_t>> readGreyFile(const fs::path& path, int width, int height, std::string& error) {
    int w = 0;
    int h = 0;
    std::string maxValue;
    auto data = readNetpbm(path, "P5", w, h, maxValue, error);
    if (!data)
        return std::nullopt;
    const std::size_t count = static_cast<std::size_t>(w) * h;
    if (w != width || h != height || maxValue != "255" || data->size() != count) {
        error =
            path.string() + " is not a " + std::to_string(width) + " x " + std::to_string(height) + " 8-bit grey image";
        return std::nullopt;
    }
    std::vector<std::uint8_t> pixels(count);
    for (int row = 0; row < h; ++row)
        std::memcpy(&pixels[static_cast<std::size_t>(row) * w],
                    data->data() + static_cast<std::size_t>(h - 1 - row) * w, static_cast<std::size_t>(w));
    return pixels;
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
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path.string();
        return std::nullopt;
    }
    try {
        const nlohmann::json json = nlohmann::json::parse(in);
        const std::set<std::string> known{"description",           "camera", "target",   "atmosphere", "frequency",
                                          "temperatureDifference", "seed",   "randomise"};
        for (const auto& item : json.items())
            if (!known.count(item.key()))
                throw std::runtime_error("unknown key \"" + item.key() + "\"");
        GoldenCase c;
        c.camera = json.at("camera").get<std::string>();
        c.target = json.at("target").get<std::string>();
        c.atmosphere = json.at("atmosphere").get<std::string>();
        c.frequency = json.at("frequency").get<double>();
        c.temperatureDifference = json.at("temperatureDifference").get<double>();
        c.seed = json.at("seed").get<std::uint32_t>();
        c.randomise = json.value("randomise", false);
        return c;
    } catch (const std::exception& e) {
        error = path.string() + ": " + e.what();
        return std::nullopt;
    }
}

std::optional<GoldenImages> renderGoldenCase(const GoldenCase& goldenCase, const fs::path& caseDir,
                                             const fs::path& shippedDataDir, MessageSink& messages,
                                             std::string& error) {
    if (frequencyIndexOf(goldenCase.frequency) < 0) {
        error = "the frequency is not one of the radios' values";
        return std::nullopt;
    }
    const int sliderPosition = Bench::sliderPositionOf(goldenCase.temperatureDifference);
    if ((sliderPosition - temperatureSliderCentre) / temperatureSliderPerKelvin != goldenCase.temperatureDifference) {
        error = "the temperature difference is not a trackbar position";
        return std::nullopt;
    }

    BenchState state;
    Bench bench(state, messages);
    BenchCase benchCase;
    BenchSources& sources = benchCase.sources;
    sources.atmosphere = BenchSource{resolve(goldenCase.atmosphere, caseDir, shippedDataDir).string(), std::nullopt};
    sources.seed = goldenCase.seed;
    sources.camera.path = resolve(goldenCase.camera, caseDir, shippedDataDir).string();
    sources.target.path = resolve(goldenCase.target, caseDir, shippedDataDir).string();
    benchCase.randomise = goldenCase.randomise;
    benchCase.frequency = goldenCase.frequency;
    benchCase.temperatureDifference = goldenCase.temperatureDifference;
    switch (applyBenchCase(bench, benchCase)) {
    case BenchOpenFault::None:
        break;
    case BenchOpenFault::Atmosphere:
        error = "cannot read " + sources.atmosphere->path;
        return std::nullopt;
    case BenchOpenFault::Camera:
        error = "cannot load " + sources.camera.path;
        return std::nullopt;
    case BenchOpenFault::Target:
        error = "cannot read " + sources.target.path;
        return std::nullopt;
    }

    GoldenImages images;
    images.width = state.sim.imageWidth;
    images.height = state.sim.imageHeight;
    const std::size_t pixels = static_cast<std::size_t>(images.width) * images.height;
    images.sensor.assign(state.sim.sceneImage.begin(),
                         state.sim.sceneImage.begin() + static_cast<std::ptrdiff_t>(pixels));
    images.display = state.sim.displayImage;
    nextFrame(state, false, images.frame);
    // The frame buffer's margin is working room for the view; the image is its first part.
    images.frame.resize(pixels);
    return images;
}

bool writeGoldenImages(const fs::path& caseDir, const GoldenImages& images, std::string& error) {
    const std::size_t pixels = static_cast<std::size_t>(images.width) * images.height;
    if (images.width <= 0 || images.height <= 0 || images.sensor.size() != pixels ||
        images.display.size() != 3 * pixels || images.frame.size() != pixels) {
        error = "the images do not match their size";
        return false;
    }
    std::string sensor = "Pf\n" + std::to_string(images.width) + ' ' + std::to_string(images.height) + "\n-1.0\n";
    for (float value : images.sensor)
        appendLittleEndian(sensor, value);
    return writeFile(caseDir / goldenSensorFile, sensor, error) &&
           writeFile(caseDir / goldenDisplayFile, greyFile(images.display.data(), 3, images.width, images.height),
                     error) &&
           writeFile(caseDir / goldenFrameFile, greyFile(images.frame.data(), 1, images.width, images.height), error);
}

std::optional<GoldenImages> readGoldenImages(const fs::path& caseDir, std::string& error) {
    GoldenImages images;
    std::string scale;
    auto sensor = readNetpbm(caseDir / goldenSensorFile, "Pf", images.width, images.height, scale, error);
    if (!sensor)
        return std::nullopt;
    const std::size_t pixels = static_cast<std::size_t>(images.width) * images.height;
    if (scale != "-1.0" || sensor->size() != 4 * pixels) {
        error = (caseDir / goldenSensorFile).string() + " is not a little-endian float image of its size";
        return std::nullopt;
    }
    images.sensor.resize(pixels);
    const auto* bytes = reinterpret_cast<const unsigned char*>(sensor->data());
    for (std::size_t k = 0; k < pixels; ++k)
        images.sensor[k] = readLittleEndian(bytes + 4 * k);

    auto display = readGreyFile(caseDir / goldenDisplayFile, images.width, images.height, error);
    auto frame = readGreyFile(caseDir / goldenFrameFile, images.width, images.height, error);
    if (!display || !frame)
        return std::nullopt;
    images.display.reserve(3 * pixels);
    for (std::uint8_t grey : *display)
        images.display.insert(images.display.end(), 3, grey);
    images.frame = std::move(*frame);
    return images;
}
