#include "sim/display.h"

#include "sim/noise.h"
#include "sim/physical_noise.h"
#include "sim/truncate.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>

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
__attribute__((target_clones("avx2", "default"))) void
writeNoisyRun(const std::uint8_t* __restrict grey, const float* __restrict samples, const float* __restrict offsets,
              float scale, float gain, int count, std::uint8_t* __restrict out) {
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

namespace {

// The smallest and largest signal, NaN skipped, into lo and hi (which hold the starting values).
// Eight running extremes in step vectorise; the extremes of a set do not depend on the order.
__attribute__((target_clones("avx2", "default"))) void signalExtremes(const float* __restrict image, std::size_t count,
                                                                      float& lo, float& hi) {
    constexpr std::size_t lanes = 8;
    float low[lanes], high[lanes];
    for (std::size_t l = 0; l < lanes; ++l) {
        low[l] = lo;
        high[l] = hi;
    }
    std::size_t k = 0;
    for (; k + lanes <= count; k += lanes)
        for (std::size_t l = 0; l < lanes; ++l) {
            const float v = image[k + l];
            low[l] = v < low[l] ? v : low[l];
            high[l] = v > high[l] ? v : high[l];
        }
    for (; k < count; ++k) {
        lo = image[k] < lo ? image[k] : lo;
        hi = image[k] > hi ? image[k] : hi;
    }
    for (std::size_t l = 0; l < lanes; ++l) {
        lo = low[l] < lo ? low[l] : lo;
        hi = high[l] > hi ? high[l] : hi;
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
    const std::size_t pixels = std::min(
        static_cast<std::size_t>(sim.imageWidth) * static_cast<std::size_t>(sim.imageHeight), sim.sceneImage.size());
    float lo = 1e8f;
    float hi = -1e8f;
    signalExtremes(sim.sceneImage.data(), pixels, lo, hi);
    double level = ((static_cast<double>(lo) + hi) / 2.0 - sim.levelSignalMin) /
                   (sim.levelSignalMax - sim.levelSignalMin) * sliderRange;
    double contrast = sliderRange - (static_cast<double>(hi) - lo - camera.contrastMin * signalPerKelvin(camera, sim)) *
                                        sliderRange / (sim.contrastSignalMax - sim.contrastSignalMin);
    sliders.level = std::clamp(truncToInt(level), 0, sliderRange);
    sliders.contrast = std::clamp(truncToInt(contrast), 0, sliderRange);
    ApplyLevelContrast(sliders, camera, sim);
    return true;
}

namespace {

// The grey of signal s, as the mapping defines it: the quotient truncated, then clamped.
int greyOf(float s, double base, double step) {
    return toGrey((s - base) / step);
}

// Ordered keys of floats: key(a) < key(b) exactly when a < b (for non-NaN values; -0 before +0).
std::uint32_t floatKey(float f) {
    const auto u = std::bit_cast<std::uint32_t>(f);
    return (u & 0x80000000u) != 0 ? ~u : (u | 0x80000000u);
}
float floatOfKey(std::uint32_t key) {
    return std::bit_cast<float>((key & 0x80000000u) != 0 ? (key & 0x7FFFFFFFu) : ~key);
}

// The smallest float whose grey is at least g (g = 1 ... 255). The grey never falls as the signal
// rises, so a search over the ordered floats finds it; the search starts at the estimate and widens
// only as far as it must.
float greyThreshold(int g, double base, double step) {
    auto reaches = [&](std::uint32_t key) { return greyOf(floatOfKey(key), base, step) >= g; };
    const std::uint32_t lowest = floatKey(-std::numeric_limits<float>::infinity());
    const std::uint32_t highest = floatKey(std::numeric_limits<float>::infinity());
    const auto estimate = static_cast<float>(base + g * step);
    std::uint32_t guess = std::isnan(estimate) ? highest : std::clamp(floatKey(estimate), lowest, highest);
    // Find lo < hi with reaches(hi) and not reaches(lo).
    std::uint32_t lo = guess;
    std::uint32_t hi = guess;
    std::uint32_t widen = 1;
    if (reaches(guess)) {
        do {
            hi = lo;
            lo = lo - lowest > widen ? lo - widen : lowest;
            widen *= 2;
        } while (lo != lowest && reaches(lo));
        if (reaches(lo))
            return -std::numeric_limits<float>::infinity();
    } else {
        do {
            lo = hi;
            hi = highest - hi > widen ? hi + widen : highest;
            widen *= 2;
        } while (hi != highest && !reaches(hi));
        if (!reaches(hi))
            return std::numeric_limits<float>::quiet_NaN(); // no signal reaches this grey
    }
    while (hi - lo > 1) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        (reaches(mid) ? hi : lo) = mid;
    }
    return floatOfKey(hi);
}

// One run of the mapping: an estimate of the grey from one float product, corrected by at most one
// step against the exact thresholds, so that the result equals the truncated quotient. No division
// and no branch per pixel. Both forms give the same bytes; the AVX2 one reads the thresholds with
// gathers, which the compiler does not emit on its own.
struct GreyMap {
    float base, scale;
    const float* thresholds; // 257 entries
    int flip;                // 255 inverts, 0 keeps

    int greyOf(float s) const {
        float q = (s - base) * scale;
        q = q > 0.0f ? q : 0.0f; // NaN falls to 0 here as well
        q = q < 255.0f ? q : 255.0f;
        const int g = static_cast<int>(q);
        const int up = s >= thresholds[g + 1] ? 1 : 0;
        const int down = s < thresholds[g] ? 1 : 0;
        return (g + up - down) ^ flip;
    }
};

// Writes count pixels of three equal bytes.
__attribute__((target("default"))) void mapGreyRun(const GreyMap& m, const float* __restrict signal, std::size_t count,
                                                   std::uint8_t* __restrict out) {
    for (std::size_t k = 0; k < count; ++k) {
        const auto g = static_cast<std::uint8_t>(m.greyOf(signal[k]));
        out[3 * k] = g;
        out[3 * k + 1] = g;
        out[3 * k + 2] = g;
    }
}

// Eight greys of the AVX2 form, as int32 lanes.
__attribute__((target("avx2"))) inline __m256i eightGreys(const GreyMap& m, const float* at) {
    const __m256 s = _mm256_loadu_ps(at);
    // max returns its second operand for NaN, so NaN falls to 0 as in the plain form.
    const __m256 q =
        _mm256_min_ps(_mm256_max_ps(_mm256_mul_ps(_mm256_sub_ps(s, _mm256_set1_ps(m.base)), _mm256_set1_ps(m.scale)),
                                    _mm256_setzero_ps()),
                      _mm256_set1_ps(255.0f));
    const __m256i g = _mm256_cvttps_epi32(q);
    const __m256 above = _mm256_i32gather_ps(m.thresholds, _mm256_add_epi32(g, _mm256_set1_epi32(1)), 4);
    const __m256 atG = _mm256_i32gather_ps(m.thresholds, g, 4);
    // The comparisons give -1 where true: subtracting "up" adds one.
    const __m256i up = _mm256_castps_si256(_mm256_cmp_ps(s, above, _CMP_GE_OQ));
    const __m256i down = _mm256_castps_si256(_mm256_cmp_ps(s, atG, _CMP_LT_OQ));
    return _mm256_xor_si256(_mm256_add_epi32(_mm256_sub_epi32(g, up), down), _mm256_set1_epi32(m.flip));
}

__attribute__((target("avx2"))) void mapGreyRun(const GreyMap& m, const float* __restrict signal, std::size_t count,
                                                std::uint8_t* __restrict out) {
    // Byte shuffles that spread 16 greys over 48 bytes, three of each.
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i spread2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    std::size_t k = 0;
    for (; k + 32 <= count; k += 32) {
        const __m256i words = _mm256_packus_epi32(eightGreys(m, signal + k), eightGreys(m, signal + k + 8));
        const __m256i more = _mm256_packus_epi32(eightGreys(m, signal + k + 16), eightGreys(m, signal + k + 24));
        // The packs work within 128-bit lanes; the permutation puts the 32 greys back in order.
        const __m256i greys =
            _mm256_permutevar8x32_epi32(_mm256_packus_epi16(words, more), _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        std::uint8_t* o = out + 3 * k;
        for (const __m128i half : {_mm256_castsi256_si128(greys), _mm256_extracti128_si256(greys, 1)}) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_shuffle_epi8(half, spread0));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), _mm_shuffle_epi8(half, spread1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 32), _mm_shuffle_epi8(half, spread2));
            o += 48;
        }
    }
    for (; k < count; ++k) {
        const auto g = static_cast<std::uint8_t>(m.greyOf(signal[k]));
        out[3 * k] = g;
        out[3 * k + 1] = g;
        out[3 * k + 2] = g;
    }
}

} // namespace

void mapToDisplay(SimState& sim, const CameraSet& camera, bool cameraView, bool fittedPreview) {
    const std::size_t pixels = static_cast<std::size_t>(sim.imageWidth) * static_cast<std::size_t>(sim.imageHeight);
    sim.displayImage.resize(pixels * 3);
    const double base = cameraView ? sim.windowLow : sim.signalMin;
    const double step = cameraView ? (sim.windowHigh - sim.windowLow) / 256.0 : (sim.signalMax - sim.signalMin) / 256.0;
    const bool invert = camera.polarity || fittedPreview;
    const float* signal = sim.sceneImage.data();
    std::uint8_t* out = sim.displayImage.data();
    const int flip = invert ? 255 : 0;
    const auto baseF = static_cast<float>(base);
    // The float estimate is within one grey of the quotient when the window's base, rounded to a
    // float, moves it by well under a grey, and nothing overflows; any other window (none that a
    // camera gives) takes the quotient itself.
    const bool estimable = step > 1e-30 && step < 1e34 && std::fabs(base) < 1e37 &&
                           std::fabs(base - static_cast<double>(baseF)) < 0.25 * step;
    if (!estimable) {
        for (std::size_t k = 0; k < pixels; ++k) {
            auto g = static_cast<std::uint8_t>(greyOf(signal[k], base, step) ^ flip);
            out[3 * k] = out[3 * k + 1] = out[3 * k + 2] = g;
        }
        return;
    }
    // thresholds[g] is the smallest signal of grey g or more; the ends keep the correction inside
    // 0 ... 255 (nothing is below -inf, nothing reaches NaN).
    std::array<float, 257> thresholds{};
    thresholds[0] = -std::numeric_limits<float>::infinity();
    thresholds[256] = std::numeric_limits<float>::quiet_NaN();
    for (int g = 1; g < 256; ++g)
        thresholds[static_cast<std::size_t>(g)] = greyThreshold(g, base, step);
    const GreyMap map{baseF, static_cast<float>(1.0 / step), thresholds.data(), flip};
    mapGreyRun(map, signal, pixels, out);
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
    frame.resize(static_cast<std::size_t>(width + viewFramePadding) *
                 static_cast<std::size_t>(height + viewFramePadding));
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
        gain = static_cast<float>(1.0 + random.next() * static_cast<double>(camera.flickerAmplitude) /
                                            RandomGenerator::valueRange);

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
        double d = std::min(random.next() * static_cast<double>(camera.jitterAmplitude) * maxJitter /
                                RandomGenerator::valueRange,
                            maxJitter);
        double u = d >= 1.0 ? random.next() / RandomGenerator::valueRange / pixels : d / pixels;
        return (u + 1.0) * z;
    };
    zoom.x = jitter(zoom.x, std::max(imageWidth, 1));
    zoom.y = jitter(zoom.y, std::max(imageHeight, 1));
    return zoom;
}
