#pragma once

#include "console/bench_state.h"

// The classic static formula MRTD(f) = π²/(4√14) · SNR_th · NETD_scene · f / MTF(f) · √(αβ/(t_e F_R))
// for the camera in use, with MTF the Gaussian blur times the pixel aperture. Noise shared along the
// bars' length (column noise under vertical bars, row noise under horizontal ones) does not average
// along them: it counts n times in the per-pixel variance, n the pixels read along the bars, as the
// three-dimensional noise model's sigma_v term (J. A. D'Agostino and C. M. Webb, "Three-dimensional
// analysis framework and measurement methodology for imaging system noise", Proc. SPIE 1488, 110-121,
// 1991).
struct ClassicTerms {
    double netdScene = 0.0; // K, per-pixel noise at the scene temperature, referred to the target through the air
    double alpha = 0.0;     // the pixel angles across and along the bars, mrad (horizontal and
    double beta = 0.0;      // vertical for vertical bars, the other way round for horizontal ones)
    double sigma = 0.0;     // the Gaussian blur across the bars, mrad
    double frameRate = 0.0;
    double signalPerKelvin = 0.0; // the in-band signal's slope at the scene temperature, through the air
    double netdColumn = 0.0;      // K, the noise shared along the bars' length, per frame
};
ClassicTerms classicTerms(const BenchState& state);
double classicMrtd(const ClassicTerms& terms, double f, double thresholdSnr, double integrationTime);
double classicMtf(const ClassicTerms& terms, double f);
