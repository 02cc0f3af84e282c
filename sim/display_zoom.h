#pragma once

#include "camera/camera_set.h"
#include "sim/random_generator.h"
#include "sim/sim_state.h"

struct PixelZoom {
    double x = 1.0;
    double y = 1.0;
};
// The pixel zoom of a presented frame, before any jitter.
PixelZoom presentationZoom(const CameraSet& camera, const ViewScales& scales);
// Jitter enlarges the zoom by at most one pixel's worth, with the given probability per frame.
PixelZoom applyJitter(PixelZoom zoom, const CameraSet& camera, int imageWidth, int imageHeight,
                      RandomGenerator& random);
