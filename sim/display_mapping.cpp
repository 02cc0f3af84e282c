#include "sim/display_mapping.h"

#include "sim/truncate.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>

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
