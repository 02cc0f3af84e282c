#pragma once

#include "console/bench_state.h"
#include "measurement/bar_frame_statistics.h"
#include "measurement/model_observer.h"

// One judgement of the bars on the bench as it stands: the frames the view presents over the eye's
// integration time, read over the bars and the gaps between them.
struct ObserverDecision {
    bool resolved = false;
    double snr = 0.0; // the contrast in standard errors, signed so that the right direction is positive
    BarContrast contrast;
    double modulation = 0.0;   // the human observer's: the displayed fundamental's modulation
    double eyeThreshold = 0.0; // and the modulation the eye needs
};

// Judges the current image: frames are drawn as the view presents them, for the integration time.
ObserverDecision judgeBars(BenchState& state, const ObserverSettings& settings);
