#pragma once

// Added to a temperature in degrees Celsius to give kelvin: the bench's absolute zero is -273 °C,
// not -273.15, and its images depend on that.
inline constexpr double absoluteZeroOffset = 273.0;
