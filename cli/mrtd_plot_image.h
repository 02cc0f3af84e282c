#pragma once

#include "camera/camera_set.h"
#include "console/mrtd_results.h"

#include <string>

// Draws the measured MRTD points of one slot, as the console's plot places them, beside the camera
// file's own curve, and writes the picture as PNG. False when it cannot be written.
bool writeMrtdPlotPng(const std::array<MrtdRecord, frequencyCount>& records, const CameraState& camera,
                      const std::string& path);
