#include "sim/render.h"

#include "sim/display.h"

#include <cstddef>
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

// Columns one accumulation covers: four AVX2 registers, or eight SSE ones, held across every tap.
constexpr int blurChunk = 32;

// out[i] = sum over k of in[i + k * stride] * kernel[k], for i < count, each sum started at 0 and
// taken in tap order, so the result is the same float as a pass per tap over a zeroed buffer.
// The partial sums stay in registers for a whole chunk instead of going to memory once per tap.
__attribute__((target_clones("avx2", "default"))) void convolveRow(const float* __restrict in, std::size_t stride,
                                                                   const float* __restrict kernel, int taps,
                                                                   float* __restrict out, int count) {
    int i = 0;
    for (; i + blurChunk <= count; i += blurChunk) {
        float acc[blurChunk] = {};
        for (int k = 0; k < taps; ++k) {
            const float weight = kernel[k];
            const float* src = in + i + static_cast<std::size_t>(k) * stride;
            for (int t = 0; t < blurChunk; ++t)
                acc[t] += src[t] * weight;
        }
        for (int t = 0; t < blurChunk; ++t)
            out[i + t] = acc[t];
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
    const RenderGeometry g = computeRenderGeometry(camera, sim, mode, fit);
    rasterizeScene(target, sim, g);
    blurSceneImage(sim, g);
    const bool cameraView = mode == RenderMode::CameraView;
    mapToDisplay(sim, camera, cameraView, !cameraView && fit);
}
