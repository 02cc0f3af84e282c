#pragma once

// The chance of doing a task with N cycles across the target, the target transfer probability
// function of the cycle-criteria range models: P = x^E / (1 + x^E) with x = N / N50 and
// E = 2.7 + 0.7 x.
double taskProbability(double cyclesRatio);
// The ratio N / N50 at which taskProbability gives p, for p in (0, 1).
double cyclesRatioFor(double p);
