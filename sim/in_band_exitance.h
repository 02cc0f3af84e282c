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

// The signal of a temperature in degrees Celsius over the whole response.
double signalOfTemperature(const PointList& response, double celsius, double step = sceneIntegrationStep);

// Relative response at wavelength l by linear interpolation between the table's points.
double responseAt(const PointList& response, float l);
