#pragma once

#include "sim/spatial_frequencies.h"

// The console's settings that the simulation reads.
struct ConsoleValues {
    float temperatureDifference = 0.0f;            // K, between bars and background
    float barScale = frequencyChoices[0].barScale; // of the chosen spatial frequency
    double targetOffsetX = 0.0;                    // random displacement, in projected units
    double targetOffsetY = 0.0;
    // The target turned by 90 degrees about its centre: horizontal bars, which the vertical blur
    // and pixel pitch govern.
    bool horizontalBars = false;
    // Sub-pixel phase of the target in the camera view's pixels, on top of the offset.
    double targetPhaseX = 0.0;
    double targetPhaseY = 0.0;
    bool galleryOpen = false; // the target loader runs: items show their own temperatures
    bool consoleReady = false;
};
