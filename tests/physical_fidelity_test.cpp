// What the physical image model must show on every shipped camera, read from its fidelity report.
#include "console/bench_console.h"
#include "measurement/model_fidelity_report.h"
#include "target/target_file.h"
#include "text/messages.h"

#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

using testing_support::shippedFile;

class PhysicalFidelity : public ::testing::TestWithParam<const char*> {};

TEST_P(PhysicalFidelity, TheImageAndTheNoiseMatchTheExactPredictions) {
    BenchState state;
    MessageLog log;
    BenchConsole console(state, log);
    state.random.seed(11);
    readAtmosphereFile(shippedFile("Atmosphere.ini"), state.atmosphere);
    ASSERT_TRUE(loadCameraFile(state, shippedFile(GetParam()), CameraLoadMode::Full, log));
    console.setImageModel(ImageModel::Physical);
    console.activateCamera();
    ASSERT_TRUE(readTargetFile(shippedFile("mira.tag"), state.target, 0));
    console.updateScene();

    const ModelFidelity report = modelFidelityReport(console);
    EXPECT_EQ(report.model, ImageModel::Physical);
    ASSERT_EQ(report.frequencies.size(), 6u);
    int belowNyquist = 0;
    for (const FrequencyFidelity& f : report.frequencies) {
        SCOPED_TRACE(f.frequency);
        // Every pixel at every phase and frequency, aliased ones included.
        EXPECT_LT(f.largestPixelError, 0.01);
        EXPECT_EQ(f.unexpectedReversals, 0);
        if (f.nyquistShare <= 0.8) {
            ++belowNyquist;
            EXPECT_GE(f.ratio[0], 0.97);
            EXPECT_LE(f.ratio[2], 1.03);
            EXPECT_EQ(f.reversedPhases, 0);
        }
    }
    EXPECT_GE(belowNyquist, 2); // 0.5 and 1 cycles/mrad lie below 0.8 of Nyquist on every camera

    const NoiseFidelity& n = report.noise;
    EXPECT_GT(n.modelNetd, 0.0);
    EXPECT_NEAR(n.measuredNetd / n.modelNetd, 1.0, 0.05);
    EXPECT_LT(std::fabs(n.largestAutocorrelation), 0.05);

    ASSERT_EQ(report.exitance.size(), 4u);
    for (const ExitanceFidelity& e : report.exitance)
        EXPECT_NEAR(e.model / e.reference, 1.0, 1e-5) << e.celsius;
    EXPECT_TRUE(log.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(ShippedCameras, PhysicalFidelity,
                         ::testing::Values("camera1.par", "camera2.par", "camera3.par", "camera4.par", "camera5.par"));
