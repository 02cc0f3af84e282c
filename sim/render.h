#pragma once

#include "camera/camera_set.h"
#include "sim/rasterizer.h"
#include "sim/sim_state.h"
#include "target/target.h"

// Rasterizes the scene, blurs it with the camera's kernels and maps it to the 8-bit DisplayImage, in
// one call, by the image model in use. Does nothing while renderBusy is set, and holds it for its duration.
void RenderImage(int& renderBusy, RenderMode mode, bool fit, Target& target, SimState& sim, const CameraSet& camera);
// The specified model's render: the scene rasterized, blurred with the camera's kernels, mapped.
void renderSpecified(RenderMode mode, bool fit, Target& target, SimState& sim, const CameraSet& camera);

// The separable blur: a horizontal then a vertical valid convolution that consume the margins.
void blurSceneImage(SimState& sim, const RenderGeometry& g);
