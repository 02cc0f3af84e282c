#pragma once

#include "camera/camera_set.h"

#include <cmath>

// What both fidelity reports render with.

// Temperature difference of the modulation renders, in K: well inside every camera's range.
inline constexpr double modulationDifference = 1.0;

// The frame noise's three parts (pixel, row, column, each a per cent of the noise level) together,
// as a share of the level: the reports set their display window from it so that nothing saturates.
inline double frameNoiseShare(const CameraSet& camera) {
    return 0.01 * std::sqrt(static_cast<double>(camera.frameNoise[0]) * camera.frameNoise[0] +
                            static_cast<double>(camera.frameNoise[1]) * camera.frameNoise[1] +
                            static_cast<double>(camera.frameNoise[2]) * camera.frameNoise[2]);
}

// Wavelength step in µm of the reports' fine Simpson integrations of the in-band signals.
inline constexpr double fineExitanceStep = 0.0005;
