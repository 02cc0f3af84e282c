#include "sim/physical_noise.h"

#include "sim/display.h"
#include "sim/physical_radiometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The standard normal quantile: a rational first guess refined by Newton steps on erfc.
double normalQuantile(double p) {
    double x = std::sqrt(-2.0 * std::log(std::min(p, 1.0 - p)));
    x = x -
        (2.515517 + 0.802853 * x + 0.010328 * x * x) / (1.0 + 1.432788 * x + 0.189269 * x * x + 0.001308 * x * x * x);
    if (p < 0.5)
        x = -x;
    for (int k = 0; k < 4; ++k) {
        const double cdf = 0.5 * std::erfc(-x / std::sqrt(2.0));
        const double pdf = std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI);
        x -= (cdf - p) / pdf;
    }
    return x;
}

std::vector<float> buildNormalTable() {
    const int n = normalTableSize;
    std::vector<double> edge(static_cast<std::size_t>(n + 1));
    for (int k = 1; k < n; ++k)
        edge[static_cast<std::size_t>(k)] = normalQuantile(static_cast<double>(k) / n);
    auto pdfAt = [&](int k) {
        if (k == 0 || k == n)
            return 0.0;
        const double x = edge[static_cast<std::size_t>(k)];
        return std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI);
    };
    std::vector<double> mean(static_cast<std::size_t>(n));
    double squares = 0.0;
    for (int k = 0; k < n; ++k) {
        // E[Z | bin] = (φ(lower) - φ(upper)) / P(bin)
        mean[static_cast<std::size_t>(k)] = (pdfAt(k) - pdfAt(k + 1)) * n;
        squares += mean[static_cast<std::size_t>(k)] * mean[static_cast<std::size_t>(k)];
    }
    const double scale = 1.0 / std::sqrt(squares / n);
    std::vector<float> table(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        table[static_cast<std::size_t>(k)] = static_cast<float>(mean[static_cast<std::size_t>(k)] * scale);
    return table;
}

// Adds pixel noise and the row's and columns' offsets to the signal in grey steps before the 8-bit
// mapping, so that the noise dithers the picture's own grey steps as a camera's noise does; then
// truncates and clamps as the mapping does, inverts for polarity (flip 255) and applies the flicker
// gain. Without noise and flicker it gives DisplayImage's greys.
// The quotient is taken in double precision, as the mapping takes it, so that a frame without noise
// matches DisplayImage to the grey.
__attribute__((target_clones("avx2", "default"))) void
writePhysicalRun(const float* __restrict signal, const float* __restrict samples, const float* __restrict columns,
                 float row, double base, double step, float scale, float gain, int flip, int count,
                 std::uint8_t* __restrict out) {
    for (int r = 0; r < count; ++r) {
        double q =
            (static_cast<double>(signal[r]) - base) / step + static_cast<double>(samples[r] * scale + columns[r] + row);
        q = q > 0.0 ? q : 0.0; // NaN falls to 0 as in the mapping
        q = q < 255.0 ? q : 255.0;
        float v = static_cast<float>(static_cast<int>(q) ^ flip) * gain + 0.5f;
        v = v < 255.0f ? v : 255.0f;
        out[r] = static_cast<std::uint8_t>(static_cast<int>(v));
    }
}

} // namespace

const std::vector<float>& normalTable() {
    static const std::vector<float> table = buildNormalTable();
    return table;
}

double physicalNoiseSigma(const CameraSet& c, const PointList& response) {
    const double netd = c.blurFlag ? 2.0 * c.netd : c.netd;
    const double atTm = physicalSignal(response, c.tm);
    double sigma = atTm - physicalSignal(response, c.tm - netd);
    if (c.noiseOption != 0)
        sigma *= std::sqrt(physicalSignal(response, c.backgroundTemperature) / atTm);
    return std::isfinite(sigma) && sigma > 0.0 ? sigma : 0.0;
}

void fillNormal(FreshRandom& random, float* out, int count) {
    const float* table = normalTable().data();
    constexpr int shift = 16 - normalTableBits;
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const std::uint64_t bits = random.next();
        out[k] = table[(bits & 0xFFFF) >> shift];
        out[k + 1] = table[((bits >> 16) & 0xFFFF) >> shift];
        out[k + 2] = table[((bits >> 32) & 0xFFFF) >> shift];
        out[k + 3] = table[(bits >> 48) >> shift];
    }
    if (k < count) {
        std::uint64_t bits = random.next();
        for (; k < count; ++k, bits >>= 16)
            out[k] = table[(bits & 0xFFFF) >> shift];
    }
}

void buildPhysicalViewFrame(const SimState& sim, const CameraSet& camera, FreshRandom& random,
                            std::vector<std::uint8_t>& frame, const FrameRegion* region) {
    const int width = sim.imageWidth;
    const int height = sim.imageHeight;
    frame.resize(static_cast<std::size_t>(width + viewFramePadding) *
                 static_cast<std::size_t>(height + viewFramePadding));
    if (width <= 0 || height <= 0 || sim.sceneImage.size() < static_cast<std::size_t>(width) * height)
        return;
    const double sigma = sim.physical.noiseSigma;
    const double greyPerSignal = 256.0 / (sim.windowHigh - sim.windowLow);
    const double perCent = sigma * greyPerSignal * 0.01;

    std::vector<float> rowNoise(static_cast<std::size_t>(height), 0.0f);
    std::vector<float> columnNoise(static_cast<std::size_t>(width), 0.0f);
    if (camera.frameNoise[1] != 0) {
        fillNormal(random, rowNoise.data(), height);
        for (float& r : rowNoise)
            r = static_cast<float>(r * camera.frameNoise[1] * perCent);
    }
    if (camera.frameNoise[2] != 0) {
        fillNormal(random, columnNoise.data(), width);
        for (float& c : columnNoise)
            c = static_cast<float>(c * camera.frameNoise[2] * perCent);
    }
    const float pixelScale = static_cast<float>(camera.frameNoise[0] * perCent);
    float gain = 1.0f;
    if (random.uniform() <= camera.flickerProbability)
        gain = static_cast<float>(1.0 + random.uniform() * camera.flickerAmplitude);

    const FrameRegion all{0, width - 1, 0, height - 1};
    const FrameRegion shown = region ? FrameRegion{std::max(region->x0, 0), std::min(region->x1, width - 1),
                                                   std::max(region->y0, 0), std::min(region->y1, height - 1)}
                                     : all;
    const int count = shown.x1 - shown.x0 + 1;
    if (count <= 0)
        return;
    std::vector<float> samples(static_cast<std::size_t>(count), 0.0f);
    const double step = (sim.windowHigh - sim.windowLow) / 256.0;
    const int flip = camera.polarity ? 255 : 0;
    for (int j = shown.y0; j <= shown.y1; ++j) {
        if (pixelScale != 0.0f)
            fillNormal(random, samples.data(), count);
        const std::size_t start = static_cast<std::size_t>(j) * width + static_cast<std::size_t>(shown.x0);
        writePhysicalRun(sim.sceneImage.data() + start, samples.data(), columnNoise.data() + shown.x0,
                         rowNoise[static_cast<std::size_t>(j)], sim.windowLow, step, pixelScale, gain, flip, count,
                         &frame[start]);
    }
}
