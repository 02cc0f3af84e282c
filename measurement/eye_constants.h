#pragma once

// The human eye and the screen in front of it, as the human observer models them. Each number is
// named once here, beside where it comes from.

// Barten's simplified contrast sensitivity S(u) = a u exp(-b u) sqrt(1 + c exp(b u)), with
//   a = bartenA (1 + bartenALuminance / L)^bartenAExponent / (1 + bartenFieldTerm / (w (1 + u /
//   bartenFieldFrequency)^2)), b = bartenB (1 + bartenBLuminance / L)^bartenBExponent, c = bartenC,
// u in cycles per degree, L the mean luminance in cd/m², w the field's angular size in degrees.
// P. G. J. Barten, "Contrast Sensitivity of the Human Eye and its Effects on Image Quality", SPIE
// Press 1999, eq. 3.26; the same form is the eye's CTF (1/S) of the targeting task performance
// models (R. H. Vollmerhausen, E. Jacobs, R. G. Driggers, "New metric for predicting target
// acquisition performance", Opt. Eng. 43(11), 2004). The data it was fitted to were taken with both
// eyes open, so it is the binocular threshold a person at the bench has.
inline constexpr double bartenA = 540.0;
inline constexpr double bartenALuminance = 0.7;
inline constexpr double bartenAExponent = -0.2;
inline constexpr double bartenFieldTerm = 12.0;
inline constexpr double bartenFieldFrequency = 3.0;
inline constexpr double bartenB = 0.3;
inline constexpr double bartenBLuminance = 100.0;
inline constexpr double bartenBExponent = 0.15;
inline constexpr double bartenC = 0.06;

// The eye's own noise: the display noise raises the eye's threshold modulation as
// CTF sqrt(1 + alpha² sigma²), sigma the spectral density of the pattern's noise modulation as the
// eye integrates it (modulation times the root of seconds times square degrees), alpha in sqrt(Hz)
// per degree so that alpha sigma has no unit. The value is the targeting task performance models'
// (R. H. Vollmerhausen, E. Jacobs, R. G. Driggers, "New metric for predicting target acquisition
// performance", Opt. Eng. 43(11), 2004; R. H. Vollmerhausen, "Representing the observer in
// electro-optical target acquisition models", Opt. Express 17(20), 2009): the eye's own noise is
// then comparable to a screen's, so a person sees the display gain where the ideal observer does not.
inline constexpr double eyeNoiseFactor = 169.6;

// A four-bar pattern of bars seven times as long as wide spans 3.5 cycles each way: the field whose
// size enters Barten's a term.
inline constexpr double barPatternCycles = 3.5;

// The eye integrates about 0.1 to 0.2 s (Barten 1999, ch. 3, integration time 0.1 s at high
// luminance; the targeting task models use 1/15 to 0.2 s); the observer's integration time
// defaults to the upper end, as the classic formula's t_e.
inline constexpr double eyeIntegrationTime = 0.2;

// The display's grey-to-luminance law L = L_peak (g / 255)^gamma of a laboratory monitor (sRGB-like
// gamma, IEC 61966-2-1), its peak luminance, its pixel pitch and the observer's distance: the
// defaults of the bench's laboratory setting.
inline constexpr double displayGamma = 2.2;
inline constexpr double displayPeakLuminance = 100.0; // cd/m²
inline constexpr double screenPixelPitch = 0.25;      // mm
inline constexpr double screenViewingDistance = 0.5;  // m
