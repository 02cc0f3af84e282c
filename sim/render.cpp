#include "sim/render.h"

#include "sim/display.h"
#include "sim/physical_render.h"

#include <cstddef>
#include <cstring>
#include <utility>

namespace {

// A flag held for the length of one scope.
class BusyGuard {
public:
    explicit BusyGuard(int& flag) : flag_(flag) { flag_ = 1; }
    ~BusyGuard() { flag_ = 0; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    int& flag_;
};

} // namespace

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

// out[i] = sum over k of in[i + k * stride] * kernel[k], for i < count, each sum started at 0 and
// taken in tap order, so the result is the same float as a pass per tap over a zeroed buffer.
// The partial sums stay in registers for a whole chunk instead of going to memory once per tap.
__attribute__((target_clones("avx2", "default"))) void convolveRow(const float* __restrict in, std::size_t stride,
                                                                   const float* __restrict kernel, int taps,
                                                                   float* __restrict out, int count) {
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

} // namespace

void blurSceneImage(SimState& sim, const RenderGeometry& g) {
    int width = g.width;
    int height = g.height;
    std::vector<float>& out = sim.scratchImage;
    if (g.hx > 0 && static_cast<int>(sim.kernelX.size()) == 2 * g.hx + 1) {
        const int outWidth = g.roundedWidth;
        out.resize(static_cast<std::size_t>(outWidth) * static_cast<std::size_t>(height));
        for (int j = 0; j < height; ++j)
            convolveRow(&sim.sceneImage[static_cast<std::size_t>(j) * width], 1, sim.kernelX.data(), 2 * g.hx + 1,
                        &out[static_cast<std::size_t>(j) * outWidth], outWidth);
        sim.sceneImage.swap(out);
        width = outWidth;
    }
    if (g.hy > 0 && static_cast<int>(sim.kernelY.size()) == 2 * g.hy + 1) {
        const int outHeight = g.roundedHeight;
        out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(outHeight));
        for (int j = 0; j < outHeight; ++j)
            convolveRow(&sim.sceneImage[static_cast<std::size_t>(j) * width], static_cast<std::size_t>(width),
                        sim.kernelY.data(), 2 * g.hy + 1, &out[static_cast<std::size_t>(j) * width], width);
        sim.sceneImage.swap(out);
        height = outHeight;
    }
    sim.imageWidth = width;
    sim.imageHeight = height;
}

void RenderImage(int& renderBusy, RenderMode mode, bool fit, Target& target, SimState& sim, const CameraSet& camera) {
    if (renderBusy != 0)
        return;
    BusyGuard busy(renderBusy);
    if (sim.imageModel == ImageModel::Physical) {
        renderPhysical(mode, fit, target, sim, camera);
        return;
    }
    const RenderGeometry g = computeRenderGeometry(camera, sim, mode, fit);
    rasterizeScene(target, sim, g);
    blurSceneImage(sim, g);
    const bool cameraView = mode == RenderMode::CameraView;
    mapToDisplay(sim, camera, cameraView, !cameraView && fit);
}
