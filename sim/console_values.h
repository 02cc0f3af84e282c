#pragma once

// The console's settings that the simulation reads.
struct ConsoleValues {
    float temperatureDifference = 0.0f; // K, between bars and background
    float barScale = 8.0f;              // 4 / f for the chosen spatial frequency f
    double targetOffsetX = 0.0;         // random displacement, in projected units
    double targetOffsetY = 0.0;
    // Sub-pixel phase of the target in the camera view's pixels, on top of the offset.
    double targetPhaseX = 0.0;
    double targetPhaseY = 0.0;
    bool galleryOpen = false; // the target loader runs: items show their own temperatures
    bool consoleReady = false;
};
