#include "sim/render.h"

#include "sim/convolve_row.h"
#include "sim/display_mapping.h"
#include "sim/image_model_behaviour.h"

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
    imageModelBehaviour(sim.imageModel).render(mode, fit, target, sim, camera);
}

void renderSpecified(RenderMode mode, bool fit, Target& target, SimState& sim, const CameraSet& camera) {
    const RenderGeometry g = computeRenderGeometry(camera, sim, mode, fit);
    rasterizeScene(target, sim, g);
    blurSceneImage(sim, g);
    const bool cameraView = mode == RenderMode::CameraView;
    mapToDisplay(sim, camera, cameraView, !cameraView && fit);
}
