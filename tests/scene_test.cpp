// The scene: in-band exitance against independent blackbody values, the rasterisation of items into
// the sensor grid, the signals UpdateScene gives (air, gallery, clamping, offsets), the bar periods.
#include "sim/in_band_exitance.h"
#include "sim/render.h"
#include "sim/scene.h"
#include "target/target_file.h"

#include "sim_fixture.h"
#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

float pixelAt(const SimState& sim, int i, int j) {
    return sim.sceneImage[static_cast<std::size_t>(j) * sim.imageWidth + i];
}

void rasterize(BenchState& state) {
    RenderGeometry g = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false);
    rasterizeScene(state.target, state.sim, g);
    state.sim.imageWidth = g.width;
    state.sim.imageHeight = g.height;
}

struct BlackbodyReference {
    const char* name;
    float from, to;
    double kelvin, exitance, derivative;
};

// Flat response; W/cm² and W/cm²/K from a fine integration with e and c1 = 3.7418e4.
const BlackbodyReference blackbodyReferences[] = {
    {"8 to 12 um at 300 K", 8.0f, 12.0f, 300.0, 1.209e-2, 1.978e-4},
    {"8 to 12 um at 293.15 K", 8.0f, 12.0f, 293.15, 1.079e-2, 1.843e-4},
    {"3 to 5 um at 300 K", 3.0f, 5.0f, 300.0, 5.861e-4, 2.127e-5},
    {"3 to 5 um at 293.15 K", 3.0f, 5.0f, 293.15, 4.547e-4, 1.722e-5},
    {"8 to 14 um at 300 K", 8.0f, 14.0f, 300.0, 1.726e-2, 2.632e-4},
};

class InBandExitanceReference : public ::testing::TestWithParam<BlackbodyReference> {};

TEST_P(InBandExitanceReference, AgreesWithTheIndependentBlackbodyValue) {
    const BlackbodyReference& r = GetParam();
    PointList flat{{r.from, 1.0f, r.to, 1.0f}};
    const double m = InBandExitance(flat, r.from, r.to, sceneIntegrationStep, r.kelvin);
    // The tables carry four figures; the base 2.7183 shifts the result by about 3e-5.
    EXPECT_NEAR(m / r.exitance, 1.0, 1e-3);
    const double slope = InBandExitance(flat, r.from, r.to, sceneIntegrationStep, r.kelvin + 0.5) -
                         InBandExitance(flat, r.from, r.to, sceneIntegrationStep, r.kelvin - 0.5);
    EXPECT_NEAR(slope / r.derivative, 1.0, 2e-3);
}

INSTANTIATE_TEST_SUITE_P(Bands, InBandExitanceReference, ::testing::ValuesIn(blackbodyReferences),
                         testing_support::RowNamedByName{});

TEST(InBandExitance, InterpolatesTheResponseAndRefusesDegenerateInput) {
    PointList ramp{{8.0f, 0.0f, 10.0f, 1.0f, 12.0f, 1.0f}};
    EXPECT_DOUBLE_EQ(responseAt(ramp, 9.0f), 0.5);
    EXPECT_DOUBLE_EQ(responseAt(ramp, 10.0f), 1.0);
    EXPECT_DOUBLE_EQ(responseAt(ramp, 13.0f), 1.0); // past the last point: its value
    PointList half{{8.0f, 0.5f, 12.0f, 0.5f}};
    PointList flat{{8.0f, 1.0f, 12.0f, 1.0f}};
    EXPECT_NEAR(signalOfTemperature(half, 20.0) / signalOfTemperature(flat, 20.0), 0.5, 1e-12);
    EXPECT_EQ(InBandExitance(flat, 8.0, 12.0, 0.0, 300.0), 0.0);
    EXPECT_EQ(InBandExitance(flat, 12.0, 8.0, 0.01, 300.0), 0.0);
    EXPECT_EQ(signalOfTemperature(PointList{}, 20.0), 0.0);
}

struct ZoomedSize {
    float zoom;
    int width; // 256 pixels over the zoom, with the margins, rounded past the next multiple of four
};

class SceneRasterSize : public ::testing::TestWithParam<ZoomedSize> {};

TEST_P(SceneRasterSize, RoundsPastTheNextMultipleOfFour) {
    BenchState state = plainBench();
    const ZoomedSize& c = GetParam();
    state.camera.set.electronicZoom = c.zoom;
    int busy = 0;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, state.camera.set);
    EXPECT_EQ(state.sim.imageWidth, c.width);
    EXPECT_EQ(state.sim.imageHeight, c.width);
    EXPECT_EQ(state.sim.sceneImage.size(), static_cast<std::size_t>(c.width * c.width));
    EXPECT_EQ(state.sim.displayImage.size(), static_cast<std::size_t>(c.width * c.width * 3));
    EXPECT_EQ(busy, 0);
}

INSTANTIATE_TEST_SUITE_P(ElectronicZooms, SceneRasterSize,
                         ::testing::Values(ZoomedSize{1.0f, 260}, ZoomedSize{2.0f, 132}, ZoomedSize{3.0f, 88}),
                         [](const ::testing::TestParamInfo<ZoomedSize>& info) {
                             return "zoom" + std::to_string(static_cast<int>(info.param.zoom));
                         });

TEST(SceneRaster, ARenderInProgressIsNotEnteredAgain) {
    BenchState state = plainBench();
    int busy = 1;
    state.sim.imageWidth = -5;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, state.camera.set);
    EXPECT_EQ(state.sim.imageWidth, -5);
    EXPECT_EQ(busy, 1);
}

TEST(SceneRaster, LaterItemsAtEqualDistanceWinAndOutsideItemsPaintNothing) {
    BenchState state = plainBench();
    const double p = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false).pitchX;
    state.sim.backgroundSignal = 1.0f;
    state.target.items = {projectedRectangle(-20 * p, 10 * p, -10 * p, 10 * p, 2.0f),
                          projectedRectangle(0, 20 * p, -10 * p, 10 * p, 3.0f),
                          projectedRectangle(1.0, 1.2, 1.0, 1.2, 4.0f)};
    rebuildDistanceOrder(state.target);
    rasterize(state);
    // Pixel 130 starts at projected 0.
    EXPECT_EQ(pixelAt(state.sim, 120, 130), 2.0f);
    EXPECT_EQ(pixelAt(state.sim, 135, 130), 3.0f); // the later item where they overlap
    EXPECT_EQ(pixelAt(state.sim, 145, 130), 3.0f);
    EXPECT_EQ(pixelAt(state.sim, 200, 200), 1.0f);
    const auto& outside = state.target.items[2].pixelBounds;
    EXPECT_EQ(outside[1], 0);
    EXPECT_EQ(outside[3], 0);
    for (float v : state.sim.sceneImage)
        EXPECT_NE(v, 4.0f);
}

TEST(SceneRaster, ABarNarrowerThanAPixelGivesItsShareOfTheSamples) {
    BenchState state = plainBench();
    RenderGeometry g = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false);
    const double p = g.pitchX;
    const double left = -g.halfX; // left edge of pixel 0
    state.sim.backgroundSignal = 1.0f;
    // Misses the centres of pixels 100 and 101 and covers the edge samples between them.
    TargetItem between = projectedRectangle(left + 100.7 * p, left + 101.3 * p, -20 * p, 20 * p, 4.0f);
    // Covers the centre of pixel 120 but not its edges.
    TargetItem centred = projectedRectangle(left + 120.3 * p, left + 120.7 * p, -20 * p, 20 * p, 4.0f);
    state.target.items = {between, centred};
    rebuildDistanceOrder(state.target);
    rasterize(state);
    const int row = 130;
    const float third = 1.0f + (4.0f - 1.0f) * 3.0f / 9.0f;
    EXPECT_NEAR(pixelAt(state.sim, 100, row), third, 1e-6f);
    EXPECT_NEAR(pixelAt(state.sim, 101, row), third, 1e-6f);
    EXPECT_EQ(pixelAt(state.sim, 99, row), 1.0f);
    EXPECT_EQ(pixelAt(state.sim, 102, row), 1.0f);
    EXPECT_EQ(pixelAt(state.sim, 120, row), 4.0f);
    for (float v : state.sim.sceneImage)
        EXPECT_GE(v, 1.0f); // no sub-pixel marker left behind
}

TEST(Scene, GalleryShowsOwnTemperaturesAndTheBenchShowsTheDifference) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.atmCoefficient = 0.5f;
    c.atmTemperature = 10.0f;
    c.backgroundTemperature = 0.0f;
    testing_support::TempDir dir;
    ASSERT_TRUE(readTargetFile(
        dir.write("t.tag", "layer\ndistance\n700\nobject\ntemperature\n30\nrectangle\n0 0 1 1\n"), state.target, 0));
    const PointList& r = state.camera.tables.currentSpectralResponse();
    state.console.temperatureDifference = 1.5f;
    state.console.galleryOpen = true;
    UpdateScene(state.target, state.sim, c, r, state.console);
    EXPECT_FLOAT_EQ(state.target.items[1].renderTemperature, static_cast<float>(signalOfTemperature(r, 30.0)));

    state.console.galleryOpen = false;
    UpdateScene(state.target, state.sim, c, r, state.console);
    // The nearest distance is the smaller of sqrt(x² + z²) and sqrt(y² + z²) over the vertices; a
    // vertex at y = 0 makes it the plane's distance itself.
    // With the bench's 1300 m in front of the plate that is 2.0 km of air at 0.5 per km: the
    // transmission is exp(-1).
    const double tau = 0.36787944;
    const double expected = signalOfTemperature(r, 1.5) * tau + signalOfTemperature(r, 10.0) * (1 - tau);
    EXPECT_NEAR(state.target.items[1].renderTemperature, expected, expected * 1e-6);
    // The background lies at the plate's distance too.
    const double background = signalOfTemperature(r, 0.0) * tau + signalOfTemperature(r, 10.0) * (1 - tau);
    EXPECT_NEAR(state.sim.backgroundSignal, background, background * 1e-6);
}

TEST(Scene, ItemSignalsAreClampedToTheRangeButTheBackgroundIsNot) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    testing_support::TempDir dir;
    ASSERT_TRUE(readTargetFile(
        dir.write("t.tag",
                  "object\ntemperature\n90\nrectangle\n0 0 1 1\nobject\ntemperature\n-60\nrectangle\n0 0 1 1\n"),
        state.target, 0));
    state.console.galleryOpen = true;
    c.backgroundTemperature = 80.0f;
    UpdateScene(state.target, state.sim, c, state.camera.tables.currentSpectralResponse(), state.console);
    EXPECT_FLOAT_EQ(state.target.items[0].renderTemperature, static_cast<float>(state.sim.signalMax));
    EXPECT_FLOAT_EQ(state.target.items[1].renderTemperature, static_cast<float>(state.sim.signalMin));
    EXPECT_GT(state.sim.backgroundSignal, state.sim.signalMax);
}

TEST(Scene, OffsetsMoveTheItemsButNotTheSceneExtents) {
    BenchState state = plainBench();
    ASSERT_TRUE(readTargetFile(testing_support::shippedFile("mira.tag"), state.target, 0));
    const PointList& r = state.camera.tables.currentSpectralResponse();
    state.console.temperatureDifference = 1.0f;
    UpdateScene(state.target, state.sim, state.camera.set, r, state.console);
    const SimState before = state.sim;
    const TargetItem bar = state.target.items[1];
    int busy = 0;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, state.camera.set);
    const std::vector<float> centred = state.sim.sceneImage;

    const double pitch = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false).pitchX;
    state.console.targetOffsetX = 10 * pitch;
    UpdateScene(state.target, state.sim, state.camera.set, r, state.console);
    EXPECT_EQ(state.sim.sceneMinX, before.sceneMinX);
    EXPECT_EQ(state.sim.sceneMaxX, before.sceneMaxX);
    EXPECT_FLOAT_EQ(state.target.items[1].projected2D[0], bar.projected2D[0] + static_cast<float>(10 * pitch));
    EXPECT_FLOAT_EQ(state.target.items[1].screenBounds[1], bar.screenBounds[1] + static_cast<float>(10 * pitch));
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, state.camera.set);
    // The whole image moved ten columns to the right, edges included.
    const int w = state.sim.imageWidth;
    int compared = 0;
    for (int j = 0; j < state.sim.imageHeight; ++j)
        for (int i = 0; i + 10 < w; ++i) {
            float a = centred[static_cast<std::size_t>(j * w + i)];
            float b = state.sim.sceneImage[static_cast<std::size_t>(j * w + i + 10)];
            if (a != state.sim.backgroundSignal || b != state.sim.backgroundSignal) {
                EXPECT_NEAR(a, b, 1e-6f) << i << "," << j;
                ++compared;
            }
        }
    EXPECT_GT(compared, 100);
}

struct StandardFrequency {
    double f; // cycles per mrad
    float barScale;
};

class StandardTargetFrequency : public ::testing::TestWithParam<StandardFrequency> {};

TEST_P(StandardTargetFrequency, ShowsTheChosenFrequency) {
    const StandardFrequency& c = GetParam();
    BenchState state = plainBench();
    ASSERT_TRUE(readTargetFile(testing_support::shippedFile("mira.tag"), state.target, 0));
    state.console.barScale = c.barScale;
    UpdateScene(state.target, state.sim, state.camera.set, state.camera.tables.currentSpectralResponse(),
                state.console);
    // Bar k's left edge is its vertex 0; one period separates neighbours, in radians as tangents.
    for (int k = 1; k < 4; ++k) {
        const double period = state.target.items[static_cast<std::size_t>(k + 1)].projected2D[0] -
                              state.target.items[static_cast<std::size_t>(k)].projected2D[0];
        EXPECT_NEAR(period * 1000.0, 1.0 / c.f, 2e-5 / c.f) << k;
    }
    const TargetItem& bar = state.target.items[1];
    const double barWidth = bar.screenBounds[1] - bar.screenBounds[0];
    EXPECT_NEAR(barWidth * 1000.0, 0.5 / c.f, 1e-5 / c.f);
}

INSTANTIATE_TEST_SUITE_P(Frequencies, StandardTargetFrequency,
                         ::testing::Values(StandardFrequency{0.5, 8.0f}, StandardFrequency{1, 4.0f},
                                           StandardFrequency{1.5, 2.66666f}, StandardFrequency{2, 2.0f},
                                           StandardFrequency{3, 4.0f / 3.0f}, StandardFrequency{4, 1.0f}),
                         [](const ::testing::TestParamInfo<StandardFrequency>& info) {
                             return testing_support::numberName(info.param.f) + "_cycles_per_mrad";
                         });

} // namespace
