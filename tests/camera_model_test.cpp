// The camera model an activation builds: blur widths and kernels from the file's values and the
// atmosphere, the noise table and the signal table. The shipped cameras' kernels (modes 0 to 4, their
// widths and taps), mode 2's NETD and frame noise from the MRTD curve and the blur flag's halved
// widths and doubled NETD are pinned by the golden cases (camera3, the two test cameras).
#include "sim/camera_model.h"
#include "sim/in_band_exitance.h"
#include "sim/noise.h"
#include "sim/render.h"

#include "sim_fixture.h"
#include "test_support.h"

#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

using testing_support::DataRow;

namespace {

bool onFitGrid(double w) {
    const double k = (w - 0.0001) / 0.01;
    return std::fabs(k - std::round(k)) < 1e-4;
}

class CombineBlurPair : public ::testing::TestWithParam<DataRow> {};

// Two widths add in quadrature, landing on the fit's grid; with one of them zero the other stays.
TEST_P(CombineBlurPair, AddsInQuadratureOnTheFitGrid) {
    const auto a = static_cast<float>(GetParam()[0]), b = static_cast<float>(GetParam()[1]);
    const float w = CombineBlur(a, b);
    if (a == 0.0f || b == 0.0f) {
        EXPECT_EQ(w, a + b);
    } else {
        EXPECT_NEAR(w, std::hypot(a, b), 0.0101);
        EXPECT_TRUE(onFitGrid(w)) << w;
    }
}
INSTANTIATE_TEST_SUITE_P(Pairs, CombineBlurPair, TERVIX_TABLE_ROWS("tables/blur_pairs.txt"));

TEST(BlurModel, TheFitLandsOnTheGridBelowFourMrad) {
    std::vector<double> f{0, 0.5, 1, 1.5, 2}, mtf;
    for (double x : f)
        mtf.push_back(std::exp(-2 * M_PI * M_PI * 0.2345 * 0.2345 * x * x));
    EXPECT_NEAR(FitBlurWidth(f, mtf, 0.01), 0.2301, 1e-9); // the grid value nearest 0.2345 in the squared error
    // Points no width matches still give the best grid value, never a negative one.
    const double none = FitBlurWidth({1, 2}, {5, 5}, 0.01);
    EXPECT_TRUE(none >= 0.0 && none < 4.0) << none;
    EXPECT_EQ(FitBlurWidth({1, 2}, {INFINITY, 1}, 0.01), 0.0);
}

class BlurAtmosphereClass : public ::testing::TestWithParam<DataRow> {};

TEST_P(BlurAtmosphereClass, TheAtmosphereEntryFollowsTheClass) {
    BenchState state = plainBench();
    state.atmosphere.atmosphereBlur = {0.11f, 0.12f, 0.13f, 0.14f, 0.15f, 0.16f, 0.17f, 0.18f};
    state.camera.set.atmosphereIndex = static_cast<int>(GetParam()[0]);
    state.camera.set.hBlurMode = 3; // both directions from the block, which is zero here
    refreshModel(state);
    const auto expected = static_cast<float>(GetParam()[1]);
    EXPECT_EQ(std::pair(static_cast<float>(state.camera.hBlurWidth), static_cast<float>(state.camera.vBlurWidth)),
              std::pair(expected, expected));
}
INSTANTIATE_TEST_SUITE_P(Classes, BlurAtmosphereClass, TERVIX_TABLE_ROWS("tables/atmosphere_blur_classes.txt"));

TEST(BlurModel, AlternativeOpticsTakesItsOwnValuesOverTheOpticalZoom) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.altOptics = 1;
    c.opticalZoom = 2.0f;
    c.hBlurMode = 4;
    c.blurDivisorSet = 1; // ignored for the alternative optics: groups 3 and 2
    c.blurBlock.floats[4 * 3 + 1] = 0.6f;
    c.blurBlock.floats[4 * 2 + 1] = 0.8f;
    c.blurBlock.floats[4 * 5 + 1] = 9.0f;
    refreshModel(state);
    EXPECT_TRUE(std::abs(state.camera.hBlurWidth - 0.3) < 1e-6 && std::abs(state.camera.vBlurWidth - 0.4) < 1e-6);
}

TEST(BlurModel, KernelsVanishBelowASixthOfAPixel) {
    BenchState state = plainBench();
    const double ifov = 10.0 / 256 / 180 * 3141.592; // the plain bench's pixel angle in mrad
    BuildKernel(ifov / 6 * 0.99, BlurDirection::Vertical, state.camera.set, state.sim);
    EXPECT_TRUE(state.sim.kernelYHalfWidth == 0 && state.sim.kernelY.empty());
    BuildKernel(ifov / 6 * 1.01, BlurDirection::Vertical, state.camera.set, state.sim);
    EXPECT_EQ(state.sim.kernelYHalfWidth, 1);
    BuildKernel(0.0, BlurDirection::Vertical, state.camera.set, state.sim);
    EXPECT_TRUE(state.sim.kernelY.empty());
}

TEST(NoiseTable, SpreadsAsTheNoiseLevelAndStaysWhenNothingChanged) {
    BenchState state = plainBench();
    const double sigma = state.sim.lastNoiseSigma;
    ASSERT_GT(sigma, 0.0);
    const std::vector<float> table = state.sim.noiseTable;
    ASSERT_EQ(table.size(), noiseTableSize);
    double sum = 0.0, squares = 0.0, largest = 0.0;
    for (float v : table) {
        sum += v;
        squares += static_cast<double>(v) * v;
        largest = std::max(largest, std::fabs(static_cast<double>(v)));
    }
    const double mean = sum / table.size();
    EXPECT_NEAR(mean / sigma, 0.0, 0.02);
    // The quantiles come from a left sum of the density, which runs a little ahead of the normal
    // distribution: the spread is about 0.96 sigma and the samples drawn stop near 2.5 sigma.
    EXPECT_NEAR(std::sqrt(squares / table.size() - mean * mean) / sigma, 0.96, 0.02);
    EXPECT_TRUE(largest >= 2.4 * sigma && largest <= 3.0 * sigma) << largest / sigma;

    refreshModel(state); // nothing changed: the same table
    EXPECT_EQ(state.sim.noiseTable, table);
    state.camera.set.netd = 0.1f;
    refreshModel(state);
    EXPECT_NE(state.sim.noiseTable, table);
    EXPECT_NEAR(state.sim.lastNoiseSigma / sigma, 2.0, 0.01);
}

TEST(CameraModel, SignalTableAndRangesFollowTheCurrentResponse) {
    BenchState state = plainBench();
    state.camera.set.tempMin = 0.0f;
    state.camera.tables.spectralResponse1.vertices = {3.0f, 1.0f, 5.0f, 1.0f};
    refreshModel(state);
    const PointList& table = state.camera.tables.signalTable;
    ASSERT_EQ(table.vertexCount(), 501);
    EXPECT_TRUE(table.x(0) == 0.0f && std::abs(table.x(500) - 50.0f) < 1e-4f) << table.x(500);
    // Entry 270 is 27 °C, 300 K with the bench's 273: a flat 8-12 µm blackbody gives 1.209e-2 W/cm²
    // (independent reference; the table holds 5000 times the exitance).
    EXPECT_NEAR(table.x(270), 27.0f, 1e-3f);
    EXPECT_NEAR(table.y(270) / 5000.0 / 1.209e-2, 1.0, 1e-3);
    EXPECT_EQ(std::pair(state.sim.windowLow, state.sim.windowHigh),
              std::pair(state.sim.signalMin, state.sim.signalMax));

    state.camera.set.spectralResponseIndex = 1;
    refreshModel(state);
    EXPECT_DOUBLE_EQ(state.sim.signalMax, signalOfTemperature(state.camera.tables.spectralResponse1, 50.0));
    EXPECT_NEAR(table.y(270) / 5000.0 / 5.861e-4, 1.0, 1e-3); // over 3-5 µm: 5.861e-4 W/cm² at 300 K
}

class ExtremeCamera : public ::testing::TestWithParam<DataRow> {};

TEST_P(ExtremeCamera, RendersWithinBounds) {
    const bool blurred = GetParam()[2] != 0.0;
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.sensorWidth = c.detectorColumns = 48;
    c.sensorHeight = c.detectorRows = 40;
    c.fovCurrentH = c.fovCurrentV = static_cast<float>(GetParam()[0]);
    c.blurWidthWide = static_cast<float>(GetParam()[1]);
    CameraModelContext context = state.model();
    activateCameraModel(context);
    EXPECT_LE(std::max(state.sim.kernelXHalfWidth, state.sim.kernelYHalfWidth), maxKernelHalfWidth);
    EXPECT_EQ(state.sim.kernelXHalfWidth > 0, blurred);
    EXPECT_NEAR(std::accumulate(state.sim.kernelX.begin(), state.sim.kernelX.end(), 0.0), blurred ? 1.0 : 0.0, 1e-5);
    state.target.items = {projectedRectangle(-1e-7, 1e-7, -1e-7, 1e-7, static_cast<float>(state.sim.signalMax))};
    rebuildDistanceOrder(state.target);
    int busy = 0;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, c);
    EXPECT_EQ(std::pair(state.sim.imageWidth, state.sim.imageHeight), std::pair(52, 44));
    EXPECT_TRUE(std::all_of(state.sim.sceneImage.begin(), state.sim.sceneImage.end(),
                            [](float v) { return std::isfinite(v); }));
}
INSTANTIATE_TEST_SUITE_P(Cameras, ExtremeCamera, TERVIX_TABLE_ROWS("tables/extreme_cameras.txt"));

} // namespace
