// The physical image model: exact pixel areas, the optics' Gaussian with one pixel box, fresh
// normal noise, and its choice on the console.
#include "console/bench_console.h"
#include "console/open_bench.h"
#include "measurement/autocorrelation.h"
#include "sim/physical_noise.h"
#include "sim/physical_radiometry.h"
#include "sim/physical_render.h"
#include "sim/render.h"
#include "target/target_file.h"
#include "text/messages.h"

#include "sim_fixture.h"
#include "test_support.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <gtest/gtest.h>

using testing_support::shippedFile;

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
    void add(TargetItem item, float distance) {
        item.distance = distance;
        state.target.items.push_back(std::move(item));
        rebuildDistanceOrder(state.target);
    }
    void addRectangle(double x0, double x1, double y0, double y1, float signal, float distance = 0.0f) {
        add(projectedRectangle(x(x0), x(x1), y(y0), y(y1), signal), distance);
    }
    void addPolygon(const std::vector<double>& pixels, float signal, TargetItemKind kind = TargetItemKind::Polygon) {
        TargetItem item;
        item.isObject = true;
        item.kind = kind;
        item.dimension = 2;
        item.vertexCount = static_cast<int>(pixels.size() / 2);
        item.vertices.assign(pixels.size(), 0.0f);
        float minX = 1e30f, maxX = -1e30f, minY = 1e30f, maxY = -1e30f;
        for (std::size_t k = 0; k < pixels.size(); k += 2) {
            const auto px = static_cast<float>(x(pixels[k])), py = static_cast<float>(y(pixels[k + 1]));
            item.projected2D.push_back(px);
            item.projected2D.push_back(py);
            minX = std::min(minX, px), maxX = std::max(maxX, px), minY = std::min(minY, py), maxY = std::max(maxY, py);
        }
        item.screenBounds = {minX, maxX, minY, maxY};
        item.renderTemperature = signal;
        add(std::move(item), 0.0f);
    }
    void addEllipse(double cx, double cy, double rx, double ry, float signal) {
        addPolygon({cx - rx, cy - ry, cx + rx, cy - ry, cx + rx, cy + ry, cx - rx, cy + ry}, signal,
                   TargetItemKind::Ellipse);
    }
    void rasterize() { rasterizePhysical(state.target, state.sim, g); }
    double at(int i, int j) const { return state.sim.sceneImage[static_cast<std::size_t>(j) * g.width + i]; }
};

double overlap(double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

// The share of the unit pixel (i, j) inside a shape, by a 256 x 256 grid of samples: within 3e-3 of
// the exact area for a shape whose edge crosses the pixel once.
double sampledArea(const std::function<bool(double, double)>& inside, int i, int j) {
    constexpr int n = 256;
    int count = 0;
    for (int b = 0; b < n; ++b)
        for (int a = 0; a < n; ++a)
            count += inside(i + (a + 0.5) / n, j + (b + 0.5) / n);
    return static_cast<double>(count) / (n * n);
}

} // namespace

struct RectangleCase {
    const char* name;
    double x0, x1, y0, y1;
};

class PhysicalRectangle : public ::testing::TestWithParam<RectangleCase> {};

TEST_P(PhysicalRectangle, EveryPixelHoldsTheCoveredShareOfItsArea) {
    const RectangleCase r = GetParam();
    PixelScene scene;
    scene.addRectangle(r.x0, r.x1, r.y0, r.y1, 1.0f);
    scene.rasterize();
    double total = 0.0;
    for (int j = 0; j < scene.g.height; ++j)
        for (int i = 0; i < scene.g.width; ++i) {
            const double expected = overlap(i, i + 1.0, r.x0, r.x1) * overlap(j, j + 1.0, r.y0, r.y1);
            ASSERT_NEAR(scene.at(i, j), expected, 1e-4) << i << "," << j;
            total += scene.at(i, j);
        }
    EXPECT_NEAR(total, overlap(0.0, scene.g.width, r.x0, r.x1) * overlap(0.0, scene.g.height, r.y0, r.y1), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Positions, PhysicalRectangle,
                         ::testing::Values(RectangleCase{"several pixels, all edges inside pixels", 10.3, 14.85, 20.6,
                                                         23.1},
                                           RectangleCase{"edges on pixel borders", 50.0, 52.0, 40.0, 47.0},
                                           RectangleCase{"smaller than a pixel", 100.2, 100.7, 30.1, 30.4},
                                           RectangleCase{"past the image's corner", -5.5, 3.25, 250.5, 270.0},
                                           RectangleCase{"a bar a quarter pixel wide", 127.875, 128.125, 10.0, 200.0}),
                         testing_support::RowNamedByName{});

TEST(PhysicalRaster, TrianglesAndEllipsesCoverTheirExactAreas) {
    PixelScene triangle, ellipse;
    triangle.addPolygon({20.2, 30.7, 41.9, 35.3, 27.4, 52.6}, 1.0f);
    const double cx = 60.37, cy = 70.81, rx = 9.6, ry = 4.3;
    ellipse.addEllipse(cx, cy, rx, ry, 1.0f);
    // On the inner side of all three edges.
    auto inTriangle = [](double x, double y) {
        const double p[] = {20.2, 30.7, 41.9, 35.3, 27.4, 52.6, 20.2, 30.7};
        for (int k = 0; k < 6; k += 2)
            if ((p[k + 2] - p[k]) * (y - p[k + 1]) - (p[k + 3] - p[k + 1]) * (x - p[k]) < 0.0)
                return false;
        return true;
    };
    auto inEllipse = [&](double x, double y) { return std::pow((x - cx) / rx, 2) + std::pow((y - cy) / ry, 2) <= 1.0; };
    const struct {
        PixelScene* scene;
        std::function<bool(double, double)> inside;
        int i0, i1, j0, j1; // the pixels around the shape
    } shapes[] = {{&triangle, inTriangle, 18, 45, 28, 56}, {&ellipse, inEllipse, 48, 73, 60, 82}};
    for (const auto& shape : shapes) {
        shape.scene->rasterize();
        for (int j = shape.j0; j < shape.j1; ++j)
            for (int i = shape.i0; i < shape.i1; ++i)
                ASSERT_NEAR(shape.scene->at(i, j), sampledArea(shape.inside, i, j), 3e-3) << i << "," << j;
    }
    double total = 0.0;
    for (int j = 60; j < 82; ++j)
        for (int i = 48; i < 73; ++i)
            total += ellipse.at(i, j);
    EXPECT_NEAR(total, M_PI * rx * ry, 2e-3);
}

TEST(PhysicalRaster, NearerItemsCoverFartherOnes) {
    PixelScene scene;
    scene.addRectangle(10.0, 40.0, 10.0, 40.0, 1.0f, 5.0f);   // farther
    scene.addRectangle(20.25, 30.5, 15.75, 25.0, 3.0f, 1.0f); // nearer, inside it
    scene.addRectangle(39.5, 45.0, 20.0, 21.0, 2.0f, 9.0f);   // farthest, half under the first
    scene.rasterize();
    EXPECT_NEAR(scene.at(25, 20), 3.0, 1e-4);
    EXPECT_NEAR(scene.at(20, 20), 0.25 * 1.0 + 0.75 * 3.0, 1e-4);
    EXPECT_NEAR(scene.at(30, 15), 0.5 * 0.25 * 3.0 + (1.0 - 0.5 * 0.25) * 1.0, 1e-4);
    EXPECT_NEAR(scene.at(39, 20), 1.0, 1e-4); // the farthest item is covered here
    EXPECT_NEAR(scene.at(41, 20), 2.0, 1e-4);
    EXPECT_NEAR(scene.at(12, 12), 1.0, 1e-4);
}

// Items along x over the whole height (from, to, signal, distance) and the pieces of them that stay
// visible (from, to, signal): the blurred row is the visible pieces' pixel boxes blurred by the
// Gaussian, every layer counted once.
struct Piece {
    double from, to, value, distance;
};
struct BlurRow {
    const char* name;
    double sigmaPixels;
    std::vector<Piece> items, visible;
};
class PhysicalBlur : public ::testing::TestWithParam<BlurRow> {};

TEST_P(PhysicalBlur, GivesTheGaussianAndPixelBoxResponse) {
    const BlurRow& row = GetParam();
    PixelScene scene;
    scene.state.sim.physical.blurWidthX = scene.state.sim.physical.blurWidthY = row.sigmaPixels * scene.g.pitchX * 1000;
    const PhysicalGeometry pg =
        computePhysicalGeometry(scene.state.camera.set, scene.state.sim, RenderMode::CameraView, false);
    EXPECT_NEAR(pg.sigmaX, row.sigmaPixels, 1e-9);
    // Sensor pixel i has its left edge at -halfX + i·pitch, whatever the margin.
    for (const Piece& p : row.items)
        scene.add(projectedRectangle(scene.x(p.from), scene.x(p.to), scene.y(-50.0), scene.y(400.0),
                                     static_cast<float>(p.value)),
                  static_cast<float>(p.distance));
    rasterizePhysical(scene.state.target, scene.state.sim, pg.g);
    blurPhysical(scene.state.sim, pg);
    const double spread = std::sqrt(2.0) * row.sigmaPixels;
    for (int i = 90; i < 111; ++i) {
        constexpr int steps = 4000;
        double expected = 0.0;
        for (int k = 0; k < steps; ++k) {
            const double t = i + (k + 0.5) / steps;
            for (const Piece& p : row.visible)
                expected += p.value * 0.5 * (std::erfc(-(t - p.from) / spread) - std::erfc(-(t - p.to) / spread));
        }
        const double value = scene.state.sim.sceneImage[static_cast<std::size_t>(100) * scene.state.sim.imageWidth + i];
        EXPECT_NEAR(value, expected / steps, 3e-3) << i;
    }
}

const std::vector<Piece> halfPlane{{100.37, 400.0, 1.0, 0.0}};
// A far item from 100.37 on, a nearer one over whole pixels 95 ... 105, the nearest from 100.6 to
// 103.2: pixel 100 takes cells, loses them and takes them again.
const std::vector<Piece> layers{{100.37, 400.0, 1.0, 9.0}, {95.0, 106.0, 2.0, 5.0}, {100.6, 103.2, 3.0, 1.0}};
INSTANTIATE_TEST_SUITE_P(
    Rows, PhysicalBlur,
    ::testing::Values(
        BlurRow{"Edge035", 0.35, halfPlane, halfPlane}, BlurRow{"Edge08", 0.8, halfPlane, halfPlane},
        BlurRow{"Edge25", 2.5, halfPlane, halfPlane},
        BlurRow{"Layers",
                0.6,
                layers,
                {{95.0, 100.6, 2.0, 0}, {100.6, 103.2, 3.0, 0}, {103.2, 106.0, 2.0, 0}, {106.0, 400.0, 1.0, 0}}}),
    testing_support::RowNamedByName{});

TEST(PhysicalNoise, TheNormalTableHasUnitVarianceAndReachesBeyondThreeSigma) {
    const std::vector<float>& table = normalTable();
    ASSERT_EQ(table.size(), static_cast<std::size_t>(normalTableSize));
    double mean = 0.0, squares = 0.0, fourth = 0.0;
    for (float v : table) {
        mean += v;
        squares += static_cast<double>(v) * v;
        fourth += static_cast<double>(v) * v * v * v;
    }
    EXPECT_NEAR(mean / table.size(), 0.0, 1e-6);
    EXPECT_NEAR(squares / table.size(), 1.0, 1e-5);
    EXPECT_NEAR(fourth / table.size(), 3.0, 0.02); // a normal's kurtosis
    EXPECT_GT(*std::max_element(table.begin(), table.end()), 3.9f);
    EXPECT_TRUE(std::is_sorted(table.begin(), table.end()));

    // Drawn values: fractions within 1 and 2 sigma as a normal distribution has them.
    FreshRandom random(42);
    std::vector<float> samples(400000);
    fillNormal(random, samples.data(), static_cast<int>(samples.size()));
    const double within1 = std::count_if(samples.begin(), samples.end(), [](float v) { return std::fabs(v) < 1.0f; });
    const double within2 = std::count_if(samples.begin(), samples.end(), [](float v) { return std::fabs(v) < 2.0f; });
    EXPECT_NEAR(within1 / samples.size(), 0.682689, 0.003);
    EXPECT_NEAR(within2 / samples.size(), 0.954500, 0.002);
}

TEST(PhysicalNoise, TheLevelFollowsTheDetectorOrPhotonLimitedModel) {
    BenchState state = plainBench();
    CameraSet c = state.camera.set;
    const PointList& response = state.camera.tables.currentSpectralResponse();
    c.netd = 0.05f;
    c.tm = 20.0f;
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

TEST(PhysicalRadiometry, UsesTheConstantsFromTheSIValues) {
    EXPECT_NEAR(exactC1, 37417.72, 0.01);
    EXPECT_NEAR(exactC2, 14387.769, 0.001);
    // Against the reference table (c1 = 3.7418e4, c2 = 14388, four figures).
    PointList flat{{8.0f, 1.0f, 12.0f, 1.0f}};
    EXPECT_NEAR(physicalExitance(flat, 300.0) / 1.209e-2, 1.0, 5e-4);
    EXPECT_NEAR(physicalSignal(flat, 20.0) / 1.079e-2, 1.0, 5e-4);
    EXPECT_NEAR(physicalSignalSlope(flat, 20.0) / 1.843e-4, 1.0, 5e-4);
    PointList mwir{{3.0f, 1.0f, 5.0f, 1.0f}};
    EXPECT_NEAR(physicalExitance(mwir, 300.0) / 5.861e-4, 1.0, 5e-4);
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
    EXPECT_EQ(std::abs(dx) % 37 == 0 && std::abs(dy) % 11 == 0, true) << dx << "," << dy;
}

namespace {

struct ShippedBench {
    BenchState state;
    MessageLog log;
    BenchConsole console{state, log};

    explicit ShippedBench(const char* camera = "camera1.par") {
        BenchSources sources;
        sources.atmosphere = BenchSource{shippedFile("Atmosphere.ini"), std::nullopt};
        sources.camera.path = shippedFile(camera);
        sources.target.path = shippedFile("mira.tag");
        EXPECT_EQ(openBench(console, sources), BenchOpenFault::None);
        console.selectFrequency(2);
        console.onTemperatureSlider(BenchConsole::sliderPositionOf(1.0));
    }
};

} // namespace

// The specified model is the default; switching renders at once in the physical radiometry and
// keeps the results, and switching back gives the specified images exactly.
TEST(ImageModelChoice, SwitchingRendersAtOnceAndComesBackUnchanged) {
    ShippedBench plain, bench;
    EXPECT_EQ(plain.console.imageModel(), ImageModel::Specified);
    bench.console.applyResult();
    const auto before = bench.console.results().rows(0);
    bench.console.setImageModel(ImageModel::Physical);
    EXPECT_NE(bench.state.sim.sceneImage, plain.state.sim.sceneImage);
    EXPECT_EQ(bench.console.results().rows(0), before);
    EXPECT_EQ(bench.console.frequencyIndex(), 2);
    const PointList& response = bench.state.camera.tables.currentSpectralResponse();
    EXPECT_NEAR(bench.state.sim.backgroundSignal,
                physicalSignal(response, bench.state.camera.set.backgroundTemperature), 1e-9);
    bench.console.setImageModel(ImageModel::Specified);
    EXPECT_EQ(bench.state.sim.sceneImage, plain.state.sim.sceneImage);
    EXPECT_EQ(bench.state.sim.displayImage, plain.state.sim.displayImage);
    EXPECT_EQ(bench.state.sim.windowLow, plain.state.sim.windowLow);
    EXPECT_EQ(bench.state.sim.noiseTable, plain.state.sim.noiseTable);
    EXPECT_TRUE(plain.log.messages.empty() && bench.log.messages.empty());
}

TEST(ImageModelChoice, RandomisedPositionsGetAnEvenSubPixelPhaseInThePhysicalModel) {
    ShippedBench specified, physical;
    physical.console.setImageModel(ImageModel::Physical);
    std::vector<double> phases;
    for (ShippedBench* bench : {&specified, &physical}) {
        bench->console.toggleRandomisePosition(1234);
        for (int k = 0; k < 10; ++k) {
            bench->console.selectFrequency(k % 3);
            const ConsoleValues& v = bench->state.console;
            EXPECT_TRUE(v.targetPhaseX >= -0.5 && v.targetPhaseX < 0.5 && v.targetPhaseY >= -0.5 &&
                        v.targetPhaseY < 0.5);
            if (bench == &specified)
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
    const RenderGeometry g =
        computeRenderGeometry(bench.state.camera.set, bench.state.sim, RenderMode::CameraView, false);
    EXPECT_NEAR(bench.state.target.items[1].screenBounds[0] - before, 0.25 * g.pitchX, 1e-3 * g.pitchX);
}
