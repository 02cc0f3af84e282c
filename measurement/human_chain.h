#pragma once

#include "console/bench_state.h"
#include "measurement/bar_frame_statistics.h"
#include "measurement/classic_mrtd.h"
#include "measurement/model_observer.h"
#include "measurement/screen_viewing.h"
#include "sim/display_zoom.h"

// The human observer's chain, as the targeting task performance models have it: the frames through
// the screen's luminance law and pixel blocks to the eye; the pattern's fundamental as the eye's
// channel at its frequency sees it, against the eye's threshold modulation (Barten's CTF at the
// pattern's frequency, luminance and size) raised by the display noise that passes the eye and the
// channel, weighed against the eye's own noise. The judgement of each image and classicHuman, the
// same chain worked out from the camera's terms, both go through eyeThreshold.

// The pattern as the eye sees it on the screen, and the noise on it.
struct EyeView {
    double frequency = 0.0;           // u, cycles per degree at the eye
    double luminance = 0.0;           // the pattern's mean luminance, cd/m²
    double across = 0.0, along = 0.0; // a camera pixel's block at the eye, degrees, across and along the bars
    double pixelNoise = 0.0;          // white noise per block, variance in modulation² in one frame
    double columnNoise = 0.0;         // noise shared along the bars' length (a column of vertical bars), likewise
    int frames = 1;                   // the frames the eye integrates
};

// The modulation the eye needs, h CTF(u, L) sqrt(1 + alpha²(L) Phi / eta), Phi the display noise's
// variance over the frames through the eye and its channel (eye_noise.h).
struct EyeThreshold {
    double ctf = 0.0;         // Barten's, at the pattern's frequency, luminance and size
    double noiseFactor = 1.0; // sqrt(1 + alpha² Phi / eta)
    double modulation = 0.0;
};
EyeThreshold eyeThreshold(const EyeView& view, const ObserverProfile& profile);

// What the human observer makes of bars the noise lets the ideal observer see: the displayed
// fundamental's modulation (the fitted wave through the blocks' MTF, over its mean) against the eye's
// threshold. The ideal observer's threshold stays a floor, checked by the caller: a person never
// sees what the noise hides from the ideal observer.
struct HumanReading {
    bool resolved = false;
    double modulation = 0.0;   // the displayed fundamental's, signed so that the right direction is positive
    double eyeThreshold = 0.0; // the modulation the eye needs
};
// contrast: read in luminance; sign: +1 when the contrast's right direction is positive, else -1;
// cyclesPerPixel: the pattern's frequency per camera pixel across the bars; view: the camera pixel's
// zoom on the screen, whose vertical part lies across horizontal bars; frames: those the eye integrated.
HumanReading humanReading(const BarContrast& contrast, double sign, double cyclesPerPixel, const PixelZoom& view,
                          bool horizontalBars, int frames, const ObserverSettings& settings);

// What the screen makes of a kelvin: the display gain in grey levels, the pattern's mean grey and
// the angle of a camera pixel at the eye.
struct DisplayTerms {
    double greyPerKelvin = 0.0;
    double meanGrey = 0.0;
    double pixelDegrees = 0.0;      // across the bars
    double pixelDegreesAlong = 0.0; // along them
};
DisplayTerms displayTerms(const BenchState& state, const ScreenViewing& viewing);
// The screen as a run at this frequency shows the bars at a temperature difference: the Level and
// Contrast positions held, or the automatic window over the image at that difference.
DisplayTerms displayTermsAt(const BenchState& prepared, const ObserverSettings& settings, double frequency,
                            double kelvin);
// The terms of classicHuman at one frequency: the displayed fundamental's modulation per kelvin and
// the eye's view of the pattern and its noise.
struct ClassicEyeTerms {
    double modulationPerKelvin = 0.0;
    EyeView view;
};
ClassicEyeTerms classicEyeTerms(const ClassicTerms& terms, const DisplayTerms& display,
                                const ObserverSettings& settings, double f);
// classicHuman: the eye's threshold modulation over the modulation per kelvin, never below the
// classic (noise-limited) MRTD.
double classicHumanMrtd(const ClassicTerms& terms, const DisplayTerms& display, const ObserverSettings& settings,
                        double f);
// classicHuman of the bench as prepared at one frequency, on the display as it shows the bars at the
// threshold: the bars raise the pattern's mean luminance, and the automatic window follows them, so
// the display at no difference is only the first round of a few.
double classicHumanAt(const BenchState& prepared, const ObserverSettings& settings, double frequency);
