// The human observer beside the ideal one on Camera1 (physical model, a quarter of the detector at
// the same pixel angle): what the screen and the eye add must show in its readings.
#include "measurement/model_observer.h"

#include "observer_bench.h"

#include <gtest/gtest.h>

using testing_support::ObserverBench;

namespace {

// Each observer's mean MRTD at one frequency, from the same seeds.
std::pair<double, double> humanAndIdeal(ObserverBench& bench, int frequency, ObserverSettings settings) {
    settings.frequencies = {frequency};
    settings.observer = ObserverKind::Human;
    const FrequencyResult human = measureObjectiveMrtd(bench.state, settings).frequencies[0];
    settings.observer = ObserverKind::Ideal;
    const FrequencyResult ideal = measureObjectiveMrtd(bench.state, settings).frequencies[0];
    EXPECT_EQ(std::pair(human.mrtd.resolved, ideal.mrtd.resolved), std::pair(settings.repeats, settings.repeats));
    return {human.mrtd.mean, ideal.mrtd.mean};
}

// The Level and Contrast positions that show the pattern at no difference `times` as wide a window
// as the automatic one does, the level kept: the contrast position found by bisection.
LevelContrast widerWindow(const BenchState& prepared, int frequency, double times) {
    BenchState shown = prepared;
    MessageLog log;
    Bench bench(shown, log);
    bench.selectFrequency(frequency);
    bench.setTemperatureDifference(0.0);
    const double wanted = times * (shown.sim.windowHigh - shown.sim.windowLow);
    const int level = bench.levelContrast().level;
    int wide = 0, narrow = bench.levelContrast().contrast;
    while (narrow - wide > 1) {
        const int middle = (wide + narrow) / 2;
        bench.setDisplayWindow(level, middle);
        (shown.sim.windowHigh - shown.sim.windowLow >= wanted ? wide : narrow) = middle;
    }
    return {level, wide};
}

// At 0.5 cycles/mrad the human reads near the noise at the scene and above the ideal observer.
TEST(HumanObserver, ReadsAboveTheIdealOneNearTheSceneNetd) {
    ObserverBench bench("camera1.par", 1, true, ImageModel::Physical);
    const double netd = classicTerms(bench.state).netdScene;
    const auto [low, lowIdeal] = humanAndIdeal(bench, 0, {});
    EXPECT_GT(low, lowIdeal);
    EXPECT_TRUE(low >= 0.25 * netd && low <= 1.5 * netd) << low << " K against " << netd << " K";
}

// A change of the screen the ideal observer does not see, or hardly: the human's MRTD must rise by
// at least humanRise while the ideal one's stays within idealMoves of where it was.
struct ScreenChange {
    const char* name;
    int frequency;
    ObserverSettings before, after; // after's display window, when none, is `widen` times the automatic one
    double widen;
    double humanRise, idealMoves;
};

void PrintTo(const ScreenChange& change, std::ostream* out) {
    *out << change.name;
}

class HumanObserverScreen : public testing::TestWithParam<ScreenChange> {};

TEST_P(HumanObserverScreen, MovesTheHumanAndNotTheIdeal) {
    ScreenChange change = GetParam();
    ObserverBench bench("camera1.par", 1, true, ImageModel::Physical);
    if (change.widen > 0.0)
        change.after.displayWindow = widerWindow(bench.state, change.frequency, change.widen);
    const auto [human, ideal] = humanAndIdeal(bench, change.frequency, change.before);
    const auto [changedHuman, changedIdeal] = humanAndIdeal(bench, change.frequency, change.after);
    EXPECT_GE(changedHuman, change.humanRise * human) << human << " K to " << changedHuman << " K";
    EXPECT_LE(std::abs(changedIdeal / ideal - 1.0), change.idealMoves) << ideal << " K to " << changedIdeal << " K";
}

// Halving the magnifier (2 to 1) at 1.5 cycles/mrad, half the Nyquist frequency of the 0.17 mrad
// pixels, doubles the pattern's frequency at the eye, where the eye needs more modulation; it also
// halves the noise's density at the eye, so the rise is small (a few per cent). A window
// four times as wide as the automatic one at 0.5 cycles/mrad quarters the display gain: the eye's
// own threshold then outweighs the screen's noise, while the ideal observer reads the same noise.
INSTANTIATE_TEST_SUITE_P(
    Observer, HumanObserverScreen,
    testing::Values(ScreenChange{"HalvedMagnifier", 2, {.viewing = {.magnification = 2.0}}, {}, 0.0, 1.01, 0.0},
                    ScreenChange{"FourTimesWiderWindow", 0, {}, {}, 4.0, 2.0, 0.15}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
