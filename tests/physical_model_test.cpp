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

// The area of a convex polygon inside the unit pixel (i, j), by clipping it to the pixel's four sides.
double clippedArea(std::vector<std::pair<double, double>> poly, int i, int j) {
    auto clip = [&](auto inside, auto cross) {
        std::vector<std::pair<double, double>> out;
        for (std::size_t k = 0; k < poly.size(); ++k) {
            auto p = poly[k], q = poly[(k + 1) % poly.size()];
            if (inside(p))
                out.push_back(p);
            if (inside(p) != inside(q))
                out.push_back(cross(p, q));
        }
        poly = out;
    };
    auto atX = [](double x) {
        return [x](std::pair<double, double> p, std::pair<double, double> q) {
            return std::make_pair(x, p.second + (x - p.first) * (q.second - p.second) / (q.first - p.first));
        };
    };
    auto atY = [](double y) {
        return [y](std::pair<double, double> p, std::pair<double, double> q) {
            return std::make_pair(p.first + (y - p.second) * (q.first - p.first) / (q.second - p.second), y);
        };
    };
    clip([&](auto p) { return p.first >= i; }, atX(i));
    clip([&](auto p) { return p.first <= i + 1; }, atX(i + 1));
    clip([&](auto p) { return p.second >= j; }, atY(j));
    clip([&](auto p) { return p.second <= j + 1; }, atY(j + 1));
    double a = 0.0;
    for (std::size_t k = 0; k < poly.size(); ++k) {
        auto p = poly[k], q = poly[(k + 1) % poly.size()];
        a += p.first * q.second - q.first * p.second;
    }
    return std::fabs(a) / 2.0;
}

// The area of an ellipse inside the unit pixel (i, j), by integrating its chord across the pixel.
double ellipseArea(double cx, double cy, double rx, double ry, int i, int j) {
    constexpr int steps = 20000;
    double sum = 0.0;
    for (int k = 0; k < steps; ++k) {
        const double x = i + (k + 0.5) / steps;
        const double u = (x - cx) / rx;
        if (std::fabs(u) >= 1.0)
            continue;
        const double half = ry * std::sqrt(1.0 - u * u);
        sum += overlap(cy - half, cy + half, j, j + 1.0);
    }
    return sum / steps;
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
    PixelScene triangle;
    const std::vector<std::pair<double, double>> corners{{20.2, 30.7}, {41.9, 35.3}, {27.4, 52.6}};
    triangle.addPolygon({20.2, 30.7, 41.9, 35.3, 27.4, 52.6}, 1.0f);
    triangle.rasterize();
    for (int j = 28; j < 56; ++j)
        for (int i = 18; i < 45; ++i)
            ASSERT_NEAR(triangle.at(i, j), clippedArea(corners, i, j), 1e-4) << i << "," << j;

    PixelScene ellipse;
    const double cx = 60.37, cy = 70.81, rx = 9.6, ry = 4.3;
    ellipse.addEllipse(cx, cy, rx, ry, 1.0f);
    ellipse.rasterize();
    double total = 0.0;
    for (int j = 60; j < 82; ++j)
        for (int i = 48; i < 73; ++i) {
            total += ellipse.at(i, j);
            if (i % 3 == 0) { // a third of the pixels against the chord integral
                ASSERT_NEAR(ellipse.at(i, j), ellipseArea(cx, cy, rx, ry, i, j), 1e-4) << i << "," << j;
            }
        }
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

namespace {

class PhysicalBlurEdge : public ::testing::TestWithParam<double> {};

} // namespace

TEST_P(PhysicalBlurEdge, GivesTheGaussianAndPixelBoxStepResponse) {
    const double sigmaPixels = GetParam();
    PixelScene scene;
    const double pitchMrad = scene.g.pitchX * 1000.0;
    scene.state.sim.physical.blurWidthX = scene.state.sim.physical.blurWidthY = sigmaPixels * pitchMrad;
    const PhysicalGeometry pg =
        computePhysicalGeometry(scene.state.camera.set, scene.state.sim, RenderMode::CameraView, false);
    EXPECT_NEAR(pg.sigmaX, sigmaPixels, 1e-9);
    // A half-plane from x = 100.37 sensor pixels, over the whole height.
    const double edge = 100.37;
    TargetItem item = projectedRectangle(scene.x(edge), scene.x(400.0), scene.y(-50.0), scene.y(400.0), 1.0f);
    scene.add(item, 0.0f);
    // Sensor pixel i has its left edge at padded pixel i + h, that is at -halfX + i·pitch.
    rasterizePhysical(scene.state.target, scene.state.sim, pg.g);
    blurPhysical(scene.state.sim, pg);
    for (int i = 90; i < 111; ++i) {
        // The pixel box over the edge blurred by the Gaussian, by a fine sum.
        constexpr int steps = 4000;
        double expected = 0.0;
        for (int k = 0; k < steps; ++k) {
            const double t = i + (k + 0.5) / steps;
            expected += 0.5 * std::erfc(-(t - edge) / (std::sqrt(2.0) * sigmaPixels));
        }
        expected /= steps;
        const double value = scene.state.sim.sceneImage[static_cast<std::size_t>(100) * scene.state.sim.imageWidth + i];
        EXPECT_NEAR(value, expected, 2e-3) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sigmas, PhysicalBlurEdge, ::testing::Values(0.35, 0.8, 2.5),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return testing_support::numberName(info.param) + "_pixels";
                         });

TEST(PhysicalBlur, LayeredItemsOverOnePixelCountOnce) {
    // Along x: a far item from 100.37 on, a nearer one over whole pixels 95 ... 105, and the nearest
    // from 100.6 to 103.2, so pixel 100 takes cells, loses them and takes them again.
    PixelScene scene;
    const double sigmaPixels = 0.6;
    scene.state.sim.physical.blurWidthX = sigmaPixels * scene.g.pitchX * 1000.0;
    scene.state.sim.physical.blurWidthY = 0.0;
    const PhysicalGeometry pg =
        computePhysicalGeometry(scene.state.camera.set, scene.state.sim, RenderMode::CameraView, false);
    // Sensor pixel i has its left edge at -halfX + i·pitch, whatever the margin.
    auto padded = [&](double sensorX) { return scene.x(sensorX); };
    scene.add(projectedRectangle(padded(100.37), padded(400.0), scene.y(-50.0), scene.y(400.0), 1.0f), 9.0f);
    scene.add(projectedRectangle(padded(95.0), padded(106.0), scene.y(-50.0), scene.y(400.0), 2.0f), 5.0f);
    scene.add(projectedRectangle(padded(100.6), padded(103.2), scene.y(-50.0), scene.y(400.0), 3.0f), 1.0f);
    rasterizePhysical(scene.state.target, scene.state.sim, pg.g);
    blurPhysical(scene.state.sim, pg);
    struct Piece {
        double from, to, value;
    };
    const Piece scenePieces[] = {{95.0, 100.6, 2.0}, {100.6, 103.2, 3.0}, {103.2, 106.0, 2.0}, {106.0, 400.0, 1.0}};
    for (int i = 92; i < 110; ++i) {
        constexpr int steps = 4000;
        double expected = 0.0;
        for (int k = 0; k < steps; ++k) {
            const double t = i + (k + 0.5) / steps;
            for (const Piece& p : scenePieces)
                expected += p.value * 0.5 *
                            (std::erfc(-(t - p.from) / (std::sqrt(2.0) * sigmaPixels)) -
                             std::erfc(-(t - p.to) / (std::sqrt(2.0) * sigmaPixels)));
        }
        expected /= steps;
        const double value = scene.state.sim.sceneImage[static_cast<std::size_t>(100) * scene.state.sim.imageWidth + i];
        EXPECT_NEAR(value, expected, 3e-3) << i;
    }
}

TEST(PhysicalNoise, TheNormalTableHasUnitVarianceAndReachesBeyondThreeSigma) {
    const std::vector<float>& table = normalTable();
    ASSERT_EQ(table.size(), static_cast<std::size_t>(normalTableSize));
    EXPECT_GE(table.size(), 4096u);
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

TEST(ImageModelChoice, TheSpecifiedModelIsTheDefaultAndComesBackUnchanged) {
    ShippedBench plain;
    EXPECT_EQ(plain.console.imageModel(), ImageModel::Specified);
    ShippedBench switched;
    switched.console.setImageModel(ImageModel::Physical);
    const std::vector<float> physical = switched.state.sim.sceneImage;
    EXPECT_NE(physical, plain.state.sim.sceneImage);
    switched.console.setImageModel(ImageModel::Specified);
    EXPECT_EQ(switched.state.sim.sceneImage, plain.state.sim.sceneImage);
    EXPECT_EQ(switched.state.sim.displayImage, plain.state.sim.displayImage);
    EXPECT_EQ(switched.state.sim.windowLow, plain.state.sim.windowLow);
    EXPECT_EQ(switched.state.sim.noiseTable, plain.state.sim.noiseTable);
    EXPECT_TRUE(plain.log.messages.empty());
    EXPECT_TRUE(switched.log.messages.empty());
}

TEST(ImageModelChoice, SwitchingRendersAtOnceAndKeepsTheResults) {
    ShippedBench bench;
    bench.console.applyResult();
    const auto before = bench.console.results().rows(0);
    const std::vector<float> specified = bench.state.sim.sceneImage;
    bench.console.setImageModel(ImageModel::Physical);
    EXPECT_EQ(bench.console.imageModel(), ImageModel::Physical);
    EXPECT_NE(bench.state.sim.sceneImage, specified);
    EXPECT_EQ(bench.console.results().rows(0), before);
    EXPECT_EQ(bench.console.frequencyIndex(), 2);
    // The background takes the physical radiometry: 273.15 and the SI constants.
    const PointList& response = bench.state.camera.tables.currentSpectralResponse();
    EXPECT_NEAR(bench.state.sim.backgroundSignal,
                physicalSignal(response, bench.state.camera.set.backgroundTemperature), 1e-9);
}

TEST(ImageModelChoice, RandomisedPositionsGetAnEvenSubPixelPhaseInThePhysicalModel) {
    ShippedBench specified;
    specified.console.toggleRandomisePosition(1234);
    specified.console.selectFrequency(1);
    EXPECT_EQ(specified.state.console.targetPhaseX, 0.0);

    ShippedBench physical;
    physical.console.setImageModel(ImageModel::Physical);
    physical.console.toggleRandomisePosition(1234);
    std::vector<double> phases;
    for (int k = 0; k < 10; ++k) {
        physical.console.selectFrequency(k % 3);
        phases.push_back(physical.state.console.targetPhaseX);
        EXPECT_GE(physical.state.console.targetPhaseX, -0.5);
        EXPECT_LT(physical.state.console.targetPhaseX, 0.5);
        EXPECT_GE(physical.state.console.targetPhaseY, -0.5);
        EXPECT_LT(physical.state.console.targetPhaseY, 0.5);
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

TEST(PhysicalFrames, NoiseIsFreshInEveryFrame) {
    ShippedBench bench;
    bench.console.setImageModel(ImageModel::Physical);
    std::vector<std::uint8_t> first, second;
    BuildViewFrame(bench.state.sim, bench.state.camera.set, bench.state.random, first);
    BuildViewFrame(bench.state.sim, bench.state.camera.set, bench.state.random, second);
    const int w = bench.state.sim.imageWidth, h = bench.state.sim.imageHeight;
    ASSERT_EQ(first.size(), static_cast<std::size_t>((w + viewFramePadding) * (h + viewFramePadding)));
    // The two frames' noise is unrelated.
    double sa = 0, sb = 0, sab = 0, saa = 0, sbb = 0;
    const std::size_t n = static_cast<std::size_t>(w) * h;
    for (std::size_t k = 0; k < n; ++k) {
        const double a = first[k] - bench.state.sim.displayImage[3 * k],
                     b = second[k] - bench.state.sim.displayImage[3 * k];
        sa += a, sb += b, sab += a * b, saa += a * a, sbb += b * b;
    }
    const double covariance = sab / n - sa / n * sb / n;
    const double correlation = covariance / std::sqrt((saa / n - sa / n * sa / n) * (sbb / n - sb / n * sb / n));
    EXPECT_GT(saa / n, 0.5); // there is noise to speak of
    EXPECT_LT(std::fabs(correlation), 0.05);
}
