#pragma once

#include "camera/camera_set.h"
#include "sim/sim_state.h"

#include <string>

// What the window says of the camera in use: the first line of its file, which describes it, and
// the figures an observer weighs a threshold against.
struct CameraSummary {
    std::string description; // empty when the file cannot be read
    std::string figures;     // "IFOV 0.170 mrad, NETD 0.050 K, Nyquist 2.94 cycles/mrad"
};

// The figures come from the camera as rendered now: the detector pitch of the camera view.
CameraSummary cameraSummary(const std::string& cameraFile, const CameraSet& camera, const SimState& sim);
