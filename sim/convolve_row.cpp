#include "sim/convolve_row.h"

#include <cstring>

namespace {

// Eight floats as one value: a register in the AVX2 build, two in the plain one.
typedef float Lanes __attribute__((vector_size(32)));
constexpr int lanes = 8;
// Columns one accumulation covers: four such values, held in registers across every tap.
constexpr int blurChunk = 4 * lanes;

// acc += the eight floats at "at" times weight (by reference: no vector crosses a call).
inline void addScaled(Lanes& acc, const float* at, float weight) {
    Lanes v;
    std::memcpy(&v, at, sizeof v);
    acc += v * weight;
}

} // namespace

// Clang before 15 names the dispatcher of target clones apart from the function, so that its callers
// find no symbol; its builds (the fuzzers') take the plain code.
#if defined(__clang__) && __clang_major__ < 15
#define TERVIX_ROW_CLONES
#else
#define TERVIX_ROW_CLONES __attribute__((target_clones("avx2", "default")))
#endif

// The partial sums stay in registers for a whole chunk instead of going to memory once per tap.
TERVIX_ROW_CLONES void convolveRow(const float* __restrict in, std::size_t stride, const float* __restrict kernel,
                                   int taps, float* __restrict out, int count) {
    int i = 0;
    for (; i + blurChunk <= count; i += blurChunk) {
        Lanes a0{}, a1{}, a2{}, a3{};
        const float* src = in + i;
        for (int k = 0; k < taps; ++k, src += stride) {
            const float weight = kernel[k];
            addScaled(a0, src, weight);
            addScaled(a1, src + lanes, weight);
            addScaled(a2, src + 2 * lanes, weight);
            addScaled(a3, src + 3 * lanes, weight);
        }
        std::memcpy(out + i, &a0, sizeof a0);
        std::memcpy(out + i + lanes, &a1, sizeof a1);
        std::memcpy(out + i + 2 * lanes, &a2, sizeof a2);
        std::memcpy(out + i + 3 * lanes, &a3, sizeof a3);
    }
    for (; i < count; ++i) {
        float acc = 0.0f;
        for (int k = 0; k < taps; ++k)
            acc += in[i + static_cast<std::size_t>(k) * stride] * kernel[k];
        out[i] = acc;
    }
}
