// What the physical image model must show on every shipped camera, read from its fidelity report.
#include "measurement/model_fidelity_report.h"

#include "observer_bench.h"

#include <cmath>

#include <gtest/gtest.h>

class PhysicalFidelity : public ::testing::TestWithParam<const char*> {};

TEST_P(PhysicalFidelity, TheImageAndTheNoiseMatchTheExactPredictions) {
    testing_support::ObserverBench bench(GetParam(), 11, false, ImageModel::Physical);
    const Target before = bench.state.target;
    const ModelFidelity report = modelFidelityReport(bench.console);
    EXPECT_EQ(report.model, ImageModel::Physical);
    ASSERT_EQ(report.frequencies.size(), 6u);
    int belowNyquist = 0;
    for (const FrequencyFidelity& f : report.frequencies) {
        SCOPED_TRACE(f.frequency);
        // Every pixel at every phase and frequency, aliased ones included.
        EXPECT_LT(f.largestPixelError, 0.01);
        EXPECT_EQ(f.unexpectedReversals, 0);
        if (f.nyquistShare > 0.8)
            continue;
        ++belowNyquist;
        // The exact sum of the blurs and 24 cells a pixel side at the edges: within 0.1 %.
        EXPECT_TRUE(f.ratio[0] >= 0.999 && f.ratio[2] <= 1.001) << f.ratio[0] << " ... " << f.ratio[2];
        EXPECT_EQ(f.reversedPhases, 0);
    }
    EXPECT_GE(belowNyquist, 2); // 0.5 and 1 cycles/mrad lie below 0.8 of Nyquist on every camera
    EXPECT_GT(report.noise.modelNetd, 0.0);
    EXPECT_NEAR(report.noise.measuredNetd / report.noise.modelNetd, 1.0, 0.05);
    EXPECT_LT(std::fabs(report.noise.largestAutocorrelation), 0.05);
    ASSERT_EQ(report.exitance.size(), 4u);
    for (const ExitanceFidelity& e : report.exitance)
        EXPECT_NEAR(e.model / e.reference, 1.0, 1e-5) << e.celsius;
    testing_support::expectSameItems(before, bench.state.target); // the noise scene was the report's own
}

INSTANTIATE_TEST_SUITE_P(ShippedCameras, PhysicalFidelity,
                         ::testing::Values("camera1.par", "camera2.par", "camera3.par", "camera4.par", "camera5.par"));
