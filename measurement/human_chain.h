#pragma once

#include "console/bench_state.h"
#include "measurement/bar_frame_statistics.h"
#include "measurement/classic_mrtd.h"
#include "measurement/model_observer.h"
#include "measurement/screen_viewing.h"
#include "sim/display_zoom.h"

// The human observer's chain: the frames through the screen's luminance law to the eye, whose
// threshold modulation (eye_contrast_threshold.h) the bars must pass besides the noise-limited
// contrast. The judgement of each image and the classic formula's human counterpart both go
// through here.

// The human observer's factor on the eye's threshold modulation, the one number calibrated for it: it
// puts the human's MRTD on Camera1's file curve, measured by people, from 0.5 to 1.5 cycles/mrad
// (the guide gives the runs). classicHuman carries the same factor.
inline constexpr double humanThresholdFactor = 12.0;

// What the human observer makes of bars the noise lets through: the pattern's fundamental
// modulation from the bar-minus-gap difference (pi/4 of it over the mean), against the eye's
// threshold at the frequency and luminance on the screen, raised by the screen's noise over the
// eye's own. The ideal observer's threshold stays a floor: a person never sees what the noise hides
// from the ideal observer.
struct HumanReading {
    bool resolved = false;
    double eyeThreshold = 0.0; // the eye's threshold modulation
};
// contrast: read in luminance; sign: +1 when the contrast's right direction is positive, else -1;
// cyclesPerPixel: the pattern's frequency per camera pixel across the bars; view: the camera pixel's
// zoom on the screen, whose vertical part lies across horizontal bars; seconds: the time the frames
// read span.
HumanReading humanReading(const BarContrast& contrast, double sign, double cyclesPerPixel, const PixelZoom& view,
                          bool horizontalBars, double seconds, const ObserverSettings& settings);

// What the screen makes of a kelvin: the display gain in grey levels, the pattern's mean grey and
// the angle of a camera pixel at the eye.
struct DisplayTerms {
    double greyPerKelvin = 0.0;
    double meanGrey = 0.0;
    double pixelDegrees = 0.0;      // across the bars
    double pixelDegreesAlong = 0.0; // along them
};
DisplayTerms displayTerms(const BenchState& state, const ScreenViewing& viewing);
// The screen as a run at this frequency shows it near the threshold: the Level and Contrast
// positions held, or the automatic window over the bars at no difference.
DisplayTerms displayTermsNearThreshold(const BenchState& prepared, const ObserverSettings& settings, double frequency);
// The bar-minus-gap difference of a long pattern of unit bars through the MTF: the odd harmonics'
// sum 8/(pi² k²) MTF(k f).
double barGapTransfer(const ClassicTerms& terms, double f);
// The spectral density of a noise modulation as the eye integrates it: its standard error over a
// stretch of seconds and an area of square degrees at the eye, times the root of both.
double eyeNoiseDensity(double standardError, double seconds, double squareDegrees);
// classicHuman: the eye's threshold modulation at the pattern's frequency and luminance, raised by
// the noise over the eye's own, turned back through the screen's luminance law, the display gain
// and the optics into kelvin; never below the classic (noise-limited) MRTD.
double classicHumanMrtd(const ClassicTerms& terms, const DisplayTerms& display, const ScreenViewing& viewing, double f,
                        double thresholdSnr, double integrationTime);
