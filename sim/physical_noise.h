#pragma once

#include "camera/camera_set.h"
#include "camera/point_list.h"
#include "sim/display_frame.h"
#include "sim/fresh_random.h"
#include "sim/sim_state.h"

#include <cstdint>
#include <vector>

// Entries of the normal quantile table the physical frames draw from: 14 fresh random bits pick one.
inline constexpr int normalTableBits = 14;
inline constexpr int normalTableSize = 1 << normalTableBits;

// The table: entry k is the mean of a standard normal variate over the k-th of normalTableSize
// equally likely intervals (so its outermost entries lie beyond 3.9 sigma), scaled to unit variance.
const std::vector<float>& normalTable();

// The physical model's temporal noise in signal units: the camera's NETD at tm (doubled by
// blurFlag) turned into a signal step with the physical radiometry; the photon-limited model
// (noiseOption not 0) scales it by sqrt(L(background) / L(tm)).
double physicalNoiseSigma(const CameraSet& camera, const PointList& response);

// Fills out with standard normal variates, four from each 64 bits of the generator.
void fillNormal(FreshRandom& random, float* out, int count);

// One frame of the physical model: SensorImage's signal with fresh per-pixel, row and column noise
// (frameNoise[0..2] per cent of sigma) mapped to grey through the display window as DisplayImage is,
// then gain flicker. Same layout as the specified frame. With a region, only its pixels are drawn
// (the model observer reads no others) and the rest of the frame keeps what it held; the row and
// column noise and the flicker are drawn as for the whole frame.
void buildPhysicalViewFrame(const SimState& sim, const CameraSet& camera, FreshRandom& random,
                            std::vector<std::uint8_t>& frame, const FrameRegion* region = nullptr);
