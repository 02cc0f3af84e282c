#pragma once

#include "camera/camera_set.h"
#include "sim/sim_state.h"

// Level and contrast slider positions run over 0 ... sliderRange.
inline constexpr int sliderRange = 1000;

struct LevelContrast {
    int level = 500;
    int contrast = 0;
};

// Sets the display window from the Level and Contrast positions.
void ApplyLevelContrast(const LevelContrast& sliders, const CameraSet& camera, SimState& sim);
// Sets both positions from the SensorImage's extremes (clamped to the sliders' range), then the window.
void AutoLevelContrast(LevelContrast& sliders, const CameraSet& camera, SimState& sim);
