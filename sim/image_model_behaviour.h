#pragma once

#include "camera/camera_set.h"
#include "camera/point_list.h"
#include "sim/display_frame.h"
#include "sim/image_model.h"
#include "sim/random_generator.h"
#include "sim/rasterizer.h"
#include "sim/sim_state.h"
#include "target/target.h"

#include <cstdint>
#include <vector>

// What differs between the image models, in one table: how each renders, draws a frame's noise,
// turns a temperature into a signal and states its noise level. The bench asks the table for the
// model in use instead of testing which model it is.
struct ImageModelBehaviour {
    // Rasterizes the scene, blurs it and maps it to DisplayImage.
    void (*render)(RenderMode mode, bool fit, Target& target, SimState& sim, const CameraSet& camera);
    // One noisy frame of DisplayImage (see BuildViewFrame).
    void (*buildViewFrame)(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                           std::vector<std::uint8_t>& frame);
    // The same over a region of the frame alone, the rest keeping what it held, for a model whose
    // noise has a generator of its own (the jitter's draws then need not come after the frame's);
    // null for a model that draws every frame whole.
    void (*buildViewFrameRegion)(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                                 std::vector<std::uint8_t>& frame, const FrameRegion& region);
    // The signal of a temperature in degrees Celsius; specifiedStep is the integration step of the
    // long-standing radiometry, which the physical one does not need.
    double (*signal)(const PointList& response, double celsius, double specifiedStep);
    // The per-pixel temporal noise in signal units, as the last camera refresh set it.
    double (*noiseSigma)(const SimState& sim);
    // A randomised target placement adds an evenly spread sub-pixel phase: the placement's own steps
    // can exceed a pixel, and the physical model wants every placement of the bars on the pixels as
    // likely.
    bool subPixelPhase;
};

const ImageModelBehaviour& imageModelBehaviour(ImageModel model);
