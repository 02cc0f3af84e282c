#pragma once

// Barten's contrast sensitivity of the eye (constants and source in eye_constants.h): u in cycles
// per degree, luminance in cd/m², field the angular size of the grating in degrees.
double bartenSensitivity(double u, double luminance, double field);

// The modulation a person just sees in a four-bar pattern of u cycles per degree at the mean
// luminance: the reciprocal of the sensitivity over the pattern's own field of 3.5 cycles.
double eyeThresholdModulation(double u, double luminance);
