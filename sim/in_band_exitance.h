#pragma once

#include "camera/point_list.h"
#include "camera/temperature_scale.h"

// Planck's radiation constants as the bench uses them: c1 in W·µm⁴/cm², c2 in µm·K.
inline constexpr double planckC1 = 37418.32;
inline constexpr double planckC2 = 14387.86;
// The bench raises this base rather than e; it changes exitances by about 3e-5 relative.
inline constexpr double exponentialBase = 2.7183;
// Wavelength step in µm of the scene's and the signal ranges' integrations.
inline constexpr double sceneIntegrationStep = 0.01;
// Wavelength step of the noise level's integration.
inline constexpr double noiseIntegrationStep = 0.001;

// Spectral-response-weighted exitance over [l0, l1] µm at temperature t kelvin (trapezoid rule).
double InBandExitance(const PointList& response, double l0, double l1, double step, double t);

// Response-weighted exitance over the whole response at t kelvin by Simpson's rule on equal steps
// of at most step µm, the response linear between its points: the fine integration the bench's
// own and the physical radiometry are checked against. c2 carries the logarithm of the base the
// exponential raises: ln 2.7183 times planckC2 for the bench's law, the plain c2 for e.
double SimpsonExitance(const PointList& response, double kelvin, double c1, double c2, double step);

// The signal of a temperature in degrees Celsius over the whole response.
double signalOfTemperature(const PointList& response, double celsius, double step = sceneIntegrationStep);

// Relative response at wavelength l by linear interpolation between the table's points.
double responseAt(const PointList& response, float l);
