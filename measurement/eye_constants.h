#pragma once

// The human eye and the screen in front of it, as the human observer models them. Each number is
// named once here, beside the publication it comes from; none was fitted to a camera file's curve.

// Barten's simplified contrast sensitivity S(u) = a u exp(-b u) sqrt(1 + c exp(b u)), with
//   a = bartenA (1 + bartenALuminance / L)^bartenAExponent / (1 + bartenFieldTerm / (w (1 + u /
//   bartenFieldFrequency)^2)), b = bartenB (1 + bartenBLuminance / L)^bartenBExponent, c = bartenC,
// u in cycles per degree, L the mean luminance in cd/m², w the field's angular size in degrees.
// P. G. J. Barten, "Formula for the contrast sensitivity of the human eye", Proc. SPIE 5294,
// 231-238 (2004), fitted to the threshold data of his book (Contrast Sensitivity of the Human Eye and
// its Effects on Image Quality, SPIE Press 1999). Its data were taken with both eyes open, so 1/S is
// the binocular threshold modulation; the targeting task performance models use it as the eye's CTF
// with the factor sqrt(2 / eyes), which is 1 for a person at the bench.
inline constexpr double bartenA = 540.0;
inline constexpr double bartenALuminance = 0.7;
inline constexpr double bartenAExponent = -0.2;
inline constexpr double bartenFieldTerm = 12.0;
inline constexpr double bartenFieldFrequency = 3.0;
inline constexpr double bartenB = 0.3;
inline constexpr double bartenBLuminance = 100.0;
inline constexpr double bartenBExponent = 0.15;
inline constexpr double bartenC = 0.06;

// A four-bar pattern of bars seven times as long as wide spans 3.5 cycles each way: the field whose
// size enters Barten's a term, and the length along the bars over which the eye integrates noise.
inline constexpr double barPatternCycles = 3.5;

// The eye's noise, as the targeting task performance models treat it: display noise raises the
// threshold by the noise factor sqrt(1 + alpha² Phi), Phi the display noise's variance (in
// modulation², over the eye's integration time) that passes the eye and the spatial channel the eye
// uses at the pattern's frequency, and
//   alpha² = eyes gamma² / (1 + beta² Q_e / (L_fL A_pupil)),
// gamma the inverse of the eye's own (Weber-law) contrast noise, beta the photon noise inside the
// eye in root-Trolands times seconds, Q_e the eye's temporal bandwidth, L_fL the display's mean
// luminance in foot-lamberts and A_pupil the pupil's area in mm². At a low luminance the eye's photon
// noise outweighs the display's, so alpha falls with the luminance.
// R. H. Vollmerhausen, "Representing the observer in electro-optical target acquisition models",
// Opt. Express 17(20), 17253-17268 (2009); the same constants in R. H. Vollmerhausen, D. A. Reago and
// R. G. Driggers, "Analysis and Evaluation of Sampled Imaging Systems", SPIE Press TT87 (2010),
// appendix A (the observer's psychophysical parameters).
inline constexpr double eyeCount = 2.0;
inline constexpr double eyeNoiseGamma = 240.0;
inline constexpr double eyePhotonNoiseBeta = 4.9;    // (root-Troland) seconds
inline constexpr double eyeTemporalBandwidth = 4.75; // Hz
// The channel the eye sees a pattern of frequency u through: exp(-eyeChannelWidth ln²(v / u)) at
// frequency v, a band about an octave wide (Vollmerhausen 2009, as above; R. H. Vollmerhausen,
// E. Jacobs and R. G. Driggers, "New metric for predicting target acquisition performance", Opt.
// Eng. 43(11), 2806-2818 (2004)). Along a bar pattern's bars the eye integrates over their length,
// as the MRT models have it (R. H. Vollmerhausen, "Predicting the effect of gain, level, and sampling
// on minimum resolvable temperature measurements", Opt. Eng. 48(7), 076401 (2009)).
inline constexpr double eyeChannelWidth = 2.2;

// The eye's MTF, v in cycles per milliradian at the eye, D the pupil's diameter in mm:
//   exp(-(v / E0)^i0) exp(-eyeRetinaScale v^eyeRetinaExponent) exp(-eyeTremorScale v²),
//   E0 = exp(eyeOpticsE0Offset - eyeOpticsE0Slope D² log10 D) / eyeOpticsE0Divisor,
//   i0 = (eyeOpticsI0Offset + eyeOpticsI0Slope / sqrt(D))²:
// the eye's optics, its retina and its tremor, after I. Overington, "Vision and Acquisition",
// Pentech Press, London (1976), as the thermal imager models carry it (NVTherm, "Night Vision
// Thermal Imaging Systems Performance Model, User's Manual and Reference Guide", U.S. Army Night
// Vision and Electronic Sensors Directorate, rev. 5, 2001).
inline constexpr double eyeOpticsE0Offset = 3.663;
inline constexpr double eyeOpticsE0Slope = 0.04974;
inline constexpr double eyeOpticsE0Divisor = 43.69;
inline constexpr double eyeOpticsI0Offset = 0.7155;
inline constexpr double eyeOpticsI0Slope = 0.277;
inline constexpr double eyeRetinaScale = 0.375;
inline constexpr double eyeRetinaExponent = 1.21;
inline constexpr double eyeTremorScale = 0.4441;
// The pupil's diameter in mm at a luminance L, with both eyes open:
//   pupilOffset + pupilScale exp(-log10(L) / pupilDecades) - pupilBinocular,
// the same model's fit (NVTherm, as above) to S. G. de Groot and J. W. Gebhard, "Pupil size as
// determined by adapting luminance", J. Opt. Soc. Am. 42(7), 492-495 (1952). With L in cd/m² it
// lies within 0.3 mm of their own formula for one eye from 0.1 to 100 cd/m² (in foot-lamberts it
// would stray by 0.6 mm at the top), so cd/m² is the unit it is read in.
inline constexpr double pupilOffset = -9.011;
inline constexpr double pupilScale = 13.23;
inline constexpr double pupilDecades = 21.082;
inline constexpr double pupilBinocular = 0.5;
// One foot-lambert is 1/pi candela per square foot.
inline constexpr double candelasPerFootLambert = 3.4262591;

// The threshold factor h on the eye's CTF and the noise efficiency eta on the eye's noise term
// (threshold h CTF sqrt(1 + alpha² Phi / eta)). Barten's formula describes detection thresholds: the
// modulation at which a grating is told from a uniform field in a forced choice between two, 75 %
// correct, a sensitivity d' = sqrt(2) z(0.75) = 0.954. A person reading an MRTD instead says
// "resolved" of one pattern, and only when sure of it: a yes-no judgement made at 50 % hits with
// 1 % false alarms, d' = z(0.99) = 2.326. Near threshold d' grows in proportion to the modulation, so
// the MRTD observer needs 2.326 / 0.954 = 2.44 times Barten's threshold (the signal detection theory
// of D. M. Green and J. A. Swets, "Signal Detection Theory and Psychophysics", Wiley 1966, ch. 2 and 4;
// the ratio of forced-choice to yes-no thresholds after H. R. Blackwell, "Studies of psychophysical
// methods for measuring visual thresholds", J. Opt. Soc. Am. 42(9), 606-616, 1952). The noise term
// keeps the published model's weight: gamma and beta were set from people's thresholds in noise
// (Vollmerhausen 2009, as above). These are the chain's only factors and neither was fitted to a
// camera; a laboratory fits both to its own observers (`tervix-cli observer fit`).
inline constexpr double publishedThresholdFactor = 2.44;
inline constexpr double publishedNoiseEfficiency = 1.0;

// The eye integrates over about 0.2 s: the reciprocal of its temporal bandwidth eyeTemporalBandwidth
// (0.21 s), and the classic formula's t_e.
inline constexpr double eyeIntegrationTime = 0.2;

// The display's grey-to-luminance law L = L_black + (L_peak - L_black) (g / 255)^gamma of a laboratory
// monitor (sRGB-like gamma, IEC 61966-2-1), its peak luminance, its pixel pitch and the observer's
// distance: the defaults of the bench's laboratory setting, 0.4 to 0.6 m from an office monitor of 80
// to 250 cd/m². The black level is none unless a laboratory measures its own.
inline constexpr double displayGamma = 2.2;
inline constexpr double displayPeakLuminance = 100.0; // cd/m²
inline constexpr double displayBlackLuminance = 0.0;  // cd/m²
inline constexpr double screenPixelPitch = 0.25;      // mm
inline constexpr double screenViewingDistance = 0.5;  // m
