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

// At 0.5 cycles/mrad the human reads near the noise at the scene; at 1.5 cycles/mrad, half the
// Nyquist frequency of the 0.17 mrad pixels, halving the magnifier (2 to 1) doubles the pattern's
// frequency at the eye, where the eye needs more modulation; the ideal observer does not see the
// screen at all.
TEST(HumanObserver, ReadsAboveTheIdealOneNearTheSceneNetdAndFollowsTheMagnifier) {
    ObserverBench bench("camera1.par", 1, true, ImageModel::Physical);
    const double netd = classicTerms(bench.state).netdScene;
    const auto [low, lowIdeal] = humanAndIdeal(bench, 0, {});
    EXPECT_GT(low, lowIdeal);
    EXPECT_TRUE(low >= 0.25 * netd && low <= 1.5 * netd) << low << " K against " << netd << " K";
    ObserverSettings magnified;
    magnified.viewing.magnification = 2.0;
    const auto [halfNyquist, halfNyquistIdeal] = humanAndIdeal(bench, 2, magnified);
    const auto [smaller, smallerIdeal] = humanAndIdeal(bench, 2, {});
    EXPECT_GT(halfNyquist, halfNyquistIdeal);
    EXPECT_GT(smaller, 1.2 * halfNyquist);
    EXPECT_EQ(smallerIdeal, halfNyquistIdeal);
}

} // namespace
