// The camera model an activation builds: blur widths and kernels from the file's values and the
// atmosphere, the noise table, the signal table and the detector format.
#include "sim/camera_model.h"
#include "sim/in_band_exitance.h"
#include "sim/noise.h"
#include "sim/render.h"

#include "sim_fixture.h"
#include "test_support.h"

#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

namespace {

bool onFitGrid(double w) {
    double k = (w - 0.0001) / 0.01;
    return std::fabs(k - std::round(k)) < 1e-4;
}

void refresh(BenchState& state) {
    CameraModelContext context = state.model();
    RefreshCameraModel(context);
}

struct BlurPair {
    float a, b;
};

class CombineBlurPair : public ::testing::TestWithParam<BlurPair> {};

// Two widths add in quadrature, landing on the fit's grid; with one of them zero the other stays.
TEST_P(CombineBlurPair, AddsInQuadratureOnTheFitGrid) {
    const BlurPair& p = GetParam();
    const float w = CombineBlur(p.a, p.b);
    if (p.a == 0.0f || p.b == 0.0f) {
        EXPECT_EQ(w, p.a + p.b);
    } else {
        EXPECT_NEAR(w, std::hypot(p.a, p.b), 0.0101);
        EXPECT_TRUE(onFitGrid(w)) << w;
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, CombineBlurPair,
                         ::testing::Values(BlurPair{0.0f, 0.123f}, BlurPair{0.456f, 0.0f}, BlurPair{0.1f, 0.1f},
                                           BlurPair{0.3f, 0.4f}, BlurPair{0.05f, 0.5f}, BlurPair{1.2f, 0.9f}),
                         [](const ::testing::TestParamInfo<BlurPair>& info) {
                             return testing_support::numberName(info.param.a) + "_and_" +
                                    testing_support::numberName(info.param.b);
                         });

TEST(BlurModel, TheFitLandsOnTheGridBelowFourMrad) {
    std::vector<double> f{0, 0.5, 1, 1.5, 2};
    std::vector<double> mtf;
    for (double x : f)
        mtf.push_back(std::exp(-2 * M_PI * M_PI * 0.2345 * 0.2345 * x * x));
    double w = FitBlurWidth(f, mtf, 0.01);
    EXPECT_TRUE(onFitGrid(w));
    EXPECT_NEAR(w, 0.2301, 1e-9); // the grid value nearest 0.2345 in the squared error
    // Points no width matches still give the best grid value, never a negative one.
    double none = FitBlurWidth({1, 2}, {5, 5}, 0.01);
    EXPECT_GE(none, 0.0);
    EXPECT_LT(none, 4.0);
    EXPECT_EQ(FitBlurWidth({1, 2}, {INFINITY, 1}, 0.01), 0.0);
}

TEST(BlurModel, BlurFlagHalvesBothWidthsAndDoublesTheNoiseNetd) {
    BenchState plain = plainBench();
    plain.camera.set.hBlurMode = 3;
    plain.camera.set.blurBlock.floats[4 * 1 + 0] = 0.3f; // horizontal, wide
    plain.camera.set.blurBlock.floats[4 * 0 + 0] = 0.5f; // vertical, wide
    refresh(plain);
    BenchState flagged = plain;
    flagged.camera.set.blurFlag = true;
    refresh(flagged);
    EXPECT_DOUBLE_EQ(flagged.camera.hBlurWidth, plain.camera.hBlurWidth / 2);
    EXPECT_DOUBLE_EQ(flagged.camera.vBlurWidth, plain.camera.vBlurWidth / 2);
    EXPECT_NEAR(plain.camera.hBlurWidth, 0.3, 1e-6);
    EXPECT_NEAR(plain.camera.vBlurWidth, 0.5, 1e-6);
    CameraSet doubled = plain.camera.set;
    doubled.netd *= 2;
    EXPECT_DOUBLE_EQ(flagged.sim.lastNoiseSigma, noiseSigma(doubled, plain.camera.tables.spectralResponse0));
}

class BlurModeBelowThree : public ::testing::TestWithParam<int> {};

TEST_P(BlurModeBelowThree, TheVerticalWidthIsTheHorizontalOne) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.hBlurMode = GetParam();
    c.blurWidthWide = 0.4f;
    c.blurDivisors[0] = {0.5f, 0.5f, 0.5f, 0.5f};
    state.camera.tables.mrtdWideH.vertices = {0.5f, 0.1f, 1.0f, 0.2f, 1.5f, 0.6f};
    c.blurParam = 0.2f;
    refresh(state);
    EXPECT_GT(state.camera.hBlurWidth, 0.0);
    EXPECT_EQ(state.camera.vBlurWidth, state.camera.hBlurWidth);
    EXPECT_EQ(state.sim.kernelX, state.sim.kernelY); // equal ifov both ways
}

INSTANTIATE_TEST_SUITE_P(Modes, BlurModeBelowThree, ::testing::Range(0, 3),
                         [](const ::testing::TestParamInfo<int>& info) { return "mode" + std::to_string(info.param); });

struct AtmosphereClass {
    const char* name;
    int index;
    float expected;
};

const AtmosphereClass atmosphereClasses[] = {
    {"class 0 is none", 0, 0.0f},
    {"a negative class is none", -3, 0.0f},
    {"class 1 the first entry", 1, 0.11f},
    {"class 4", 4, 0.14f},
    {"class 8 the last entry", 8, 0.18f},
    {"class 9 stays at the last entry", 9, 0.18f},
    {"class 1000 stays at the last entry", 1000, 0.18f},
};

class BlurAtmosphereClass : public ::testing::TestWithParam<AtmosphereClass> {};

TEST_P(BlurAtmosphereClass, TheAtmosphereEntryFollowsTheClass) {
    const AtmosphereClass& c = GetParam();
    BenchState state = plainBench();
    state.atmosphere.atmosphereBlur = {0.11f, 0.12f, 0.13f, 0.14f, 0.15f, 0.16f, 0.17f, 0.18f};
    state.camera.set.atmosphereIndex = c.index;
    state.camera.set.hBlurMode = 3; // both directions from the block, which is zero here
    refresh(state);
    EXPECT_FLOAT_EQ(static_cast<float>(state.camera.hBlurWidth), c.expected);
    EXPECT_FLOAT_EQ(static_cast<float>(state.camera.vBlurWidth), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Classes, BlurAtmosphereClass, ::testing::ValuesIn(atmosphereClasses),
                         testing_support::RowNamedByName{});

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
    refresh(state);
    EXPECT_NEAR(state.camera.hBlurWidth, 0.3, 1e-6);
    EXPECT_NEAR(state.camera.vBlurWidth, 0.4, 1e-6);
}

// The plain bench's pixel angle: 10 degrees over 256 pixels is 0.68177 mrad.
const double plainIfov = 10.0 / 256 / 180 * 3141.592;

struct KernelWidth {
    double width;  // mrad
    int halfWidth; // taps either side of the centre, worked out by hand: three widths in pixels, rounded
};

class BlurKernel : public ::testing::TestWithParam<KernelWidth> {};

TEST_P(BlurKernel, SpansThreeWidthsSumsToOneAndIsSymmetric) {
    BenchState state = plainBench();
    const double w = GetParam().width;
    BuildKernel(w, BlurDirection::Horizontal, state.camera.set, state.sim);
    EXPECT_EQ(state.sim.kernelXHalfWidth, GetParam().halfWidth);
    ASSERT_EQ(state.sim.kernelX.size(), static_cast<std::size_t>(2 * state.sim.kernelXHalfWidth + 1));
    EXPECT_NEAR(std::accumulate(state.sim.kernelX.begin(), state.sim.kernelX.end(), 0.0), 1.0, 1e-6);
    for (std::size_t k = 0; k < state.sim.kernelX.size(); ++k)
        EXPECT_EQ(state.sim.kernelX[k], state.sim.kernelX[state.sim.kernelX.size() - 1 - k]);
}

// 3 x 0.3 / 0.68177 = 1.32, 3 x 0.7 / 0.68177 = 3.08, 3 x 1.9 / 0.68177 = 8.36.
INSTANTIATE_TEST_SUITE_P(Widths, BlurKernel,
                         ::testing::Values(KernelWidth{0.3, 1}, KernelWidth{0.7, 3}, KernelWidth{1.9, 8}),
                         [](const ::testing::TestParamInfo<KernelWidth>& info) {
                             return testing_support::numberName(info.param.width) + "_mrad";
                         });

TEST(BlurModel, KernelsVanishBelowASixthOfAPixel) {
    BenchState state = plainBench();
    const CameraSet& c = state.camera.set;
    BuildKernel(plainIfov / 6 * 0.99, BlurDirection::Vertical, c, state.sim);
    EXPECT_EQ(state.sim.kernelYHalfWidth, 0);
    EXPECT_TRUE(state.sim.kernelY.empty());
    BuildKernel(plainIfov / 6 * 1.01, BlurDirection::Vertical, c, state.sim);
    EXPECT_EQ(state.sim.kernelYHalfWidth, 1);
    BuildKernel(0.0, BlurDirection::Vertical, c, state.sim);
    EXPECT_TRUE(state.sim.kernelY.empty());
}

TEST(BlurModel, TheBlurConsumesExactlyTheMargins) {
    BenchState state = plainBench();
    BuildKernel(0.6, BlurDirection::Horizontal, state.camera.set, state.sim);
    BuildKernel(0.45, BlurDirection::Vertical, state.camera.set, state.sim);
    ASSERT_EQ(state.sim.kernelXHalfWidth, 3);
    ASSERT_EQ(state.sim.kernelYHalfWidth, 2);
    RenderGeometry g = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false);
    EXPECT_EQ(g.width, 266);
    EXPECT_EQ(g.height, 264);
    int busy = 0;
    state.sim.backgroundSignal = 2.5f;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, state.camera.set);
    EXPECT_EQ(state.sim.imageWidth, 260);
    EXPECT_EQ(state.sim.imageHeight, 260);
    for (float v : state.sim.sceneImage)
        ASSERT_NEAR(v, 2.5f, 1e-5f); // a flat scene stays flat through a normalised kernel
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
    double mean = sum / table.size();
    double deviation = std::sqrt(squares / table.size() - mean * mean);
    EXPECT_NEAR(mean / sigma, 0.0, 0.02);
    // The quantiles come from a left sum of the density, which runs a little ahead of the normal
    // distribution: the spread is about 0.96 sigma and the samples drawn stop near 2.5 sigma.
    EXPECT_NEAR(deviation / sigma, 0.96, 0.02);
    EXPECT_LE(largest, 3.0 * sigma);
    EXPECT_GE(largest, 2.4 * sigma);

    refresh(state); // nothing changed: the same table
    EXPECT_EQ(state.sim.noiseTable, table);
    state.camera.set.netd = 0.1f;
    refresh(state);
    EXPECT_NE(state.sim.noiseTable, table);
    EXPECT_NEAR(state.sim.lastNoiseSigma / sigma, 2.0, 0.01);
}

TEST(CameraModel, SignalTableAndRangesFollowTheCurrentResponse) {
    BenchState state = plainBench();
    state.camera.set.tempMin = 0.0f;
    state.camera.set.tempMax = 50.0f;
    state.camera.tables.spectralResponse1.vertices = {3.0f, 1.0f, 5.0f, 1.0f};
    refresh(state);
    const PointList& table = state.camera.tables.signalTable;
    ASSERT_EQ(table.vertexCount(), 501);
    EXPECT_EQ(table.x(0), 0.0f);
    EXPECT_NEAR(table.x(500), 50.0f, 1e-4f);
    // Entry 270 is 27 °C, 300 K with the bench's 273: a flat 8-12 µm blackbody gives 1.209e-2 W/cm²
    // (independent reference; the table holds 5000 times the exitance).
    const double tableScale = 5000.0;
    EXPECT_NEAR(table.x(270), 27.0f, 1e-3f);
    EXPECT_NEAR(table.y(270) / tableScale / 1.209e-2, 1.0, 1e-3);
    EXPECT_EQ(state.sim.windowLow, state.sim.signalMin);
    EXPECT_EQ(state.sim.windowHigh, state.sim.signalMax);

    state.camera.set.spectralResponseIndex = 1;
    refresh(state);
    const PointList& mwir = state.camera.tables.spectralResponse1;
    EXPECT_DOUBLE_EQ(state.sim.signalMax, signalOfTemperature(mwir, 50.0));
    // The same entry over 3-5 µm: 5.861e-4 W/cm² at 300 K.
    EXPECT_NEAR(table.y(270) / tableScale / 5.861e-4, 1.0, 1e-3);
}

TEST(CameraModel, ActivationSetsTheDetectorFormatAndModeTwoNetd) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.matrixDetector = 1;
    c.detectorColumns = 320;
    c.detectorRows = 240;
    c.doubleRows = 1;
    CameraModelContext context = state.model();
    activateCameraModel(context);
    EXPECT_EQ(c.sensorWidth, 320);
    EXPECT_EQ(c.sensorHeight, 480);

    c.matrixDetector = 0;
    c.scanLines = 150;
    c.fovTable[2] = {8.0f, 6.0f};
    c.doubleBoth = 1;
    c.hBlurMode = 2;
    state.camera.tables.mrtdWideH.vertices = {0.2f, 0.07f, 1.0f, 0.2f, 2.0f, 0.9f};
    activateCameraModel(context);
    EXPECT_EQ(c.sensorWidth, 400);
    EXPECT_EQ(c.sensorHeight, 300);
    EXPECT_FLOAT_EQ(c.netd, 0.07f);
    EXPECT_FLOAT_EQ(c.defectLocal1, 0.07f);
    EXPECT_EQ(c.frameNoise, (std::array<std::int32_t, 3>{90, 31, 31}));
    EXPECT_GT(state.camera.hBlurWidth, 0.1); // fitted to the falling MRTD-derived transfer
    EXPECT_TRUE(onFitGrid(state.camera.hBlurWidth));
}

struct Extreme {
    const char* name;
    float fov;
    float blur;
    bool blurred;
};

const Extreme extremes[] = {{"a tiny field with a 4 mrad blur", 0.0001f, 3.99f, true}, // pixels of microradians
                            {"a wide field with a 4 mrad blur", 170.0f, 3.99f, false}, // a sixtieth of a pixel
                            {"a tiny field without blur", 0.0001f, 0.0f, false}};

class ExtremeCamera : public ::testing::TestWithParam<Extreme> {};

TEST_P(ExtremeCamera, RendersWithinBounds) {
    const Extreme& e = GetParam();
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.sensorWidth = c.detectorColumns = 48;
    c.sensorHeight = c.detectorRows = 40;
    c.fovCurrentH = c.fovCurrentV = e.fov;
    c.blurWidthWide = e.blur;
    CameraModelContext context = state.model();
    activateCameraModel(context);
    EXPECT_LE(state.sim.kernelXHalfWidth, maxKernelHalfWidth);
    EXPECT_LE(state.sim.kernelYHalfWidth, maxKernelHalfWidth);
    EXPECT_EQ(state.sim.kernelXHalfWidth > 0, e.blurred);
    double sum = 0.0;
    for (float tap : state.sim.kernelX)
        sum += tap;
    EXPECT_NEAR(sum, e.blurred ? 1.0 : 0.0, 1e-5);
    state.target.items = {projectedRectangle(-1e-7, 1e-7, -1e-7, 1e-7, static_cast<float>(state.sim.signalMax))};
    rebuildDistanceOrder(state.target);
    int busy = 0;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, c);
    EXPECT_EQ(state.sim.imageWidth, 52);
    EXPECT_EQ(state.sim.imageHeight, 44);
    for (float v : state.sim.sceneImage)
        ASSERT_TRUE(std::isfinite(v));
}

INSTANTIATE_TEST_SUITE_P(Cameras, ExtremeCamera, ::testing::ValuesIn(extremes), testing_support::RowNamedByName{});

} // namespace
