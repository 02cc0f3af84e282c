#pragma once

// The eye's view of display noise (constants and sources in eye_constants.h): its pupil and MTF at
// the display's luminance, the weight alpha² its own noise gives the display's, and the bandwidths
// of noise it integrates when looking at a bar pattern.

// sin(pi x) / (pi x): the MTF of a block drawn uniformly, at x cycles per block's width.
double sinc(double x);

// The pupil's diameter in mm, both eyes open, at a mean luminance in cd/m².
double pupilDiameter(double luminance);
// The eye's MTF at v cycles per degree at the eye, with a pupil of that diameter in mm.
double eyeMtf(double cyclesPerDegree, double pupil);
// alpha² at a mean luminance in cd/m²: the display noise's variance in modulation² (over the eye's
// integration time, through its channel) counts alpha² times against the eye's own.
double eyeNoiseWeight(double luminance);

// The noise bandwidths, in cycles per degree, of the eye looking at bars of u cycles per degree on
// a display of camera pixels drawn as blocks of `across` by `along` degrees: across the bars the
// eye, the channel at u and the block, integrated over all frequencies; along them the eye, the block
// and the bars' length of 3.5 cycles. White noise of variance s² per block then reaches the eye with
// the variance s² across along Q_across Q_along, noise shared along a column with s² across Q_across.
struct EyeNoiseBandwidths {
    double across = 0.0;
    double along = 0.0;
};
EyeNoiseBandwidths eyeNoiseBandwidths(double u, double luminance, double across, double along);
