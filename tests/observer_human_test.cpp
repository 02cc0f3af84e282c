// The human observer beside the ideal one on Camera1 (physical model, a quarter of the detector at
// the same pixel angle): what the screen and the eye add must show in its readings.
#include "measurement/classic_mrtd.h"
#include "measurement/model_observer.h"

#include "observer_bench.h"

#include <gtest/gtest.h>

using testing_support::ObserverBench;

namespace {

// Each observer's mean MRTD at one frequency, from the same seeds.
std::pair<double, double> humanAndIdeal(ObserverBench& bench, int frequency, ObserverSettings settings) {
    settings.frequencies = {frequencyChoices[static_cast<std::size_t>(frequency)].frequency};
    settings.observer = ObserverKind::Human;
    const FrequencyResult human = measureObjectiveMrtd(bench.state, settings).frequencies[0];
    settings.observer = ObserverKind::Ideal;
    const FrequencyResult ideal = measureObjectiveMrtd(bench.state, settings).frequencies[0];
    EXPECT_EQ(std::pair(human.mrtd.resolved, ideal.mrtd.resolved), std::pair(settings.repeats, settings.repeats));
    return {human.mrtd.mean, ideal.mrtd.mean};
}

// The settings of the bench as it shows a window `times` as wide as the automatic one at no
// difference, its level kept: the contrast position found by bisection.
ObserverSettings widerWindow(const BenchState& prepared, int frequency, double times) {
    BenchState shown = prepared;
    MessageLog log;
    Bench bench(shown, log);
    bench.selectFrequency(frequency); // at no difference, as a frequency choice leaves it
    const double wanted = times * (shown.sim.windowHigh - shown.sim.windowLow);
    const LevelContrast automatic = bench.levelContrast();
    int wide = 0, narrow = automatic.contrast;
    while (narrow - wide > 1) {
        const int middle = (wide + narrow) / 2;
        bench.setDisplayWindow(automatic.level, middle);
        (shown.sim.windowHigh - shown.sim.windowLow >= wanted ? wide : narrow) = middle;
    }
    bench.setDisplayWindow(automatic.level, wide);
    return shownObserverSettings(bench);
}

// A change of the screen (after, or a window `widen` times the automatic one) raises the human's MRTD
// humanRise-fold, the ideal one's moving idealMoves at most; before, the human reads above the ideal
// one, and at 0.5 cycles/mrad within 0.25 to 1.5 times the scene's NETD.
struct ScreenChange {
    int frequency;
    ObserverSettings before, after;
    double widen, humanRise, idealMoves;
};

class HumanObserverScreen : public testing::TestWithParam<ScreenChange> {};

TEST_P(HumanObserverScreen, MovesTheHumanAndNotTheIdeal) {
    ScreenChange change = GetParam();
    ObserverBench bench("camera1.par", 1, true, ImageModel::Physical);
    if (change.widen > 0.0)
        change.after = widerWindow(bench.state, change.frequency, change.widen);
    const auto [human, ideal] = humanAndIdeal(bench, change.frequency, change.before);
    const auto [changedHuman, changedIdeal] = humanAndIdeal(bench, change.frequency, change.after);
    EXPECT_GT(human, ideal);
    const double netd = classicTerms(bench.state).netdScene;
    EXPECT_TRUE(change.frequency > 0 || (human >= 0.25 * netd && human <= 1.5 * netd)) << human << " K, " << netd;
    EXPECT_GE(changedHuman, change.humanRise * human) << human << " K to " << changedHuman << " K";
    EXPECT_LE(std::abs(changedIdeal / ideal - 1.0), change.idealMoves) << ideal << " K to " << changedIdeal << " K";
}

// Halving the magnifier (2 to 1) at half Nyquist doubles the frequency at the eye, where it needs
// more modulation, and halves the noise's density there: a small rise. A window four times as wide
// quarters the display gain: the eye's own threshold then outweighs the noise the ideal one reads.
INSTANTIATE_TEST_SUITE_P(Observer, HumanObserverScreen,
                         testing::Values(ScreenChange{2, {.viewing = {.magnification = 2.0}}, {}, 0.0, 1.01, 0.0},
                                         ScreenChange{0, {}, {}, 4.0, 2.0, 0.15}));

} // namespace
