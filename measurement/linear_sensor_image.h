#pragma once

#include "console/bench.h"

#include <cstddef>
#include <vector>

// The physical model's SensorImage at any temperature difference from two renders of one target
// phase: every item's signal, the background's and the blur are affine in the bars' in-band signal,
// so the image at a difference is the image at none plus the bars' signal step over that at one
// kelvin times the difference the two renders give. The search then renders twice per run rather
// than at every trial.
class LinearSensorImage {
public:
    // Renders the bench at one kelvin and at none; the bench is left at none.
    explicit LinearSensorImage(Bench& console);
    // The bench as a render at this difference leaves it for the physical frames: the difference,
    // SensorImage and, while automatic, the display window. DisplayImage is not mapped again (the
    // physical frames map the signal themselves).
    void show(double kelvin);

private:
    double barSignal(double kelvin) const;
    Bench& console_;
    std::vector<float> none_, step_; // step_ over the pixels the bars reach only
    std::vector<std::size_t> reached_;
    double noneSignal_ = 0.0, stepSignal_ = 0.0;
};
