#pragma once

#include "console/session.h"

#include <optional>

// A reading of camera slot 1 in the specified model, at 0.5 cycles/mrad on vertical bars unless
// given; the half follows from the difference.
inline SessionReading sessionReading(const char* who, std::optional<double> deltaT, double f = 0.5,
                                     const char* bars = orientationVertical) {
    const char* half = deltaT && *deltaT < 0.0 ? halfMinus : halfPlus;
    return {"2026-12-07T10:00:00Z", who, 1, "camera1.par", imageModelSpecified, bars, f, half, deltaT, {}, {}};
}
