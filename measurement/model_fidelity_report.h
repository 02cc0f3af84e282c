#pragma once

#include "console/bench.h"

#include <array>
#include <vector>

// Sub-pixel phases at which the image model's report renders each frequency.
inline constexpr int fidelityPhases = 16;
// A bar-gap pair whose predicted contrast reaches this share of the bars' contrast should resolve.
inline constexpr double resolvablePairContrast = 0.02;

// One frequency of the image model's report: over the phases, the rendered modulation against the
// exact prediction (Gaussian and pixel box, by erf), the largest departure of any pixel, and the
// weakest bar-gap pair.
struct FrequencyFidelity {
    double frequency = 0.0;             // cycles/mrad
    double nyquistShare = 0.0;          // of the detector's Nyquist frequency
    std::array<double, 3> modulation{}; // min, median, max over the phases
    std::array<double, 3> predicted{};
    std::array<double, 3> ratio{};     // of measured to predicted modulation, min, median, max
    double largestPixelError = 0.0;    // |image - prediction| / bar contrast, any pixel, any phase
    double weakestPair = 0.0;          // smallest bar-gap contrast in the image, any phase
    double predictedWeakestPair = 0.0; // the prediction's smallest, any phase
    int reversedPhases = 0;            // phases with a reversed pair in the image
    int unexpectedReversals = 0;       // ... of which the prediction resolves every pair
};

// The per-pixel temporal noise of a flat scene at the background temperature, in kelvin there.
struct NoiseFidelity {
    double sceneCelsius = 0.0;
    double measuredNetd = 0.0;           // the frames' per-pixel noise over the exitance's slope
    double modelNetd = 0.0;              // the physical expectation: frameNoise[0] % of the NETD-derived level
    double fileNetd = 0.0;               // the camera file's value, at tm
    double largestAutocorrelation = 0.0; // at any non-zero lag up to half the frame
    int lagX = 0, lagY = 0;              // where it is
};

struct ExitanceFidelity {
    double celsius = 0.0;
    double model = 0.0;     // the image model's in-band signal
    double reference = 0.0; // Planck's law with the SI constants, e and 273.15, integrated finely
};

struct ModelFidelity {
    ImageModel model = ImageModel::Specified;
    std::vector<FrequencyFidelity> frequencies;
    NoiseFidelity noise;
    std::vector<ExitanceFidelity> exitance;
};

// The report for the image model in use: it renders the bench's standard target at every bench
// frequency and phase, then a flat scene for the noise; the console's scene is left changed.
ModelFidelity modelFidelityReport(Bench& console, int phases = fidelityPhases);
