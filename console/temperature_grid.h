#pragma once

#include "sim/truncate.h"

#include <algorithm>
#include <cmath>

// The grid a person sets the temperature difference on: steps of 1/250 K (0.004 K), up to 500 steps
// either side of none (±2 K). The trackbar has one position a step, and a reading records the
// difference as the grid value it is.
inline constexpr double temperatureGridStepsPerKelvin = 250.0;
inline constexpr int temperatureGridSteps = 500;
inline constexpr double temperatureGridLimit = temperatureGridSteps / temperatureGridStepsPerKelvin;

// The grid's difference nearest kelvin, within ±temperatureGridLimit, in the single precision the
// bench holds a difference in; none for a difference that is not a number.
inline float nearestGridDifference(double kelvin) {
    const int step = std::clamp(truncToInt(std::round(kelvin * temperatureGridStepsPerKelvin)), -temperatureGridSteps,
                                temperatureGridSteps);
    return static_cast<float>(step / temperatureGridStepsPerKelvin);
}
