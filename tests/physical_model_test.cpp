// The physical image model: exact pixel areas, fresh normal noise, its radiometry and its choice on
// the console. Its blur is checked pixel by pixel against the exact prediction by physical_fidelity_test.
#include "measurement/autocorrelation.h"
#include "measurement/linear_sensor_image.h"
#include "sim/physical_noise.h"
#include "sim/physical_radiometry.h"
#include "sim/physical_render.h"
#include "sim/render.h"
#include "target/target_file.h"

#include "observer_bench.h"
#include "sim_fixture.h"
#include "test_support.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

using testing_support::DataRow;
using testing_support::ObserverBench;

namespace {

// The plain camera without blur, in the physical model, with items placed in pixel coordinates of
// the padded image (no margins, so padded and sensor pixels coincide).
struct PixelScene {
    BenchState state = plainBench();
    RenderGeometry g;

    PixelScene() {
        state.sim.imageModel = ImageModel::Physical;
        state.sim.physical.blurWidthX = state.sim.physical.blurWidthY = 0.0;
        state.sim.backgroundSignal = 0.0f;
        g = computePhysicalGeometry(state.camera.set, state.sim, RenderMode::CameraView, false).g;
    }
    double x(double px) const { return -g.halfX + g.centreX + px * g.pitchX; }
    double y(double py) const { return -g.halfY + g.centreY + py * g.pitchY; }
    void add(TargetItem item, double distance = 0.0) {
        item.distance = static_cast<float>(distance);
        state.target.items.push_back(std::move(item));
        rebuildDistanceOrder(state.target);
    }
    void addRectangle(double x0, double x1, double y0, double y1, double signal, double distance = 0.0) {
        add(projectedRectangle(x(x0), x(x1), y(y0), y(y1), static_cast<float>(signal)), distance);
    }
    void addPolygon(std::vector<double> pixels, TargetItemKind kind) {
        for (std::size_t k = 0; k < pixels.size(); ++k)
            pixels[k] = k % 2 ? y(pixels[k]) : x(pixels[k]);
        add(projectedPolygon(pixels, 1.0f, kind));
    }
    void rasterize() { rasterizePhysical(state.target, state.sim, g); }
    double at(int i, int j) const { return state.sim.sceneImage[static_cast<std::size_t>(j) * g.width + i]; }
};

double overlap(double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

class PhysicalRectangle : public ::testing::TestWithParam<DataRow> {};

TEST_P(PhysicalRectangle, EveryPixelHoldsTheCoveredShareOfItsArea) {
    const DataRow& r = GetParam();
    PixelScene scene;
    scene.addRectangle(r[0], r[1], r[2], r[3], 1.0);
    scene.rasterize();
    double total = 0.0;
    for (int j = 0; j < scene.g.height; ++j)
        for (int i = 0; i < scene.g.width; ++i) {
            ASSERT_NEAR(scene.at(i, j), overlap(i, i + 1.0, r[0], r[1]) * overlap(j, j + 1.0, r[2], r[3]), 1e-4)
                << i << "," << j;
            total += scene.at(i, j);
        }
    EXPECT_NEAR(total, overlap(0.0, scene.g.width, r[0], r[1]) * overlap(0.0, scene.g.height, r[2], r[3]), 1e-3);
}
INSTANTIATE_TEST_SUITE_P(Positions, PhysicalRectangle, TERVIX_TABLE_ROWS("tables/physical_rectangles.txt"));

// The share of each pixel around a triangle and an ellipse inside them, against a 256 x 256 grid of
// samples per pixel (within 3e-3 of the exact area where an edge crosses the pixel once).
TEST(PhysicalRaster, TrianglesAndEllipsesCoverTheirExactAreas) {
    const double p[] = {20.2, 30.7, 41.9, 35.3, 27.4, 52.6, 20.2, 30.7};
    const double cx = 60.37, cy = 70.81, rx = 9.6, ry = 4.3;
    PixelScene triangle, ellipse;
    triangle.addPolygon({p, p + 6}, TargetItemKind::Polygon);
    ellipse.addPolygon({cx - rx, cy - ry, cx + rx, cy - ry, cx + rx, cy + ry, cx - rx, cy + ry},
                       TargetItemKind::Ellipse);
    auto inTriangle = [&](double x, double y) { // on the inner side of all three edges
        for (int k = 0; k < 6; k += 2)
            if ((p[k + 2] - p[k]) * (y - p[k + 1]) - (p[k + 3] - p[k + 1]) * (x - p[k]) < 0.0)
                return false;
        return true;
    };
    auto inEllipse = [&](double x, double y) { return std::pow((x - cx) / rx, 2) + std::pow((y - cy) / ry, 2) <= 1.0; };
    // The pixels from (i0, j0) up to (i1, j1) around a shape; returns their sum.
    auto covered = [](PixelScene& scene, const auto& inside, int i0, int i1, int j0, int j1) {
        scene.rasterize();
        double total = 0.0;
        for (int j = j0; j < j1; ++j)
            for (int i = i0, count = 0; i < i1; ++i, count = 0) {
                for (int b = 0; b < 65536; ++b)
                    count += inside(i + (b % 256 + 0.5) / 256, j + (b / 256 + 0.5) / 256);
                EXPECT_NEAR(scene.at(i, j), count / 65536.0, 3e-3) << i << "," << j;
                total += scene.at(i, j);
            }
        return total;
    };
    covered(triangle, inTriangle, 18, 45, 28, 56);
    EXPECT_NEAR(covered(ellipse, inEllipse, 48, 73, 60, 82), M_PI * rx * ry, 2e-3);
}

TEST(PhysicalRaster, NearerItemsCoverFartherOnes) {
    PixelScene scene;
    scene.addRectangle(10.0, 40.0, 10.0, 40.0, 1.0, 5.0);   // farther
    scene.addRectangle(20.25, 30.5, 15.75, 25.0, 3.0, 1.0); // nearer, inside it
    scene.addRectangle(39.5, 45.0, 20.0, 21.0, 2.0, 9.0);   // farthest, half under the first
    scene.rasterize();
    // Pixel (39, 20): the farthest item is covered there.
    for (auto [i, j, expected] : {std::tuple{25, 20, 3.0},
                                  {20, 20, 0.25 * 1.0 + 0.75 * 3.0},
                                  {39, 20, 1.0},
                                  {30, 15, 0.5 * 0.25 * 3.0 + (1.0 - 0.5 * 0.25) * 1.0},
                                  {41, 20, 2.0},
                                  {12, 12, 1.0}})
        EXPECT_NEAR(scene.at(i, j), expected, 1e-4) << i << "," << j;
}

TEST(PhysicalNoise, TheNormalTableHasUnitVarianceAndReachesBeyondThreeSigma) {
    const std::vector<float>& table = normalTable();
    ASSERT_EQ(table.size(), static_cast<std::size_t>(normalTableSize));
    double mean = 0.0, squares = 0.0, fourth = 0.0;
    for (double v : table) {
        mean += v / table.size();
        squares += v * v / table.size();
        fourth += v * v * v * v / table.size();
    }
    EXPECT_NEAR(mean, 0.0, 1e-6);
    EXPECT_NEAR(squares, 1.0, 1e-5);
    EXPECT_NEAR(fourth, 3.0, 0.02); // a normal's kurtosis
    EXPECT_GT(table.back(), 3.9f);
    EXPECT_TRUE(std::is_sorted(table.begin(), table.end()));
    // Drawn values: fractions within 1 and 2 sigma as a normal distribution has them.
    FreshRandom random(42);
    std::vector<float> samples(400000);
    fillNormal(random, samples.data(), static_cast<int>(samples.size()));
    auto within = [&](float s) {
        return std::count_if(samples.begin(), samples.end(), [s](float v) { return std::fabs(v) < s; }) / 400000.0;
    };
    EXPECT_NEAR(within(1.0f), 0.682689, 0.003);
    EXPECT_NEAR(within(2.0f), 0.954500, 0.002);
}

TEST(PhysicalNoise, TheLevelFollowsTheDetectorOrPhotonLimitedModel) {
    BenchState state = plainBench();
    CameraSet c = state.camera.set; // NETD 0.05 K at 20 °C
    const PointList& response = state.camera.tables.currentSpectralResponse();
    c.noiseOption = 0;
    c.backgroundTemperature = 20.0f;
    const double atTm = physicalNoiseSigma(c, response);
    EXPECT_NEAR(atTm / (0.05 * physicalSignalSlope(response, 20.0)), 1.0, 1e-3);
    c.backgroundTemperature = 0.0f; // detector-limited: the same level at a colder scene
    EXPECT_DOUBLE_EQ(physicalNoiseSigma(c, response), atTm);
    c.noiseOption = 1; // photon-limited: smaller with the scene's fainter exitance
    EXPECT_NEAR(physicalNoiseSigma(c, response) / atTm,
                std::sqrt(physicalSignal(response, 0.0) / physicalSignal(response, 20.0)), 1e-12);
    c.noiseOption = 0;
    c.blurFlag = 1; // blurFlag doubles the NETD
    EXPECT_NEAR(physicalNoiseSigma(c, response) / atTm, 2.0, 2e-3);
}

// The observer's two renders give SensorImage at any difference as a render does, to two thousandths
// of the noise, whatever Planck's law makes of the difference: horizontal bars at a sub-pixel phase.
TEST(PhysicalRender, TwoRendersGiveTheImageAtAnyDifference) {
    ObserverBench bench("camera1.par", 1, true, ImageModel::Physical);
    bench.console.selectOrientation(true);
    bench.console.setTargetPhase(0.3, 0.6);
    LinearSensorImage linear(bench.console);
    for (double kelvin : {0.003, -0.2, 3.0}) {
        linear.show(kelvin);
        const std::vector<float> combined = bench.state.sim.sceneImage;
        bench.console.setTemperatureDifference(kelvin);
        double worst = 0.0;
        for (std::size_t k = 0; k < combined.size(); ++k)
            worst = std::max(worst, std::abs(static_cast<double>(combined[k]) - bench.state.sim.sceneImage[k]));
        EXPECT_LT(worst, 2e-3 * bench.state.sim.physical.noiseSigma) << kelvin << " K";
    }
}

TEST(Autocorrelation, FindsARepeatAndPassesIndependentNoise) {
    const int w = 200, h = 120;
    FreshRandom random(3);
    std::vector<float> normal(static_cast<std::size_t>(w * h));
    fillNormal(random, normal.data(), w * h);
    std::vector<double> image(normal.begin(), normal.end());
    int dx = 0, dy = 0;
    EXPECT_LT(std::fabs(largestAutocorrelation(image, w, h, dx, dy)), 0.05);
    // The same noise again 37 columns and 11 rows on, as a short table read round would give it.
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            image[static_cast<std::size_t>(j * w + i)] = normal[static_cast<std::size_t>(((j % 11) * w + i % 37))];
    EXPECT_GT(largestAutocorrelation(image, w, h, dx, dy), 0.9);
    EXPECT_TRUE(std::abs(dx) % 37 == 0 && std::abs(dy) % 11 == 0) << dx << "," << dy;
}

// Camera 1 on the standard target at 1.5 cycles/mrad and 1 K.
struct ShippedBench : ObserverBench {
    ShippedBench() : ObserverBench("camera1.par") {
        console.selectFrequency(2);
        console.setTemperatureOnGrid(1.0);
    }
};

// Switching from the specified model renders at once in the physical radiometry and keeps the
// results, and switching back gives the specified images exactly.
TEST(ImageModelChoice, SwitchingRendersAtOnceAndComesBackUnchanged) {
    ShippedBench plain, bench;
    bench.console.applyResult();
    const auto before = bench.console.results().rows(0);
    bench.console.setImageModel(ImageModel::Physical);
    EXPECT_NE(bench.state.sim.sceneImage, plain.state.sim.sceneImage);
    EXPECT_EQ(bench.console.results().rows(0), before);
    EXPECT_EQ(bench.console.frequencyIndex(), 2);
    EXPECT_NEAR(bench.state.sim.backgroundSignal,
                physicalSignal(bench.state.camera.tables.currentSpectralResponse(),
                               bench.state.camera.set.backgroundTemperature),
                1e-9);
    bench.console.setImageModel(ImageModel::Specified);
    const SimState &a = bench.state.sim, &b = plain.state.sim;
    EXPECT_TRUE(a.sceneImage == b.sceneImage && a.displayImage == b.displayImage && a.windowLow == b.windowLow &&
                a.noiseTable == b.noiseTable);
}

TEST(ImageModelChoice, RandomisedPositionsGetAnEvenSubPixelPhaseInThePhysicalModel) {
    std::vector<double> phases;
    for (ImageModel model : {ImageModel::Specified, ImageModel::Physical}) {
        ShippedBench bench;
        bench.console.setImageModel(model);
        bench.console.toggleRandomisePosition(1234);
        for (int k = 0; k < 10; ++k) {
            bench.console.selectFrequency(k % 3);
            const ConsoleValues& v = bench.state.console;
            EXPECT_TRUE(v.targetPhaseX >= -0.5 && v.targetPhaseX < 0.5 && v.targetPhaseY >= -0.5 &&
                        v.targetPhaseY < 0.5);
            if (model == ImageModel::Specified)
                EXPECT_EQ(v.targetPhaseX, 0.0);
            else
                phases.push_back(v.targetPhaseX);
        }
    }
    std::sort(phases.begin(), phases.end());
    EXPECT_LT(phases.front(), -0.15);
    EXPECT_GT(phases.back(), 0.15);
    EXPECT_EQ(std::unique(phases.begin(), phases.end()), phases.end());
}

TEST(ImageModelChoice, ThePhaseMovesTheBarsByThatShareOfAPixel) {
    ShippedBench bench;
    bench.console.setImageModel(ImageModel::Physical);
    const float before = bench.state.target.items[1].screenBounds[0];
    bench.console.setTargetPhase(0.25, -0.5);
    const double pitch =
        computeRenderGeometry(bench.state.camera.set, bench.state.sim, RenderMode::CameraView, false).pitchX;
    EXPECT_NEAR(bench.state.target.items[1].screenBounds[0] - before, 0.25 * pitch, 1e-3 * pitch);
}

} // namespace
