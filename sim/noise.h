#pragma once

#include "camera/camera_set.h"
#include "sim/random_generator.h"
#include "sim/sim_state.h"

#include <vector>

// Temporal-noise samples drawn once per noise level and read at a random start by every frame.
inline constexpr std::size_t noiseTableSize = 100000;
// Quantile table: bins over 0 ... 3σ, and half the number of its entries.
inline constexpr int noiseQuantileBins = 100;
inline constexpr int noiseQuantileHalf = 1000;

// The noise level in signal units that the camera's NETD gives at the background temperature.
double noiseSigma(const CameraSet& camera, const PointList& response);
// Magnitudes whose two-sided normal probability is about k / 1000, up to 3σ.
std::vector<float> buildQuantileTable(double sigma);
// Rebuilds the table when the noise level has changed.
void BuildNoiseTable(const CameraSet& camera, const PointList& response, SimState& sim, RandomGenerator& random);
