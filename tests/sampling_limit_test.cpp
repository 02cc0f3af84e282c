// The sampling limit: the Nyquist frequency from a camera file's pixel angle and doubling flags, no
// bars judged resolved past it on any shipped or test camera, and a run to the camera's limit that
// ends where it should.
#include "camera/sampling_limit.h"
#include "measurement/bar_judgement.h"
#include "measurement/model_observer.h"

#include "observer_bench.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::ObserverBench;

namespace {

struct NyquistRow {
    const char* camera;
    const char* doubled;         // "", "columns" or "rows"
    double horizontal, vertical; // cycles/mrad across vertical and across horizontal bars
};
class SamplingLimitOfTheFile : public testing::TestWithParam<NyquistRow> {};

// camera1's 17 um pixels behind 100 mm (0.17 mrad) and camera5's 12 um behind 35 mm (0.343 mrad), as
// their files describe them; camera3 scans 240 lines interlaced to 480 over 5 x 3.75 degrees, 0.136
// mrad per image pixel both ways; a matrix detector that doubles its columns samples twice as finely
// across vertical bars alone.
TEST_P(SamplingLimitOfTheFile, FollowsThePixelAngleAndTheDoubling) {
    ObserverBench bench(GetParam().camera);
    CameraSet camera = bench.state.camera.set;
    const std::string doubled = GetParam().doubled;
    camera.doubleColumns = doubled == "columns";
    camera.doubleRows = doubled == "rows";
    EXPECT_NEAR(samplingLimit(camera, false).nyquist, GetParam().horizontal, 2e-3);
    EXPECT_NEAR(samplingLimit(camera, true).nyquist, GetParam().vertical, 2e-3);
}
INSTANTIATE_TEST_SUITE_P(Rows, SamplingLimitOfTheFile,
                         testing::Values(NyquistRow{"camera1.par", "", 2.941, 2.941},
                                         NyquistRow{"camera1.par", "columns", 5.882, 2.941},
                                         NyquistRow{"camera1.par", "rows", 2.941, 5.882},
                                         NyquistRow{"camera3.par", "", 3.667, 3.667},
                                         NyquistRow{"camera5.par", "", 1.458, 1.458}));

// Every camera the bench ships or tests with.
std::vector<std::string> everyCamera() {
    std::vector<std::string> cameras;
    for (int k = 1; k <= 5; ++k)
        cameras.push_back("camera" + std::to_string(k) + ".par");
    for (const auto& entry : std::filesystem::directory_iterator(testing_support::testDataFile("camera")))
        if (entry.path().extension() == ".par")
            cameras.push_back(entry.path().string());
    return cameras;
}

class SamplingLimitOfTheObserver : public testing::TestWithParam<std::string> {};

// Bars just past the Nyquist frequency of the direction judged, at the bench's largest difference,
// are never resolved, whatever the target's phase on the pixels; at half of it they are.
TEST_P(SamplingLimitOfTheObserver, ResolvesNothingPastTheNyquistFrequency) {
    ObserverBench bench(GetParam());
    const ObserverSettings settings{.observer = ObserverKind::Ideal};
    for (bool horizontalBars : {false, true}) {
        bench.console.selectOrientation(horizontalBars);
        const double nyquist = samplingLimit(bench.state.camera.set, horizontalBars).nyquist;
        for (double share : {0.5, 1.02})
            for (double phase : {0.0, 0.25, 0.5}) {
                bench.console.setSpatialFrequency(share * nyquist);
                bench.console.setTargetPhase(phase, phase);
                bench.console.setTemperatureDifference(2.0);
                EXPECT_EQ(judgeBars(bench.state, settings).resolved, share < 1.0)
                    << (horizontalBars ? "horizontal" : "vertical") << " bars at " << share * nyquist << ", phase "
                    << phase;
            }
    }
}
INSTANTIATE_TEST_SUITE_P(Cameras, SamplingLimitOfTheObserver, testing::ValuesIn(everyCamera()));

// A run to the limit of camera5 (Nyquist 1.458): from 0.25 in steps of 0.25 cycles/mrad or 10 %,
// every frequency resolved up to the last, which is the first past the Nyquist frequency, not
// measured; the step before it halved until the last resolved one lies within 5 % of the Nyquist
// frequency.
TEST(SamplingLimitRun, StepsToTheCameraLimitAndNoFurther) {
    ObserverBench bench("camera5.par", 1, true);
    const ObjectiveMrtd run = measureObjectiveMrtd(
        bench.state, {.observer = ObserverKind::Ideal, .repeats = 2, .threads = 2, .toCameraLimit = true});
    const double nyquist = run.sampling.nyquist;
    ASSERT_GE(run.frequencies.size(), 3u);
    EXPECT_EQ(run.frequencies.front().frequency, autoLowestFrequency);
    EXPECT_EQ(run.frequencies.back().mrtd.outcome, ObserverOutcome::BeyondSamplingLimit);
    EXPECT_TRUE(run.frequencies.back().repeats.empty());
    for (std::size_t k = 0; k + 1 < run.frequencies.size(); ++k) {
        const FrequencyResult& r = run.frequencies[k];
        EXPECT_EQ(r.mrtd.outcome, ObserverOutcome::Resolved) << r.frequency;
        EXPECT_LE(r.frequency, nyquist);
        const double next = run.frequencies[k + 1].frequency;
        EXPECT_LE(next - r.frequency, std::max(autoStep, autoRelativeStep * r.frequency) + 1e-9) << r.frequency;
    }
    EXPECT_GE(run.frequencies[run.frequencies.size() - 2].frequency * autoEndRatio, nyquist);
}

} // namespace
