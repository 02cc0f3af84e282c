#include "sim/render.h"

#include "sim/display.h"
#include "sim/physical_render.h"

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

void blurSceneImage(SimState& sim, const RenderGeometry& g) {
    int width = g.width;
    int height = g.height;
    std::vector<float>& out = sim.scratchImage;
    if (g.hx > 0 && static_cast<int>(sim.kernelX.size()) == 2 * g.hx + 1) {
        const int outWidth = g.roundedWidth;
        const int taps = 2 * g.hx + 1;
        out.assign(static_cast<std::size_t>(outWidth) * static_cast<std::size_t>(height), 0.0f);
        const float* kernel = sim.kernelX.data();
        for (int j = 0; j < height; ++j) {
            const float* in = &sim.sceneImage[static_cast<std::size_t>(j) * width];
            float* o = &out[static_cast<std::size_t>(j) * outWidth];
            for (int k = 0; k < taps; ++k) {
                const float weight = kernel[k];
                for (int i = 0; i < outWidth; ++i)
                    o[i] += in[i + k] * weight;
            }
        }
        sim.sceneImage.swap(out);
        width = outWidth;
    }
    if (g.hy > 0 && static_cast<int>(sim.kernelY.size()) == 2 * g.hy + 1) {
        const int outHeight = g.roundedHeight;
        const int taps = 2 * g.hy + 1;
        out.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(outHeight), 0.0f);
        const float* kernel = sim.kernelY.data();
        for (int j = 0; j < outHeight; ++j) {
            float* o = &out[static_cast<std::size_t>(j) * width];
            for (int k = 0; k < taps; ++k) {
                const float weight = kernel[k];
                const float* in = &sim.sceneImage[static_cast<std::size_t>(j + k) * width];
                for (int i = 0; i < width; ++i)
                    o[i] += in[i] * weight;
            }
        }
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
