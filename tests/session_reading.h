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

// A model observer's run of a slot as the session keeps it: two repeats at 0.5 and 1 cycles/mrad,
// the second resolved once only, the camera file's curve known at the first.
inline ObjectiveRun objectiveRun(int slot, const char* bars, double mean = 0.12) {
    const RunHalf plus{RunOutcome::Resolved, mean}, minus{RunOutcome::Resolved, -mean}, none{};
    const RunSummary both{RunOutcome::Resolved, mean, 0.01, mean - 0.02, mean + 0.02, 2, 2, 2};
    const RunSummary once{RunOutcome::CutAtRange, 2 * mean, 0.0, 2 * mean, 2 * mean, 0, 1, 2};
    ObjectiveRun run{"2026-12-07T10:30:00.000Z",
                     slot,
                     "camera" + std::to_string(slot) + ".par",
                     std::string(64, 'a'),
                     imageModelSpecified,
                     "human",
                     RunViewing{"human observer at the laboratory screen", 2.5, 0.2, false, 1e-4, 0.25, 0.6, 2.0, 200.0,
                                RunDisplayWindow{480, 30}, 2.2, 0.5, "lab.json"},
                     bars,
                     {},
                     std::nullopt,
                     {},
                     7,
                     2,
                     "2.1"};
    run.frequencies.push_back({0.5, both, both, both, 0.1, 0.11, 0.09, {{plus, minus, plus}, {plus, minus, plus}}});
    run.frequencies.push_back({1.0,
                               once,
                               once,
                               once,
                               std::nullopt,
                               0.3,
                               std::nullopt,
                               {{plus, none, none}, {{RunOutcome::CutAtRange, 2.0}, minus, none}}});
    return run;
}
