#include "sim/image_model_behaviour.h"

#include "sim/display_frame.h"
#include "sim/in_band_exitance.h"
#include "sim/physical_noise.h"
#include "sim/physical_radiometry.h"
#include "sim/physical_render.h"
#include "sim/render.h"

#include <array>
#include <cstddef>

namespace {

const ImageModelBehaviour specifiedModel{
    renderSpecified,
    buildSpecifiedViewFrame,
    nullptr,
    [](const PointList& response, double celsius, double specifiedStep) {
        return signalOfTemperature(response, celsius, specifiedStep);
    },
    [](const SimState& sim) { return sim.lastNoiseSigma; },
    false,
};

const ImageModelBehaviour physicalModel{
    renderPhysical,
    [](const SimState& sim, const CameraSet& camera, RandomGenerator& random, std::vector<std::uint8_t>& frame) {
        buildPhysicalViewFrame(sim, camera, random.fresh(), frame);
    },
    [](const SimState& sim, const CameraSet& camera, RandomGenerator& random, std::vector<std::uint8_t>& frame,
       const FrameRegion& region) { buildPhysicalViewFrame(sim, camera, random.fresh(), frame, &region); },
    [](const PointList& response, double celsius, double) { return physicalSignal(response, celsius); },
    [](const SimState& sim) { return sim.physical.noiseSigma; },
    true,
};

} // namespace

const ImageModelBehaviour& imageModelBehaviour(ImageModel model) {
    return model == ImageModel::Physical ? physicalModel : specifiedModel;
}
