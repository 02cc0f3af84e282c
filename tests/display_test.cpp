#include "sim/display.h"
#include "sim/in_band_exitance.h"
#include "sim/render.h"
#include "sim/truncate.h"

#include "sim_fixture.h"
#include "test_support.h"

#include <array>

#include <cmath>

#include <gtest/gtest.h>

namespace {

// A sensor image holding the given signals in its first pixels, the rest at the first one.
void setSensorImage(SimState& sim, std::vector<float> values, int width = 8, int height = 4) {
    sim.imageWidth = width;
    sim.imageHeight = height;
    values.resize(static_cast<std::size_t>(width * height), values.front());
    sim.sceneImage = values;
}

} // namespace

TEST(DisplayWindow, LevelFiveHundredCentresTheWindowOnTheMiddleSignal) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.levelMin = c.tempMin;
    c.levelMax = c.tempMax;
    CameraModelContext context = state.model();
    RefreshCameraModel(context);
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
    EXPECT_EQ(sliders.level, 1000);
    EXPECT_EQ(sliders.contrast, 1000);
    setSensorImage(state.sim,
                   {static_cast<float>(state.sim.signalMin * 0.1), static_cast<float>(state.sim.signalMax * 10)});
    AutoLevelContrast(sliders, state.camera.set, state.sim);
    EXPECT_EQ(sliders.contrast, 0);
}

namespace {

struct GreyOfSignal {
    const char* name;
    float signal; // in a window from 10 to 20
    int whiteHot; // grey with hot white; black hot gives 255 minus it
};

const GreyOfSignal greysOfSignals[] = {
    {"below the window", 5.0f, 0},    {"the window's low end", 10.0f, 0},  {"just below the middle", 14.99f, 127},
    {"the middle", 15.0f, 128},       {"just below the top", 19.99f, 255}, {"the window's high end", 20.0f, 255},
    {"above the window", 30.0f, 255}, {"not a number", std::nanf(""), 0},
};

class DisplayMappingGrey : public ::testing::TestWithParam<GreyOfSignal> {
protected:
    // Maps one pixel of the given signal (the rest of the row at 5) with hot white or black.
    static std::array<int, 3> mapped(float signal, bool blackHot) {
        BenchState state = plainBench();
        SimState& sim = state.sim;
        sim.windowLow = 10.0;
        sim.windowHigh = 20.0;
        setSensorImage(sim, {5.0f, signal, 5.0f, 5.0f}, 4, 1);
        state.camera.set.polarity = blackHot;
        mapToDisplay(sim, state.camera.set, true, false);
        return {sim.displayImage[3], sim.displayImage[4], sim.displayImage[5]};
    }
};

} // namespace

TEST_P(DisplayMappingGrey, WhiteHotSaturatesAtTheWindowEnds) {
    const int g = GetParam().whiteHot;
    EXPECT_EQ(mapped(GetParam().signal, false), (std::array<int, 3>{g, g, g}));
}

TEST_P(DisplayMappingGrey, BlackHotInvertsTheGrey) {
    const int g = 255 - GetParam().whiteHot;
    EXPECT_EQ(mapped(GetParam().signal, true), (std::array<int, 3>{g, g, g}));
}

INSTANTIATE_TEST_SUITE_P(Signals, DisplayMappingGrey, ::testing::ValuesIn(greysOfSignals),
                         testing_support::RowNamedByName{});

TEST(DisplayMapping, TheLoaderPreviewMapsTheWholeRangeInverted) {
    BenchState state = plainBench();
    SimState& sim = state.sim;
    sim.windowLow = 10.0;
    sim.windowHigh = 20.0;
    setSensorImage(sim, {5.0f, 10.0f, 14.99f, 15.0f, 19.99f, 20.0f, 30.0f, std::nanf("")}, 8, 1);
    state.camera.set.polarity = false;
    sim.signalMin = 0.0;
    sim.signalMax = 40.0;
    mapToDisplay(sim, state.camera.set, false, true);
    // 10 of 0 ... 40 is a quarter: grey 64, inverted.
    EXPECT_EQ(sim.displayImage[3 * 1], 255 - 64);
}

// The mapping of every signal equals the truncated quotient of its definition, also for signals on
// either side of each grey's boundary and for windows far narrower than a float step.
struct MappingWindow {
    double low, high;
};
class DisplayMappingExact : public testing::TestWithParam<MappingWindow> {};

TEST_P(DisplayMappingExact, EqualsTheTruncatedQuotient) {
    BenchState state = plainBench();
    SimState& sim = state.sim;
    sim.windowLow = GetParam().low;
    sim.windowHigh = GetParam().high;
    const double step = (sim.windowHigh - sim.windowLow) / 256.0;
    std::vector<float> signals{std::nanf(""), INFINITY, -INFINITY, 0.0f, -0.0f};
    for (int g = -2; g <= 258; ++g) {
        const auto edge = static_cast<float>(sim.windowLow + g * step);
        signals.push_back(edge);
        signals.push_back(std::nextafter(edge, INFINITY));
        signals.push_back(std::nextafter(edge, -INFINITY));
        signals.push_back(static_cast<float>(sim.windowLow + (g + 0.5) * step));
    }
    for (bool polarity : {false, true}) {
        state.camera.set.polarity = polarity;
        setSensorImage(sim, signals, static_cast<int>(signals.size()), 1);
        mapToDisplay(sim, state.camera.set, true, false);
        for (std::size_t k = 0; k < signals.size(); ++k) {
            int expected = toGrey((signals[k] - sim.windowLow) / step);
            if (polarity)
                expected = 255 - expected;
            ASSERT_EQ(sim.displayImage[3 * k], expected) << "signal " << signals[k] << " polarity " << polarity;
            ASSERT_EQ(sim.displayImage[3 * k + 2], expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, DisplayMappingExact,
                         testing::Values(MappingWindow{10.0, 20.0}, MappingWindow{-3.0, 1e6},
                                         MappingWindow{1.8, 1.8 + 1e-5}, MappingWindow{5.0, 5.0 + 1e-12},
                                         MappingWindow{1e-30, 2e-30}, MappingWindow{-7.25, -7.0},
                                         MappingWindow{0.0, 3e38}));

TEST(ViewFrame, WithoutNoiseFramesEqualTheDisplayImage) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.frameNoise = {0, 0, 0};
    c.flickerAmplitude = 0.0f;
    c.flickerProbability = 0.0f;
    int busy = 0;
    state.sim.backgroundSignal =
        static_cast<float>(state.sim.signalMin + (state.sim.signalMax - state.sim.signalMin) / 3);
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, c);
    for (int frame = 0; frame < 3; ++frame) {
        auto f = BuildViewFrame(state.sim, c, state.random);
        ASSERT_EQ(f.size(), static_cast<std::size_t>((state.sim.imageWidth + 16) * (state.sim.imageHeight + 16)));
        for (int k = 0; k < state.sim.imageWidth * state.sim.imageHeight; ++k)
            ASSERT_EQ(f[static_cast<std::size_t>(k)], state.sim.displayImage[static_cast<std::size_t>(3 * k)]) << k;
    }
}

TEST(ViewFrame, NoiseChangesEachFrameAndStaysInTheByteRange) {
    BenchState state = plainBench();
    CameraSet& c = state.camera.set;
    c.frameNoise = {100, 20, 20};
    c.flickerAmplitude = 0.5f;
    c.flickerProbability = 0.5f;
    state.sim.windowLow = state.sim.backgroundSignal - 5 * state.sim.lastNoiseSigma;
    state.sim.windowHigh = state.sim.backgroundSignal + 5 * state.sim.lastNoiseSigma;
    int busy = 0;
    RenderImage(busy, RenderMode::CameraView, false, state.target, state.sim, c);
    auto first = BuildViewFrame(state.sim, c, state.random);
    auto second = BuildViewFrame(state.sim, c, state.random);
    const std::size_t pixels = static_cast<std::size_t>(state.sim.imageWidth * state.sim.imageHeight);
    std::size_t differing = 0;
    double sum = 0;
    for (std::size_t k = 0; k < pixels; ++k) {
        differing += first[k] != second[k];
        sum += first[k];
    }
    EXPECT_GT(differing, pixels / 2);
    EXPECT_NEAR(sum / pixels, 128.0, 20.0); // noise around the middle grey, not pinned at an end
}

TEST(Presentation, ZoomFactors) {
    CameraSet c;
    ViewScales scales;
    c.electronicZoom = 2.0f;
    c.viewMargin = 0;
    PixelZoom z = presentationZoom(c, scales);
    EXPECT_NEAR(z.x, 2.2, 1e-9);
    EXPECT_NEAR(z.y, 2.2, 1e-9);
    c.viewMargin = 1;
    c.electronicZoom = 1.0f;
    c.interlaceShift = 1;
    scales.rowScale = 2; // even: halved, the odd column scale is not
    z = presentationZoom(c, scales);
    EXPECT_DOUBLE_EQ(z.x, 1.0);
    EXPECT_DOUBLE_EQ(z.y, 1.0);

    c.jitterAmplitude = 1.0f;
    c.jitterProbability = 1.0f;
    RandomGenerator random;
    for (int k = 0; k < 200; ++k) {
        PixelZoom j = applyJitter({1.0, 1.0}, c, 640, 480, random);
        EXPECT_GE(j.x, 1.0);
        EXPECT_LE(j.x, 1.0 + 1.0 / 640 + 1e-12); // at most one pixel's worth
        EXPECT_LE(j.y, 1.0 + 1.0 / 480 + 1e-12);
    }
    c.jitterProbability = -1.0f;
    PixelZoom still = applyJitter({1.5, 1.5}, c, 640, 480, random);
    EXPECT_EQ(still.x, 1.5);
}
