#include "measurement/objective_run_of.h"

#include "console/session.h"
#include "text/version.h"

#include <algorithm>
#include <cmath>

namespace {

RunOutcome outcomeOf(ObserverOutcome outcome) {
    switch (outcome) {
    case ObserverOutcome::Resolved:
        return RunOutcome::Resolved;
    case ObserverOutcome::CutAtRange:
        return RunOutcome::CutAtRange;
    case ObserverOutcome::BeyondSamplingLimit:
        return RunOutcome::BeyondSamplingLimit;
    case ObserverOutcome::NotResolved:
        break;
    }
    return RunOutcome::NotResolved;
}

RunHalf runHalfOf(const HalfResult& h) {
    const bool valued = h.outcome == ObserverOutcome::Resolved || h.outcome == ObserverOutcome::CutAtRange;
    return {outcomeOf(h.outcome), valued ? h.value : 0.0};
}

RunSummary summaryOf(const RepeatSummary& s) {
    return {outcomeOf(s.outcome), s.mean, s.sd, s.ciLow, s.ciHigh, s.resolved, s.valued, s.repeats};
}

// The observer gives a negative curve value outside the camera file's curve and may give a formula
// no finite value; the record keeps neither as a number.
std::optional<double> valueOf(double kelvin, bool onlyPositive) {
    if (!std::isfinite(kelvin) || (onlyPositive && !(kelvin > 0.0)))
        return std::nullopt;
    return kelvin;
}

} // namespace

std::vector<RunFrequency> runFrequenciesOf(const ObjectiveMrtd& result) {
    std::vector<RunFrequency> frequencies;
    for (const FrequencyResult& r : result.frequencies) {
        RunFrequency& f = frequencies.emplace_back();
        f.frequency = r.frequency;
        f.mrtd = summaryOf(r.mrtd);
        f.plus = summaryOf(r.plus);
        f.minus = summaryOf(r.minus);
        f.classic = valueOf(r.classic, false);
        f.classicHuman = valueOf(r.classicHuman, false);
        f.cameraCurve = valueOf(r.cameraCurve, true);
        for (const RepeatResult& repeat : r.repeats)
            f.repeats.push_back({runHalfOf(repeat.plus), runHalfOf(repeat.minus), runHalfOf(repeat.mrtd)});
    }
    return frequencies;
}

ObjectiveRun objectiveRunOf(const ObjectiveMrtd& result, const ObserverSettings& settings,
                            const ObjectiveRunSource& source) {
    ObjectiveRun run;
    run.slot = source.slot;
    run.cameraFile = source.cameraFile;
    run.cameraSha256 = source.cameraSha256;
    run.imageModel = source.imageModel;
    run.observer = observerName(result.observer);
    const ScreenViewing& screen = settings.viewing;
    run.viewing = {
        result.viewing,     settings.thresholdSnr, settings.integrationTime, settings.grid,        settings.resolution,
        screen.screenPixel, screen.distance,       screen.magnification,     screen.peakLuminance, std::nullopt,
        screen.gamma,       screen.blackLuminance, settings.profile.name};
    if (settings.displayWindow)
        run.viewing.displayWindow = RunDisplayWindow{settings.displayWindow->level, settings.displayWindow->contrast};
    run.orientation = result.horizontalBars ? orientationHorizontal : orientationVertical;
    run.frequencies = runFrequenciesOf(result);
    if (result.sampling.nyquist > 0.0)
        run.nyquist = result.sampling.nyquist;
    run.referenceBelow = result.referenceBelow;
    run.seed = settings.seed;
    run.repeats = std::max(1, settings.repeats);
    run.version = tervixVersion;
    return run;
}
