#pragma once

#include "camera/camera_set.h"
#include "sim/sim_state.h"

// The 8-bit DisplayImage from SensorImage: the display window in the camera view, the full signal
// range in the loader preview; polarity (and a fitted preview) inverts.
void mapToDisplay(SimState& sim, const CameraSet& camera, bool cameraView, bool fittedPreview);
