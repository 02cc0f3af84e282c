#pragma once

#include "console/bench_console.h"
#include "measurement/bar_pattern.h"

#include <string>
#include <vector>

// Measurements taken from rendered images beside what the camera file predicts for them.
struct FidelityRow {
    std::string quantity;
    double measured = 0.0;
    double predicted = 0.0;
    double ratio() const { return predicted != 0.0 ? measured / predicted : 0.0; }
};

// The relative modulation at the bar and gap centres of a bar pattern blurred by a Gaussian of
// sigma and a box (pixel aperture) of width aperture, both in the bars' unit. Each bar is 1, the
// ground 0; read at the pixel centres nearest to the bar and gap centres.
double blurredPatternAt(const std::vector<Interval>& bars, double x, double sigma, double aperture);
double predictedModulation(const BarPattern& pattern, double sigma, double aperture);
// Coltman's series: the square-wave response of an endless pattern of frequency f, for a
// Gaussian of sigma and a box of the given width.
double coltmanModulation(double f, double sigma, double aperture);
// The in-band exitance over the response by a fine Simpson integration of Planck's law, for the
// same temperature scale (°C + 273.0) as the bench: with the bench's radiation constants and base,
// which checks its integration, or with the physical constants and e, which shows what they change.
double independentExitance(const PointList& response, double celsius, bool physicalConstants);

// The modulation at each frequency, the frame noise, and the in-band signals, for the camera in use.
std::vector<FidelityRow> fidelityReport(BenchConsole& console);
