// The scene: in-band exitance against independent blackbody values, the rasterisation of items into
// the sensor grid, the signals UpdateScene gives (air, gallery, clamping), the bar periods.
#include "sim/in_band_exitance.h"
#include "sim/physical_radiometry.h"
#include "sim/render.h"
#include "sim/scene.h"
#include "target/target_file.h"
#include "text/messages.h"

#include "sim_fixture.h"
#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

using testing_support::DataRow;

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

BenchState benchWithTarget(const std::string& path) {
    BenchState state = plainBench();
    MessageLog log;
    EXPECT_TRUE(readTargetFile(path, state.target, 0, log));
    return state;
}

class InBandExitanceReference : public ::testing::TestWithParam<DataRow> {};

TEST_P(InBandExitanceReference, AgreesWithTheIndependentBlackbodyValue) {
    const DataRow& r = GetParam();
    const auto from = static_cast<float>(r[0]), to = static_cast<float>(r[1]);
    PointList flat{{from, 1.0f, to, 1.0f}};
    auto exitance = [&](double kelvin) { return InBandExitance(flat, from, to, sceneIntegrationStep, kelvin); };
    // The tables carry four figures; the base 2.7183 shifts the result by about 3e-5.
    EXPECT_NEAR(exitance(r[2]) / r[3], 1.0, 1e-3);
    EXPECT_NEAR((exitance(r[2] + 0.5) - exitance(r[2] - 0.5)) / r[4], 1.0, 2e-3);
    // The physical model integrates with SI constants and e itself, to the tables' four figures.
    EXPECT_NEAR(physicalExitance(flat, r[2]) / r[3], 1.0, 5e-4);
    EXPECT_NEAR(physicalSignalSlope(flat, r[2] - 273.15) / r[4], 1.0, 5e-4);
}
INSTANTIATE_TEST_SUITE_P(Bands, InBandExitanceReference, TERVIX_TABLE_ROWS("tables/blackbody_exitance.txt"));

TEST(InBandExitance, InterpolatesTheResponseAndRefusesDegenerateInput) {
    PointList ramp{{8.0f, 0.0f, 10.0f, 1.0f, 12.0f, 1.0f}};
    EXPECT_DOUBLE_EQ(responseAt(ramp, 9.0f), 0.5);
    EXPECT_DOUBLE_EQ(responseAt(ramp, 10.0f), 1.0);
    EXPECT_DOUBLE_EQ(responseAt(ramp, 13.0f), 1.0); // past the last point: its value
    PointList half{{8.0f, 0.5f, 12.0f, 0.5f}}, flat{{8.0f, 1.0f, 12.0f, 1.0f}};
    EXPECT_NEAR(signalOfTemperature(half, 20.0) / signalOfTemperature(flat, 20.0), 0.5, 1e-12);
    EXPECT_EQ(InBandExitance(flat, 8.0, 12.0, 0.0, 300.0), 0.0);
    EXPECT_EQ(InBandExitance(flat, 12.0, 8.0, 0.01, 300.0), 0.0);
    EXPECT_EQ(signalOfTemperature(PointList{}, 20.0), 0.0);
}

// The image sizes (rounded past the next multiple of four, over the electronic zoom) are pinned by
// the golden cases.
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
    // Pixel 130 starts at projected 0; the later item wins where they overlap.
    EXPECT_EQ(pixelAt(state.sim, 120, 130), 2.0f);
    EXPECT_EQ(pixelAt(state.sim, 135, 130), 3.0f);
    EXPECT_EQ(pixelAt(state.sim, 145, 130), 3.0f);
    EXPECT_EQ(pixelAt(state.sim, 200, 200), 1.0f);
    EXPECT_EQ(std::pair(state.target.items[2].pixelBounds[1], state.target.items[2].pixelBounds[3]), std::pair(0, 0));
    EXPECT_EQ(std::count(state.sim.sceneImage.begin(), state.sim.sceneImage.end(), 4.0f), 0);
}

TEST(SceneRaster, ABarNarrowerThanAPixelGivesItsShareOfTheSamples) {
    BenchState state = plainBench();
    RenderGeometry g = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false);
    const double p = g.pitchX, left = -g.halfX; // left edge of pixel 0
    state.sim.backgroundSignal = 1.0f;
    // The first misses the centres of pixels 100 and 101 and covers the edge samples between them;
    // the second covers the centre of pixel 120 but not its edges.
    state.target.items = {projectedRectangle(left + 100.7 * p, left + 101.3 * p, -20 * p, 20 * p, 4.0f),
                          projectedRectangle(left + 120.3 * p, left + 120.7 * p, -20 * p, 20 * p, 4.0f)};
    rebuildDistanceOrder(state.target);
    rasterize(state);
    const float third = 1.0f + (4.0f - 1.0f) * 3.0f / 9.0f;
    for (int i : {100, 101})
        EXPECT_NEAR(pixelAt(state.sim, i, 130), third, 1e-6f) << i;
    EXPECT_EQ(std::tuple(pixelAt(state.sim, 99, 130), pixelAt(state.sim, 102, 130), pixelAt(state.sim, 120, 130)),
              std::tuple(1.0f, 1.0f, 4.0f));
    EXPECT_GE(*std::min_element(state.sim.sceneImage.begin(), state.sim.sceneImage.end()), 1.0f); // no marker left
}

TEST(Scene, GalleryShowsOwnTemperaturesAndTheBenchShowsTheDifference) {
    testing_support::TempDir dir;
    BenchState state =
        benchWithTarget(dir.write("t.tag", "layer\ndistance\n700\nobject\ntemperature\n30\nrectangle\n0 0 1 1\n"));
    CameraSet& c = state.camera.set;
    c.atmCoefficient = 0.5f;
    c.atmTemperature = 10.0f;
    c.backgroundTemperature = 0.0f;
    const PointList& r = state.camera.tables.currentSpectralResponse();
    state.console.temperatureDifference = 1.5f;
    state.console.galleryOpen = true;
    UpdateScene(state.target, state.sim, c, r, state.console);
    EXPECT_FLOAT_EQ(state.target.items[1].renderTemperature, static_cast<float>(signalOfTemperature(r, 30.0)));

    state.console.galleryOpen = false;
    UpdateScene(state.target, state.sim, c, r, state.console);
    // The nearest distance is the smaller of sqrt(x² + z²) and sqrt(y² + z²) over the vertices, here
    // the plane's own; with the bench's 1300 m that is 2.0 km of air at 0.5 per km, and the
    // background lies there too: the transmission is exp(-1) for both.
    const double tau = 0.36787944;
    auto seen = [&](double celsius) {
        return signalOfTemperature(r, celsius) * tau + signalOfTemperature(r, 10.0) * (1 - tau);
    };
    EXPECT_NEAR(state.target.items[1].renderTemperature, seen(1.5), seen(1.5) * 1e-6);
    EXPECT_NEAR(state.sim.backgroundSignal, seen(0.0), seen(0.0) * 1e-6);
}

TEST(Scene, ItemSignalsAreClampedToTheRangeButTheBackgroundIsNot) {
    testing_support::TempDir dir;
    BenchState state = benchWithTarget(dir.write(
        "t.tag", "object\ntemperature\n90\nrectangle\n0 0 1 1\nobject\ntemperature\n-60\nrectangle\n0 0 1 1\n"));
    state.console.galleryOpen = true;
    state.camera.set.backgroundTemperature = 80.0f;
    UpdateScene(state.target, state.sim, state.camera.set, state.camera.tables.currentSpectralResponse(),
                state.console);
    EXPECT_FLOAT_EQ(state.target.items[0].renderTemperature, static_cast<float>(state.sim.signalMax));
    EXPECT_FLOAT_EQ(state.target.items[1].renderTemperature, static_cast<float>(state.sim.signalMin));
    EXPECT_GT(state.sim.backgroundSignal, state.sim.signalMax);
}

class StandardTargetFrequency : public ::testing::TestWithParam<DataRow> {};

TEST_P(StandardTargetFrequency, ShowsTheChosenFrequency) {
    const double f = GetParam()[0];
    BenchState state = benchWithTarget(testing_support::shippedFile("mira.tag"));
    state.console.barScale = static_cast<float>(GetParam()[1]);
    UpdateScene(state.target, state.sim, state.camera.set, state.camera.tables.currentSpectralResponse(),
                state.console);
    // Bar k's left edge is its vertex 0; one period separates neighbours, in radians as tangents.
    const auto& items = state.target.items;
    for (std::size_t k = 1; k < 4; ++k)
        EXPECT_NEAR((items[k + 1].projected2D[0] - items[k].projected2D[0]) * 1000.0, 1.0 / f, 2e-5 / f) << k;
    EXPECT_NEAR((items[1].screenBounds[1] - items[1].screenBounds[0]) * 1000.0, 0.5 / f, 1e-5 / f);
}
INSTANTIATE_TEST_SUITE_P(Frequencies, StandardTargetFrequency, TERVIX_TABLE_ROWS("tables/bar_frequencies.txt"));

} // namespace
