#pragma once

#include "console/bench_console.h"

#include <array>
#include <string>

// A model observer in place of the human one: it looks at the same noisy frames the observer sees,
// averaged over the eye's integration time, and calls the bars resolved when every bar differs
// from each neighbouring gap, in the right direction, by enough standard errors.
struct ObserverSettings {
    // Standard errors each bar must stand apart from its gaps: the threshold signal-to-noise ratio
    // of the classic static performance models of thermal imagers.
    double thresholdSnr = 2.5;
    // The eye's integration time in seconds; the frames it spans at the camera's frame rate are averaged.
    double integrationTime = 0.2;
};

struct ObserverDecision {
    bool resolved = false;
    double weakestSnr = 0.0; // the smallest bar-to-gap separation, in standard errors
};

// Judges the current image: frames are drawn with BuildViewFrame, as the view presents them.
ObserverDecision judgeBars(BenchConsole& console, const ObserverSettings& settings);

// Measures both halves at every frequency, stepping the temperature difference on the trackbar's
// grid from 0 outwards, and records them in the console's results for the current camera slot.
// Returns, per frequency, the MRTD or a negative number when a half was not recognised.
std::array<double, frequencyCount> measureMrtd(BenchConsole& console, const ObserverSettings& settings);
// The same at one frequency index.
double measureMrtdAt(BenchConsole& console, const ObserverSettings& settings, int frequencyIndex);

// The camera file's own MRTD at frequency f, from the curve of the field in use (linear between
// its points); a negative number outside the curve.
double cameraMrtdAt(const CameraState& camera, double f);
