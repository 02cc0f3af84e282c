#include "sim/display.h"

#include "sim/noise.h"
#include "sim/physical_noise.h"
#include "sim/truncate.h"

#include <algorithm>
#include <cmath>

namespace {

// Slope of the signal over the camera's temperature range, per kelvin.
double signalPerKelvin(const CameraSet& c, const SimState& sim) {
    return (sim.signalMax - sim.signalMin) / (static_cast<double>(c.tempMax) - c.tempMin);
}

// The margin of ApplyLevelContrast in thousandths of the signal range.
constexpr double windowMarginShare = 0.001;
// The display's magnification when the camera asks for a margin around the image.
constexpr double viewMarginZoom = 1.1;
// Largest jitter step, in pixels.
constexpr double maxJitter = 8.0;

// One stretch of a frame row: grey plus pixel noise plus the row's and columns' noise (summed in
// offsets), times the flicker gain, rounded and clamped to a byte (NaN falls to 0).
// Built for AVX2 as well where the processor has it (chosen at load time): its byte shuffles make
// the three-byte stride of DisplayImage cheap to read.
__attribute__((target_clones("avx2", "default"))) void writeNoisyRun(const std::uint8_t* __restrict grey, const float* __restrict samples,
                   const float* __restrict offsets, float scale, float gain, int count, std::uint8_t* __restrict out) {
    for (int r = 0; r < count; ++r) {
        float v = (samples[r] * scale + offsets[r] + static_cast<float>(grey[3 * r])) * gain + 0.5f;
        // Two selects rather than one nested condition: they become branch-free min and max, and
        // saturated pixels cost no mispredicted jumps.
        v = v > 0.0f ? v : 0.0f;
        v = v < 255.0f ? v : 255.0f;
        out[r] = static_cast<std::uint8_t>(static_cast<int>(v));
    }
}

} // namespace

void ApplyLevelContrast(const LevelContrast& sliders, const CameraSet& camera, SimState& sim) {
    const double eps = (sim.signalMax - sim.signalMin) * windowMarginShare;
    const double centre = sliders.level * (sim.levelSignalMax - sim.levelSignalMin) * 0.001 + sim.levelSignalMin;
    const double width = camera.contrastMin * signalPerKelvin(camera, sim) +
                         (sliderRange - sliders.contrast) * (sim.contrastSignalMax - sim.contrastSignalMin) * 0.001;
    sim.windowHigh = centre + width / 2.0;
    sim.windowLow = centre - width / 2.0;
    if (sim.windowLow < sim.signalMin + eps)
        sim.windowLow = sim.signalMin + eps;
    if (sim.windowHigh > sim.signalMax - eps)
        sim.windowHigh = sim.signalMax - eps;
    if (sim.windowLow >= sim.windowHigh) {
        sim.windowLow -= eps;
        sim.windowHigh += eps;
    }
    // A camera whose range gives no signal at all would leave a window of no width; give it one grey
    // step per unit so that no frame divides by zero.
    if (!(sim.windowHigh > sim.windowLow)) {
        sim.windowLow = sim.signalMin;
        sim.windowHigh = sim.signalMin + 1.0;
    }
}

bool AutoLevelContrast(LevelContrast& sliders, const CameraSet& camera, SimState& sim) {
    float lo = 1e8f;
    float hi = -1e8f;
    const std::size_t pixels = static_cast<std::size_t>(sim.imageWidth) * static_cast<std::size_t>(sim.imageHeight);
    for (std::size_t k = 0; k < pixels && k < sim.sceneImage.size(); ++k) {
        lo = std::min(lo, sim.sceneImage[k]);
        hi = std::max(hi, sim.sceneImage[k]);
    }
    double level = ((static_cast<double>(lo) + hi) / 2.0 - sim.levelSignalMin) / (sim.levelSignalMax - sim.levelSignalMin) *
                   sliderRange;
    double contrast = sliderRange - (static_cast<double>(hi) - lo - camera.contrastMin * signalPerKelvin(camera, sim)) *
                                        sliderRange / (sim.contrastSignalMax - sim.contrastSignalMin);
    sliders.level = std::clamp(truncToInt(level), 0, sliderRange);
    sliders.contrast = std::clamp(truncToInt(contrast), 0, sliderRange);
    ApplyLevelContrast(sliders, camera, sim);
    return true;
}

void mapToDisplay(SimState& sim, const CameraSet& camera, bool cameraView, bool fittedPreview) {
    const std::size_t pixels = static_cast<std::size_t>(sim.imageWidth) * static_cast<std::size_t>(sim.imageHeight);
    sim.displayImage.resize(pixels * 3);
    const double base = cameraView ? sim.windowLow : sim.signalMin;
    const double step = cameraView ? (sim.windowHigh - sim.windowLow) / 256.0 : (sim.signalMax - sim.signalMin) / 256.0;
    const bool invert = camera.polarity || fittedPreview;
    for (std::size_t k = 0; k < pixels; ++k) {
        int g = toGrey((sim.sceneImage[k] - base) / step);
        if (invert)
            g = 255 - g;
        auto grey = static_cast<std::uint8_t>(g);
        sim.displayImage[3 * k] = grey;
        sim.displayImage[3 * k + 1] = grey;
        sim.displayImage[3 * k + 2] = grey;
    }
}

void BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                    std::vector<std::uint8_t>& frame) {
    if (sim.imageModel == ImageModel::Physical) {
        buildPhysicalViewFrame(sim, camera, random.fresh(), frame);
        return;
    }
    const int width = sim.imageWidth;
    const int height = sim.imageHeight;
    const float* noise = sim.noiseTable.data();
    const std::size_t tableSize = sim.noiseTable.size();
    std::size_t k = tableSize > 0 ? static_cast<std::size_t>(random.next()) % noiseTableSize % tableSize : 0;
    auto nextNoise = [&]() {
        if (tableSize == 0)
            return 0.0f;
        float v = noise[k];
        if (++k == tableSize)
            k = 0;
        return v;
    };
    frame.resize(static_cast<std::size_t>(width + viewFramePadding) * static_cast<std::size_t>(height + viewFramePadding));
    const double greyPerSignal = 256.0 / (sim.windowHigh - sim.windowLow);

    std::vector<float> rowNoise(static_cast<std::size_t>(height), 0.0f);
    std::vector<float> columnNoise(static_cast<std::size_t>(width), 0.0f);
    if (camera.frameNoise[1] != 0)
        for (float& r : rowNoise)
            r = static_cast<float>(nextNoise() * camera.frameNoise[1] * greyPerSignal * 0.01);
    if (camera.frameNoise[2] != 0)
        for (float& c : columnNoise)
            c = static_cast<float>(nextNoise() * camera.frameNoise[2] * greyPerSignal * 0.01);
    const float pixelScale = static_cast<float>(camera.frameNoise[0] * greyPerSignal * 0.01);

    float gain = 1.0f;
    if (random.next() / RandomGenerator::valueRange <= camera.flickerProbability)
        gain = static_cast<float>(1.0 + random.next() * static_cast<double>(camera.flickerAmplitude) / RandomGenerator::valueRange);

    // Without a table (no camera refresh yet) the pixel noise reads zeros.
    static const std::vector<float> silence(4096, 0.0f);
    const std::uint8_t* display = sim.displayImage.data();
    std::vector<float> offsets(static_cast<std::size_t>(width));
    for (int j = 0; j < height; ++j) {
        const float rowValue = rowNoise[static_cast<std::size_t>(j)];
        for (int i = 0; i < width; ++i)
            offsets[static_cast<std::size_t>(i)] = columnNoise[static_cast<std::size_t>(i)] + rowValue;
        std::uint8_t* out = &frame[static_cast<std::size_t>(j) * width];
        const std::uint8_t* in = display + static_cast<std::size_t>(j) * width * 3;
        int i = 0;
        while (i < width) {
            // Runs that do not wrap around the table go through one loop the compiler can vectorise.
            const std::size_t left = tableSize > 0 ? tableSize - k : silence.size();
            const int run = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(width - i), left));
            const float* samples = tableSize > 0 ? noise + k : silence.data();
            writeNoisyRun(in + 3 * i, samples, offsets.data() + i, pixelScale, gain, run, out + i);
            i += run;
            if (tableSize > 0) {
                k += static_cast<std::size_t>(run);
                if (k == tableSize)
                    k = 0;
            }
        }
    }
}

std::vector<std::uint8_t> BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random) {
    std::vector<std::uint8_t> frame;
    BuildViewFrame(sim, camera, random, frame);
    return frame;
}

PixelZoom presentationZoom(const CameraSet& camera, const ViewScales& s) {
    PixelZoom z;
    z.x = s.base * static_cast<double>(camera.electronicZoom) * s.columnScale * s.columnFine * s.overall;
    z.y = s.base * static_cast<double>(camera.electronicZoom) * s.rowScale * s.rowFine * s.overall;
    if (camera.interlaceShift != 0) {
        if (truncToInt(s.base * s.columnScale * s.columnFine + 0.0001) % 2 == 0)
            z.x /= 2.0;
        if (truncToInt(s.base * s.rowScale * s.rowFine + 0.0001) % 2 == 0)
            z.y /= 2.0;
    }
    if (camera.viewMargin == 0) {
        z.x *= viewMarginZoom;
        z.y *= viewMarginZoom;
    }
    return z;
}

PixelZoom applyJitter(PixelZoom zoom, const CameraSet& camera, int imageWidth, int imageHeight,
                      RandomGenerator& random) {
    auto jitter = [&](double z, int pixels) {
        if (random.next() / RandomGenerator::valueRange > camera.jitterProbability)
            return z;
        double d = std::min(random.next() * static_cast<double>(camera.jitterAmplitude) * maxJitter / RandomGenerator::valueRange, maxJitter);
        double u = d >= 1.0 ? random.next() / RandomGenerator::valueRange / pixels : d / pixels;
        return (u + 1.0) * z;
    };
    zoom.x = jitter(zoom.x, std::max(imageWidth, 1));
    zoom.y = jitter(zoom.y, std::max(imageHeight, 1));
    return zoom;
}
