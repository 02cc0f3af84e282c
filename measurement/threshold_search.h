#pragma once

#include "console/bench_state.h"
#include "measurement/model_observer.h"

#include <atomic>

// One run at one frequency on a bench of its own: its noise and the target's sub-pixel phase seeded
// from the settings' seed, the repeat and the frequency; the smallest difference that resolves the
// bars searched on either side of none (on the trackbar's grid, or continuously from the classic
// formula's guess), and the MRTD (ΔT+ − ΔT−)/2 when both halves gave one. The results depend on
// these indices alone, whichever thread runs them.
RepeatResult measureRepeat(BenchState& state, const ObserverSettings& settings, double frequency, int repeat,
                           const std::atomic<bool>* cancel = nullptr);
