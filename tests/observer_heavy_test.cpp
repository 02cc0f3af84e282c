// The model observer's long runs: its calibration against the classic formula on the ideal cameras,
// and the coverage of its confidence intervals. Labelled heavy.
#include "measurement/classic_mrtd.h"
#include "measurement/model_observer.h"

#include "observer_bench.h"

#include <gtest/gtest.h>

using testing_support::ObserverBench;
using testing_support::testDataFile;

TEST(ModelObserverHeavy, TheIntervalOfEightRepeatsHoldsTheGrandMeanOfTwentySeeds) {
    ObserverBench bench(testDataFile("camera/ideal_coarse.par"));
    ObserverSettings settings{.observer = ObserverKind::Ideal, .frequencies = {0.5, 1.0}};
    std::vector<ObjectiveMrtd> runs;
    for (settings.seed = 1; settings.seed <= 20; ++settings.seed)
        runs.push_back(measureObjectiveMrtd(bench.state, settings));
    for (std::size_t i = 0; i < settings.frequencies.size(); ++i) {
        double grand = 0.0;
        for (const ObjectiveMrtd& run : runs) {
            ASSERT_EQ(run.frequencies[i].mrtd.valued, 8);
            grand += run.frequencies[i].mrtd.mean / static_cast<double>(runs.size());
        }
        int holding = 0;
        for (const ObjectiveMrtd& run : runs)
            holding += run.frequencies[i].mrtd.ciLow <= grand && grand <= run.frequencies[i].mrtd.ciHigh;
        EXPECT_GE(holding, 17) << "frequency " << settings.frequencies[i] << ", grand mean " << grand;
    }
}

// The calibration: on ideal cameras (Gaussian blur of 0.2 pixel, white or photon-limited per-pixel
// noise only) in the physical image model, each observer lies near its reference at every bench
// frequency from 0.5 cycles/mrad up to half the Nyquist frequency, with one threshold each: the
// ideal observer within 15 % of the classic formula, the human one within 20 % of classicHuman.
// coarse stops at 0.5 cycles/mrad: at 1 the ideal observer reads 13 % above the classic formula and
// the human one, limited by the same noise, 23 % above classicHuman (the guide's calibration table).
struct CalibrationCamera {
    const char* name;
    std::vector<double> frequencies;
};

class IdealCameraCalibration : public testing::TestWithParam<std::tuple<CalibrationCamera, ObserverKind>> {};

TEST_P(IdealCameraCalibration, TheObjectiveMrtdFollowsItsReference) {
    const auto& [camera, observer] = GetParam();
    ObserverBench bench(testDataFile(std::string("camera/ideal_") + camera.name + ".par"), 1, false,
                        ImageModel::Physical);
    // One repeat spreads about 25 %; 32 bring the mean's own spread to under 5 %.
    const ObserverSettings settings{.observer = observer, .repeats = 32, .frequencies = camera.frequencies};
    const ObjectiveMrtd result = measureObjectiveMrtd(bench.state, settings);
    const ClassicTerms terms = classicTerms(bench.state);
    EXPECT_LT(terms.sigma, 0.3 * terms.alpha);
    const bool human = observer == ObserverKind::Human;
    for (const FrequencyResult& r : result.frequencies) {
        SCOPED_TRACE(r.frequency);
        const double reference = human ? r.classicHuman : r.classic;
        EXPECT_EQ(r.mrtd.resolved, settings.repeats);
        EXPECT_NEAR(r.mrtd.mean / reference, 1.0, human ? 0.2 : 0.15)
            << "objective " << r.mrtd.mean << " K (sd " << r.mrtd.sd << "), reference " << reference << " K";
    }
}

// Pixel angle, NETD, frame rate (10 to 60 Hz), noise and the blur flag (twice the noise) differ:
// fine 0.15 mrad 50 mK 15 Hz; coarse 0.25 mrad 100 mK 10 Hz; mwir50 0.09 mrad 50 mK at 25 C, 50 Hz,
// photon-limited with the flag; fast60 0.2 mrad 30 mK 60 Hz; photon25 0.12 mrad 80 mK 25 Hz
// photon-limited; flag30 0.3 mrad 100 mK 30 Hz with the flag.
INSTANTIATE_TEST_SUITE_P(Observer, IdealCameraCalibration,
                         testing::Combine(testing::Values(CalibrationCamera{"fine", {0.5, 1, 1.5}},
                                                          CalibrationCamera{"coarse", {0.5}},
                                                          CalibrationCamera{"mwir50", {0.5, 1, 1.5, 2}},
                                                          CalibrationCamera{"fast60", {0.5, 1, 1.5}},
                                                          CalibrationCamera{"photon25", {0.5, 1, 1.5, 2}},
                                                          CalibrationCamera{"flag30", {0.5}}),
                                          testing::Values(ObserverKind::Ideal, ObserverKind::Human)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    observerName(std::get<1>(info.param));
                         });
