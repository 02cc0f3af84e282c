#include "sim/display.h"
#include "sim/image_model_behaviour.h"
#include "sim/in_band_exitance.h"
#include "sim/render.h"
#include "sim/truncate.h"

#include "sim_fixture.h"
#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

// A sensor image holding the given signals in its first pixels, the rest at the first one.
static void setSensorImage(SimState& sim, std::vector<float> values, int width = 8, int height = 4) {
    sim.imageWidth = width;
    sim.imageHeight = height;
    values.resize(static_cast<std::size_t>(width * height), values.front());
    sim.sceneImage = values;
}

TEST(DisplayWindow, LevelFiveHundredCentresTheWindowOnTheMiddleSignal) {
    BenchState state = plainBench(); // its level range is its temperature range
    CameraSet& c = state.camera.set;
    ApplyLevelContrast({500, 990}, c, state.sim);
    const double middle = (state.sim.signalMin + state.sim.signalMax) / 2;
    EXPECT_NEAR((state.sim.windowLow + state.sim.windowHigh) / 2, middle, 1e-12);
    // A higher contrast position narrows the window.
    ApplyLevelContrast({500, 999}, c, state.sim);
    const double narrow = state.sim.windowHigh - state.sim.windowLow;
    ApplyLevelContrast({500, 900}, c, state.sim);
    EXPECT_GT(state.sim.windowHigh - state.sim.windowLow, narrow);
    // At the ends the window stays a thousandth of the range inside it and never closes.
    ApplyLevelContrast({0, 1000}, c, state.sim);
    const double eps = (state.sim.signalMax - state.sim.signalMin) * 0.001;
    EXPECT_GE(state.sim.windowLow, state.sim.signalMin + eps - 1e-15);
    EXPECT_GT(state.sim.windowHigh, state.sim.windowLow);
}

TEST(DisplayWindow, AutomaticSettingsSpanTheImageAndClampToTheSliders) {
    BenchState state = plainBench();
    const double s0 = signalOfTemperature(state.camera.tables.spectralResponse0, 0.0);
    const double s5 = signalOfTemperature(state.camera.tables.spectralResponse0, 5.0);
    setSensorImage(state.sim, {static_cast<float>(s0), static_cast<float>(s5)});
    LevelContrast sliders;
    AutoLevelContrast(sliders, state.camera.set, state.sim);
    // Positions are whole thousandths, so the window matches [lo, hi] to that resolution.
    const double levelStep = (state.sim.levelSignalMax - state.sim.levelSignalMin) * 0.001;
    const double contrastStep = (state.sim.contrastSignalMax - state.sim.contrastSignalMin) * 0.001;
    EXPECT_NEAR((state.sim.windowLow + state.sim.windowHigh) / 2, (s0 + s5) / 2, levelStep);
    EXPECT_NEAR(state.sim.windowHigh - state.sim.windowLow, s5 - s0, contrastStep);

    setSensorImage(state.sim, {static_cast<float>(state.sim.signalMax * 10)});
    AutoLevelContrast(sliders, state.camera.set, state.sim);
    EXPECT_EQ(std::pair(sliders.level, sliders.contrast), std::pair(1000, 1000));
    setSensorImage(state.sim,
                   {static_cast<float>(state.sim.signalMin * 0.1), static_cast<float>(state.sim.signalMax * 10)});
    AutoLevelContrast(sliders, state.camera.set, state.sim);
    EXPECT_EQ(sliders.contrast, 0);
}

// The mapping of every signal equals the truncated quotient of its definition, also for signals on
// either side of each grey's boundary and for windows far narrower than a float step: in the camera
// view hot white and black, and in the fitted loader preview over the whole signal range, inverted.
class DisplayMappingExact : public testing::TestWithParam<testing_support::DataRow> {};

TEST_P(DisplayMappingExact, EqualsTheTruncatedQuotient) {
    BenchState state = plainBench();
    SimState& sim = state.sim;
    const double low = GetParam()[0], high = GetParam()[1], step = (high - low) / 256.0;
    std::vector<float> signals{std::nanf(""), INFINITY, -INFINITY, 0.0f, -0.0f};
    for (int g = -2; g <= 258; ++g) {
        const auto edge = static_cast<float>(low + g * step);
        signals.insert(signals.end(), {edge, std::nextafter(edge, INFINITY), std::nextafter(edge, -INFINITY),
                                       static_cast<float>(low + (g + 0.5) * step)});
    }
    sim.windowLow = sim.signalMin = low;
    sim.windowHigh = sim.signalMax = high;
    for (const auto& [cameraView, blackHot] : {std::pair{true, false}, {true, true}, {false, false}}) {
        state.camera.set.polarity = blackHot;
        setSensorImage(sim, signals, static_cast<int>(signals.size()), 1);
        mapToDisplay(sim, state.camera.set, cameraView, !cameraView);
        const bool inverted = blackHot || !cameraView;
        for (std::size_t k = 0; k < signals.size(); ++k) {
            const int grey = toGrey((signals[k] - low) / step);
            ASSERT_EQ(sim.displayImage[3 * k], inverted ? 255 - grey : grey) << signals[k] << " " << cameraView;
            ASSERT_EQ(sim.displayImage[3 * k + 2], sim.displayImage[3 * k]);
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Windows, DisplayMappingExact, TERVIX_TABLE_ROWS("tables/display_windows.txt"));

// Each image model's frames: without noise the display image itself; with it, noise fresh in every
// frame (unrelated from one frame to the next) around the image's grey.
class ViewFrame : public testing::TestWithParam<std::tuple<ImageModel, bool>> {};

TEST_P(ViewFrame, HoldsTheDisplayImageWithFreshNoise) {
    const auto [model, noisy] = GetParam();
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    state.sim.imageModel = model;
    c.frameNoise = noisy ? std::array<std::int32_t, 3>{100, 20, 20} : std::array<std::int32_t, 3>{};
    c.flickerProbability = 0.0f;
    refreshModel(state);
    const double sigma = imageModelBehaviour(model).noiseSigma(state.sim);
    state.sim.windowLow = state.sim.backgroundSignal - 5 * sigma;
    state.sim.windowHigh = state.sim.backgroundSignal + 5 * sigma;
    int busy = 0;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, c);
    const auto first = BuildViewFrame(state.sim, c, state.random), second = BuildViewFrame(state.sim, c, state.random);
    const std::size_t w = static_cast<std::size_t>(state.sim.imageWidth),
                      n = w * static_cast<std::size_t>(state.sim.imageHeight);
    ASSERT_EQ(first.size(), (w + viewFramePadding) * (n / w + viewFramePadding));
    double sa = 0, sb = 0, sab = 0, saa = 0, sbb = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double a = first[k] - state.sim.displayImage[3 * k], b = second[k] - state.sim.displayImage[3 * k];
        sa += a / n, sb += b / n, sab += a * b / n, saa += a * a / n, sbb += b * b / n;
    }
    if (!noisy) {
        EXPECT_EQ(saa + sbb, 0.0);
        return;
    }
    EXPECT_GT(saa, 0.5); // there is noise to speak of
    EXPECT_LT(std::fabs((sab - sa * sb) / std::sqrt((saa - sa * sa) * (sbb - sb * sb))), 0.05);
    EXPECT_LT(std::fabs(sa), 2.0); // around the image's grey, not pinned at an end
}
INSTANTIATE_TEST_SUITE_P(
    Models, ViewFrame, testing::Combine(testing::Values(ImageModel::Specified, ImageModel::Physical), testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == ImageModel::Physical ? "Physical" : "Specified") +
               (std::get<1>(info.param) ? "Noisy" : "Quiet");
    });

TEST(Presentation, ZoomFactors) {
    CameraSet c;
    ViewScales scales;
    c.electronicZoom = 2.0f;
    c.viewMargin = 0;
    PixelZoom z = presentationZoom(c, scales);
    EXPECT_TRUE(std::abs(z.x - 2.2) < 1e-9 && std::abs(z.y - 2.2) < 1e-9) << z.x << " " << z.y;
    c.viewMargin = 1;
    c.electronicZoom = 1.0f;
    c.interlaceShift = 1;
    scales.rowScale = 2; // even: halved, the odd column scale is not
    z = presentationZoom(c, scales);
    EXPECT_EQ(std::pair(z.x, z.y), std::pair(1.0, 1.0));

    c.jitterAmplitude = 1.0f;
    c.jitterProbability = 1.0f;
    RandomGenerator random;
    for (int k = 0; k < 200; ++k) { // at most one pixel's worth
        const PixelZoom j = applyJitter({1.0, 1.0}, c, 640, 480, random);
        EXPECT_TRUE(j.x >= 1.0 && j.x <= 1.0 + 1.0 / 640 + 1e-12 && j.y <= 1.0 + 1.0 / 480 + 1e-12)
            << j.x << " " << j.y;
    }
    c.jitterProbability = -1.0f;
    EXPECT_EQ(applyJitter({1.5, 1.5}, c, 640, 480, random).x, 1.5);
}
