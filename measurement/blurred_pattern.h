#pragma once

#include "measurement/bar_pattern.h"

#include <vector>

// Exact predictions of a bar pattern seen through a Gaussian blur of sigma and a box (pixel
// aperture) of width aperture, both in the bars' unit, by the error function's integral: both
// fidelity reports hold the rendered images against them.

// A bar [low, high] of 1 on a ground of 0, blurred and averaged over the box centred on x.
double blurredBar(double low, double high, double x, double sigma, double aperture);
// The sum of the blurred bars at x.
double blurredPatternAt(const std::vector<Interval>& bars, double x, double sigma, double aperture);
// The relative modulation at the bar and gap centres, read at the pixel centres nearest to them.
double predictedModulation(const BarPattern& pattern, double sigma, double aperture);
// Coltman's series: the square-wave response of an endless pattern of frequency f.
double coltmanModulation(double f, double sigma, double aperture);
