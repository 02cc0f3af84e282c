// The model observer's long runs: its calibration against the classic formula on the ideal cameras,
// and the coverage of its confidence intervals. Labelled heavy.
#include "measurement/model_observer.h"

#include "observer_bench.h"
#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

using testing_support::ObserverBench;
using testing_support::testDataFile;

TEST(ModelObserverHeavy, TheIntervalOfEightRepeatsHoldsTheGrandMeanOfTwentySeeds) {
    ObserverBench bench(testDataFile("camera/ideal_coarse.par"));
    ObserverSettings settings;
    settings.frequencies = {0, 1};
    std::vector<ObjectiveMrtd> runs;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        settings.seed = seed;
        runs.push_back(measureObjectiveMrtd(bench.state, settings));
    }
    for (std::size_t i = 0; i < settings.frequencies.size(); ++i) {
        double grand = 0.0;
        for (const ObjectiveMrtd& run : runs) {
            ASSERT_EQ(run.frequencies[i].mrtd.valued, 8);
            grand += run.frequencies[i].mrtd.mean;
        }
        grand /= static_cast<double>(runs.size());
        int holding = 0;
        for (const ObjectiveMrtd& run : runs)
            holding += run.frequencies[i].mrtd.ciLow <= grand && grand <= run.frequencies[i].mrtd.ciHigh;
        EXPECT_GE(holding, 17) << "frequency index " << settings.frequencies[i] << ", grand mean " << grand;
    }
}
