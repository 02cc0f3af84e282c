#include "camera/sampling_limit.h"

#include "camera/detector_format.h"

#include <algorithm>
#include <numbers>

SamplingLimit samplingLimit(const CameraSet& camera, bool horizontalBars) {
    const DetectorFormat format = activatedFormat(camera);
    const double field = horizontalBars ? camera.fovCurrentV : camera.fovCurrentH;
    const int pixels = std::max(1, horizontalBars ? format.height : format.width);
    const double zoom = camera.opticalZoom > 0.0f ? camera.opticalZoom : 1.0;
    const double angle = field * std::numbers::pi / 180.0 * 1000.0 / zoom / pixels;
    return {angle, angle > 0.0 ? 1.0 / (2.0 * angle) : 0.0};
}
