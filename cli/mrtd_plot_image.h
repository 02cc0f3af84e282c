#pragma once

#include "camera/camera_set.h"
#include "measurement/model_observer.h"

#include <functional>
#include <string>

// The reference a human observer's run is calibrated against, through the values the run computed
// (below its lowest frequency and at each frequency, each with the display as it showed that
// frequency's bars), interpolated as the range interpolates an MRTD curve (mrtdAt); 0 outside them.
double referenceThroughRun(const ObjectiveMrtd& result, double frequency);

// Draws the model observer's MRTD (means with their 95 % intervals), the camera file's own curve
// and the reference the observer was calibrated against (classic, or classicHuman for the human
// observer), each labelled, on the console's plot scale, and writes the
// picture as PNG, whole or not at all. False when it cannot be written, with error saying why.
bool writeMrtdPlotPng(const ObjectiveMrtd& result, const CameraState& camera,
                      const std::function<double(double)>& classic, const std::string& path, std::string& error);
