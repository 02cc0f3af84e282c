#include "measurement/threshold_search.h"

#include "console/session.h"
#include "measurement/bar_judgement.h"
#include "measurement/classic_mrtd.h"
#include "measurement/human_chain.h"
#include "measurement/linear_sensor_image.h"
#include "text/messages.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

namespace {

// splitmix64: turns (seed, repeat, frequency) into well-spread, independent streams.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double unitOf(std::uint64_t bits) {
    return static_cast<double>(bits >> 11) * 0x1.0p-53;
}

// The grid outwards from 0: coarse steps of ten until the bars are resolved, then single steps over
// the last coarse one.
HalfResult gridHalf(Bench& console, const ObserverSettings& settings, int direction, const std::atomic<bool>* cancel) {
    auto resolvedAt = [&](int steps) {
        console.setTemperatureOnGrid(direction * steps / temperatureGridStepsPerKelvin);
        return judgeBars(console.state(), settings).resolved;
    };
    const int last = temperatureGridSteps;
    constexpr int coarse = 10;
    int previous = 0;
    for (int steps = coarse; steps <= last; steps += coarse) {
        if (cancel && *cancel)
            return {};
        if (resolvedAt(steps)) {
            int found = steps;
            for (int fine = previous + 1; fine < steps; ++fine)
                if (resolvedAt(fine)) {
                    found = fine;
                    break;
                }
            // The first step, or the last, says only that the threshold lies beyond the grid.
            const bool cut = found == 1 || found == last;
            return {cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved,
                    direction * found / temperatureGridStepsPerKelvin};
        }
        previous = steps;
    }
    return {};
}

// The smallest difference that resolves the bars, searched on the difference itself: doubling or
// halving from a guess until the threshold is bracketed, then bisection to the resolution. linear,
// when given, shows each difference without rendering.
HalfResult continuousHalf(Bench& console, LinearSensorImage* linear, const ObserverSettings& settings, int direction,
                          double guess, const std::atomic<bool>* cancel) {
    auto resolvedAt = [&](double kelvin) {
        if (linear)
            linear->show(direction * kelvin);
        else
            console.setTemperatureDifference(direction * kelvin);
        return judgeBars(console.state(), settings).resolved;
    };
    const double floor = settings.resolution;
    double low, high;
    guess = std::clamp(guess, 2.0 * floor, temperatureGridLimit);
    if (resolvedAt(guess)) {
        high = guess;
        low = guess / 2;
        while (true) {
            if (cancel && *cancel)
                return {};
            if (low <= floor)
                return {ObserverOutcome::CutAtRange, direction * high};
            if (!resolvedAt(low))
                break;
            high = low;
            low /= 2;
        }
    } else {
        low = guess;
        high = std::min(2 * guess, temperatureGridLimit);
        while (true) {
            if (cancel && *cancel)
                return {};
            if (resolvedAt(high))
                break;
            if (high >= temperatureGridLimit)
                return {};
            low = high;
            high = std::min(2 * high, temperatureGridLimit);
        }
    }
    while (high - low > floor) {
        if (cancel && *cancel)
            return {};
        const double middle = (low + high) / 2;
        (resolvedAt(middle) ? high : low) = middle;
    }
    const bool cut = high >= temperatureGridLimit - floor;
    return {cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved, direction * high};
}

} // namespace

RepeatResult measureRepeat(BenchState& state, const ObserverSettings& settings, double frequency, int repeat,
                           const std::atomic<bool>* cancel) {
    RepeatResult result;
    // The bench's six keep the streams their runs have always had; any other frequency draws its own
    // from its value.
    const int index = frequencyIndexOf(frequency);
    const std::uint64_t key =
        index >= 0 ? mix(static_cast<std::uint64_t>(repeat) * 64 + static_cast<std::uint64_t>(index))
                   : mix(static_cast<std::uint64_t>(repeat) * 64 + 63) ^ mix(std::bit_cast<std::uint64_t>(frequency));
    const std::uint64_t stream = mix(mix(settings.seed) ^ key);
    state.random.seed(static_cast<std::uint32_t>(stream));
    result.phaseX = unitOf(mix(stream + 1));
    result.phaseY = unitOf(mix(stream + 2));

    DiscardMessages messages;
    Bench console(state, messages);
    if (settings.displayWindow)
        console.setDisplayWindow(settings.displayWindow->level, settings.displayWindow->contrast);
    console.setSpatialFrequency(frequency);
    console.setTargetPhase(result.phaseX, result.phaseY);

    const double f = frequency;
    if (settings.grid) {
        result.plus = gridHalf(console, settings, 1, cancel);
        result.minus = gridHalf(console, settings, -1, cancel);
    } else {
        // The classic formula is a good first guess; the other half starts where the first ended.
        const ClassicTerms terms = classicTerms(state);
        const double classic = settings.observer == ObserverKind::Human
                                   ? classicHumanMrtd(terms, displayTerms(state, settings.viewing), settings, f)
                                   : classicMrtd(terms, f, settings.thresholdSnr, settings.integrationTime);
        // The physical model's frames read the signal itself, so two renders serve the whole search.
        std::optional<LinearSensorImage> linear;
        if (state.sim.imageModel == ImageModel::Physical)
            linear.emplace(console);
        LinearSensorImage* shown = linear ? &*linear : nullptr;
        result.plus = continuousHalf(console, shown, settings, 1,
                                     std::isfinite(classic) ? classic : temperatureGridLimit / 2, cancel);
        const double second = result.plus.outcome != ObserverOutcome::NotResolved ? result.plus.value : classic;
        result.minus = continuousHalf(console, shown, settings, -1,
                                      std::isfinite(second) ? second : temperatureGridLimit / 2, cancel);
    }
    if (result.plus.outcome != ObserverOutcome::NotResolved && result.minus.outcome != ObserverOutcome::NotResolved) {
        const bool cut =
            result.plus.outcome == ObserverOutcome::CutAtRange || result.minus.outcome == ObserverOutcome::CutAtRange;
        result.mrtd = {cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved,
                       (result.plus.value - result.minus.value) / 2};
    }
    return result;
}
