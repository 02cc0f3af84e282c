#pragma once

#include "camera/camera_set.h"
#include "sim/random_generator.h"
#include "sim/sim_state.h"

#include <cstdint>
#include <vector>

// The view frame buffer is this much larger than the image in each direction.
inline constexpr int viewFramePadding = 16;

// A rectangle of a frame, first and last column and row included.
struct FrameRegion {
    int x0 = 0, x1 = -1, y0 = 0, y1 = -1;
};

// One frame: DisplayImage's grey with fresh pixel, row and column noise and gain flicker, as the image
// model in use draws them. The buffer holds (imageWidth + 16) x (imageHeight + 16) bytes; the image is
// its first imageWidth x imageHeight bytes, row-major.
std::vector<std::uint8_t> BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random);
// The same into a buffer the caller keeps between frames.
void BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                    std::vector<std::uint8_t>& frame);
// The specified model's frame: its noise comes from the camera's stored noise table, read on from a
// random start.
void buildSpecifiedViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                             std::vector<std::uint8_t>& frame);
