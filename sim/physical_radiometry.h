#pragma once

#include "camera/point_list.h"
#include "sim/image_model.h"

// The physical image model's radiometry: Planck's law with the radiation constants derived from
// the SI values of h, c and k, the true base e, and the kelvin scale's own offset.
inline constexpr double planckConstant = 6.62607015e-34;  // J·s
inline constexpr double speedOfLight = 299792458.0;       // m/s
inline constexpr double boltzmannConstant = 1.380649e-23; // J/K
// c1 = 2πhc² in W·µm⁴/cm² (37417.72) and c2 = hc/k in µm·K (14387.769).
inline constexpr double exactC1 =
    2.0 * 3.14159265358979323846 * planckConstant * speedOfLight * speedOfLight * 1e24 / 1e4;
inline constexpr double exactC2 = planckConstant * speedOfLight / boltzmannConstant * 1e6;
inline constexpr double kelvinOffset = 273.15;
// Longest wavelength step of the integration in µm; each piece of the response is integrated by
// Simpson's rule on its own, so its corners cost no accuracy.
inline constexpr double physicalIntegrationStep = 0.005;

// Response-weighted exitance over the whole response at t kelvin, in W/cm².
double physicalExitance(const PointList& response, double kelvin);
// The same at a temperature in degrees Celsius.
double physicalSignal(const PointList& response, double celsius);
// The slope of physicalSignal at a temperature in degrees Celsius, per kelvin.
double physicalSignalSlope(const PointList& response, double celsius);

// The signal of a temperature as the chosen image model computes it: the physical model's
// radiometry, or the bench's long-standing one with its step.
double modelSignal(ImageModel model, const PointList& response, double celsius, double specifiedStep);
