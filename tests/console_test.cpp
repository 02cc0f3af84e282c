#include "console/bench.h"
#include "console/open_bench.h"
#include "sim/in_band_exitance.h"
#include "sim/scene.h"
#include "target/target_file.h"
#include "text/messages.h"

#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

using testing_support::copyShipped;
using testing_support::ScopedWorkingDirectory;
using testing_support::shippedFile;
using testing_support::TempDir;

namespace {

// The console after the start: camera1, the standard target, the camera activated.
struct ConsoleFixture {
    BenchState state;
    MessageLog log;
    Bench console{state, log};

    explicit ConsoleFixture(const std::string& camera = shippedFile("camera1.par")) {
        BenchSources sources;
        sources.atmosphere = BenchSource{shippedFile("Atmosphere.ini"), std::nullopt};
        sources.camera.path = camera;
        sources.target.path = shippedFile("mira.tag");
        EXPECT_EQ(openBench(console, sources), BenchOpenFault::None);
    }
    float barSignal() const { return state.target.items[1].renderTemperature; }
};

} // namespace

namespace {

struct SliderPosition {
    int position;
    float shown; // K, worked out by hand: 250 steps a kelvin about the middle 500
};

class ConsoleTrackbar : public ::testing::TestWithParam<SliderPosition> {};

} // namespace

TEST_P(ConsoleTrackbar, RendersTheValueItShows) {
    const SliderPosition& p = GetParam();
    // Another position first, so that a render with the previous value would show.
    ConsoleFixture moved;
    const int previous = p.position > 500 ? 300 : 700;
    moved.console.onTemperatureSlider(previous);
    const float previousSignal = moved.barSignal();
    moved.console.onTemperatureSlider(p.position);
    EXPECT_FLOAT_EQ(moved.state.console.temperatureDifference, p.shown);
    // The bars were rendered with the value shown, the same as on a bench that went straight there,
    // and warmer bars give the larger signal.
    ConsoleFixture direct;
    direct.console.onTemperatureSlider(p.position);
    EXPECT_EQ(moved.barSignal(), direct.barSignal());
    if (p.position > previous)
        EXPECT_GT(moved.barSignal(), previousSignal);
    else
        EXPECT_LT(moved.barSignal(), previousSignal);
}

INSTANTIATE_TEST_SUITE_P(Positions, ConsoleTrackbar,
                         ::testing::Values(SliderPosition{750, 1.0f}, SliderPosition{501, 0.004f},
                                           SliderPosition{0, -2.0f}, SliderPosition{1000, 2.0f},
                                           SliderPosition{437, -0.252f}),
                         [](const ::testing::TestParamInfo<SliderPosition>& info) {
                             return "position" + std::to_string(info.param.position);
                         });

namespace {

struct ShownDifference {
    double kelvin;
    int position; // the nearest step, within the slider's ends
};

class ConsoleSliderPosition : public ::testing::TestWithParam<ShownDifference> {};

} // namespace

TEST_P(ConsoleSliderPosition, OfADifference) {
    EXPECT_EQ(Bench::sliderPositionOf(GetParam().kelvin), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Differences, ConsoleSliderPosition,
                         ::testing::Values(ShownDifference{0.004, 501}, ShownDifference{-2.0, 0},
                                           ShownDifference{7.0, 1000}, ShownDifference{0.0, 500},
                                           ShownDifference{-0.252, 437}),
                         [](const ::testing::TestParamInfo<ShownDifference>& info) {
                             return testing_support::numberName(info.param.kelvin) + "_K";
                         });

namespace {

struct FrequencyRow {
    int index;
    float barScale; // the bar target's scale for 0.5, 1, 1.5, 2, 3 and 4 cycles/mrad
};

class ConsoleFrequency : public ::testing::TestWithParam<FrequencyRow> {};

} // namespace

TEST_P(ConsoleFrequency, AChoiceResetsTheDifferenceAndScalesTheBars) {
    ConsoleFixture f;
    f.console.onTemperatureSlider(800);
    f.state.console.targetOffsetX = 0.001;
    f.console.selectFrequency(GetParam().index);
    EXPECT_EQ(f.console.temperatureSlider(), 500);
    EXPECT_EQ(f.state.console.temperatureDifference, 0.0f);
    EXPECT_EQ(f.state.console.targetOffsetX, 0.0);
    EXPECT_EQ(f.state.console.barScale, GetParam().barScale);
    EXPECT_EQ(f.console.frequencyIndex(), GetParam().index);
}

// 1.5 cycles/mrad keeps the scale truncated to 2.66666 (not 8/3), as the stored results assume.
INSTANTIATE_TEST_SUITE_P(Choices, ConsoleFrequency,
                         ::testing::Values(FrequencyRow{0, 8.0f}, FrequencyRow{1, 4.0f}, FrequencyRow{2, 2.66666f},
                                           FrequencyRow{3, 2.0f}, FrequencyRow{4, 1.3333334f}, FrequencyRow{5, 1.0f}),
                         [](const ::testing::TestParamInfo<FrequencyRow>& info) {
                             return "index" + std::to_string(info.param.index);
                         });

// The same seed draws the same position, another seed another one.
TEST(Console, ARandomPositionFollowsItsSeed) {
    ConsoleFixture g, h, other;
    g.console.toggleRandomisePosition(12345);
    h.console.toggleRandomisePosition(12345);
    other.console.toggleRandomisePosition(54321);
    for (ConsoleFixture* f : {&g, &h, &other})
        f->console.selectFrequency(3);
    EXPECT_EQ(g.state.console.targetOffsetX, h.state.console.targetOffsetX);
    EXPECT_NE(g.state.console.targetOffsetX, 0.0);
    EXPECT_NE(g.state.console.targetOffsetX, other.state.console.targetOffsetX);
}

TEST(Console, SwitchingCameraKeepsTheAtmosphereValuesShown) {
    TempDir dir;
    copyShipped(dir, {"camera1.par", "camera3.par"});
    ScopedWorkingDirectory cwd(dir.root());
    ConsoleFixture f(dir.path("camera1.par"));
    f.console.onAtmosphereCoefficientEdit("0.250");
    f.console.onAtmosphereTemperatureEdit("7.5");
    f.console.onAtmosphereCoefficientEdit("-1"); // ignored
    EXPECT_FLOAT_EQ(f.state.camera.set.atmCoefficient, 0.25f);
    f.console.selectCamera(2);
    EXPECT_TRUE(f.log.messages.empty());
    EXPECT_EQ(f.console.cameraIndex(), 2);
    EXPECT_FLOAT_EQ(f.state.camera.set.atmCoefficient, 0.25f);
    EXPECT_EQ(f.state.camera.set.scanLines, 240); // camera3's own values arrived
    EXPECT_EQ(f.state.camera.set.sensorHeight, 480);
    EXPECT_FLOAT_EQ(f.state.camera.set.atmTemperature, 0.0f); // the activation sets the air to 0 °C

    // A missing file is reported and the camera stays as it was.
    const CameraState before = f.state.camera;
    f.console.selectCamera(4);
    ASSERT_EQ(f.log.messages.size(), 1u);
    EXPECT_EQ(f.log.messages[0], "File 'camera5.par' is absent.\n Can't start the system");
    EXPECT_EQ(f.state.camera.set.scanLines, before.set.scanLines);
    EXPECT_EQ(f.state.camera.tables, before.tables);
}

namespace {

struct EditText {
    const char* name;
    const char* text;
    double value;
};

const EditText editTexts[] = {
    {"a number and a unit", "1. m", 1.0},
    {"leading blanks and trailing letters", "  12.5abc", 12.5},
    {"a negative number", "-0.25", -0.25},
    {"no number", "m", 0.0},
    {"an empty text", "", 0.0},
};

class ConsoleEdit : public ::testing::TestWithParam<EditText> {};

} // namespace

TEST_P(ConsoleEdit, ReadsItsLeadingNumber) {
    EXPECT_EQ(leadingNumber(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, ConsoleEdit, ::testing::ValuesIn(editTexts), testing_support::RowNamedByName{});

TEST(Results, RowTextsFollowTheObserversPresses) {
    MrtdResults results;
    EXPECT_EQ(results.rows(0)[10], "   5\t    3,");
    results.applyResult(0, 1, 0.5f);
    EXPECT_EQ(results.rows(0)[4], "   2\t   1.\t \t  0.500");
    results.applyResult(0, 1, -0.3f);
    EXPECT_EQ(results.rows(0)[4], "   2\t   1.\t -0.300\t 0.500\t  0.400");
    results.markNotRecognized(0, 1, 0.0f); // the centre counts as positive
    EXPECT_EQ(results.rows(0)[4], "   2\t   1.\t -0.300\t  ***   \t  ");
    results.markNotRecognized(0, 0, -0.004f);
    EXPECT_EQ(results.rows(0)[2], "   1\t   0.5\t   ***   ");
    results.markNotRecognized(0, 0, 0.1f); // both halves not recognised: both marked
    EXPECT_EQ(results.rows(0)[2], "   1\t   0.5\t  ***   \t  ***   \t  ");
    results.applyResult(0, 4, 0.0f);
    EXPECT_EQ(results.rows(0)[10], "   5\t   3.\t \t  0.000"); // the comma goes with the first result
    EXPECT_EQ(results.record(0, 4).mrtdPlus, 0.0f);
    EXPECT_EQ(results.record(0, 4).mrtdMinus, mrtdNotMeasured);
    // The second press on a half replaces the first; other slots are untouched.
    results.applyResult(0, 5, 1.2f);
    results.applyResult(0, 5, 0.8f);
    EXPECT_EQ(results.record(0, 5).mrtdPlus, 0.8f);
    EXPECT_EQ(results.rows(1)[4], "   2\t    1.");
}

// The trackbar's smallest step, 0.004 K, is kept in the rows and the saved table rather than
// rounded away to "0.00".
struct SmallHalfRow {
    float minus;
    float plus;
    const char* row;
};

class ResultsSmallHalves : public testing::TestWithParam<SmallHalfRow> {};

TEST_P(ResultsSmallHalves, ShowThreeDecimals) {
    const SmallHalfRow& p = GetParam();
    MrtdResults results;
    results.applyResult(3, 0, p.minus);
    if (p.plus == mrtdNotRecognized)
        results.markNotRecognized(3, 0, 0.004f);
    else
        results.applyResult(3, 0, p.plus);
    EXPECT_EQ(results.rows(3)[2], p.row);
    EXPECT_NE(results.tableText(3).find(std::string("\n") + p.row + "\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Results, ResultsSmallHalves,
                         testing::Values(SmallHalfRow{-0.004f, 0.004f, "   1\t   0.5\t -0.004\t 0.004\t  0.004"},
                                         SmallHalfRow{-0.008f, 0.004f, "   1\t   0.5\t -0.008\t 0.004\t  0.006"},
                                         SmallHalfRow{-1.996f, 2.0f, "   1\t   0.5\t -1.996\t 2.000\t  1.998"},
                                         SmallHalfRow{-0.004f, mrtdNotRecognized,
                                                      "   1\t   0.5\t -0.004\t  ***   \t  "}));

TEST(Results, TheSavedTableHoldsTheThirteenRows) {
    MrtdResults results;
    const std::string fresh = results.tableText(2);
    EXPECT_EQ(fresh, "    N\tFrequency\tMRTD-\t   MRTD+\t   MRTD\n\n   1\t    0.5\n\n   2\t    1.\n\n   3\t    1.5\n\n"
                     "   4\t    2.\n\n   5\t    3,\n\n   6\t    4.\n");
    results.applyResult(2, 2, -0.12f);
    results.applyResult(2, 2, 0.16f);
    const std::string text = results.tableText(2);
    EXPECT_NE(text.find("\n   3\t   1.5\t -0.120\t 0.160\t  0.140\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 13);
}

namespace {

// The window side as the handlers drive it: remembers the value text and the list shown.
class RecordingWindow : public ConsoleWindow {
public:
    void presentFrame(bool) override {}
    void showTemperatureValue(const std::string& text) override { valueText = text; }
    void layoutChanged() override {}
    void showResultList(int camera) override { listShown = camera; }
    std::string valueText = "(never written)";
    int listShown = -1;
};

// Camera 1 loaded and activated in a folder of its own, with a window that records.
struct WindowedConsole {
    BenchState state;
    MessageLog log;
    RecordingWindow window;
    Bench console{state, log, &window};

    explicit WindowedConsole(const std::string& camera) {
        BenchSources sources;
        sources.atmosphere = BenchSource{shippedFile("Atmosphere.ini"), std::nullopt};
        sources.camera.path = camera;
        sources.target.path = shippedFile("mira.tag");
        EXPECT_EQ(openBench(console, sources), BenchOpenFault::None);
    }
};

struct ZoomCase {
    const char* name;
    const char* electronicZoom;
    const char* opticalZoom;
    bool keep;
    float heldElectronicZoom; // what the camera holds after its activation
    float heldOpticalZoom;
    int imageWidth;
};

class ZoomFollowsTheCamera : public testing::TestWithParam<ZoomCase> {};

} // namespace

// Every activation sets the zoom trackbars from the camera, so trackbar steps, which read them back,
// leave the image's size and field alone — whether the camera is the first or switched to.
TEST_P(ZoomFollowsTheCamera, TrackbarStepsKeepTheImage) {
    const ZoomCase& p = GetParam();
    TempDir dir;
    copyShipped(dir, {"camera1.par"});
    dir.write("camera2.par", testing_support::zoomedCameraText(p.electronicZoom, p.opticalZoom, p.keep));
    ScopedWorkingDirectory cwd(dir.root());
    for (bool switched : {false, true}) {
        WindowedConsole w(switched ? dir.path("camera1.par") : dir.path("camera2.par"));
        if (switched)
            w.console.selectCamera(1);
        EXPECT_TRUE(w.log.messages.empty());
        const CameraSet& c = w.state.camera.set;
        ASSERT_EQ(c.electronicZoom, p.heldElectronicZoom) << switched;
        ASSERT_EQ(c.opticalZoom, p.heldOpticalZoom) << switched;
        EXPECT_EQ(w.state.sim.imageWidth, p.imageWidth) << switched;
        const double fieldH = c.fovCurrentH;
        const int height = w.state.sim.imageHeight;
        for (int position : {501, 600, 250}) {
            w.console.onTemperatureSlider(position);
            EXPECT_EQ(c.electronicZoom, p.heldElectronicZoom) << position;
            EXPECT_EQ(c.opticalZoom, p.heldOpticalZoom) << position;
            EXPECT_EQ(w.state.sim.imageWidth, p.imageWidth) << position;
            EXPECT_EQ(w.state.sim.imageHeight, height) << position;
            EXPECT_EQ(c.fovCurrentH, fieldH) << position;
        }
        w.console.selectFrequency(3);
        EXPECT_EQ(c.opticalZoom, p.heldOpticalZoom);
    }
}

INSTANTIATE_TEST_SUITE_P(Console, ZoomFollowsTheCamera,
                         testing::Values(ZoomCase{"electronic2NotKept", "2.000000", "1.000000", false, 1.0f, 1.0f, 644},
                                         ZoomCase{"electronic2Kept", "2.000000", "1.000000", true, 2.0f, 1.0f, 324},
                                         ZoomCase{"electronic2KeptOptical15", "2.000000", "1.500000", true, 2.0f, 1.5f,
                                                  324},
                                         ZoomCase{"electronic13Kept", "1.3", "1.3", true, 1.3f, 1.3f, 496}),
                         [](const testing::TestParamInfo<ZoomCase>& info) { return std::string(info.param.name); });

TEST(Console, TheDifferenceReadsInKelvinForAssistiveTools) {
    // One trackbar step apart reads apart: 0.016 K and 0.024 K.
    EXPECT_EQ(temperatureDifferenceText(Bench::temperatureDifferenceOf(504)), "+0.016 K");
    EXPECT_EQ(temperatureDifferenceText(Bench::temperatureDifferenceOf(506)), "+0.024 K");
    EXPECT_EQ(temperatureDifferenceText(Bench::temperatureDifferenceOf(500)), "+0.000 K");
    EXPECT_EQ(temperatureDifferenceText(Bench::temperatureDifferenceOf(0)), "-2.000 K");
}

TEST(Console, ZoomTrackbarPositionsRoundTripTheCamerasZoom) {
    for (float zoom : {1.0f, 1.3f, 1.5f, 2.0f, 2.55f, 7.77f, 10.0f})
        EXPECT_EQ(Bench::zoomOfSliderPosition(Bench::zoomSliderPositionOf(zoom)), zoom) << zoom;
}

TEST(Console, LoadEditLeavesTheDifferenceTheCentredTrackbarShows) {
    TempDir dir;
    copyShipped(dir, {"camera1.par", "mira.tag"});
    WindowedConsole w(dir.path("camera1.par"));
    w.console.selectFrequency(2);
    w.console.onTemperatureSlider(540);
    ASSERT_FLOAT_EQ(w.state.console.temperatureDifference, 0.16f);
    const float barsBefore = w.state.target.items[1].renderTemperature;
    w.console.loadEdit(dir.root().string(), nullptr);
    EXPECT_EQ(w.console.temperatureSlider(), temperatureSliderCentre);
    EXPECT_EQ(w.state.console.temperatureDifference, 0.0f);
    EXPECT_EQ(w.window.valueText, "+0.000 K");
    // The bars are rendered at the background's signal again, not at the old difference.
    EXPECT_NE(w.state.target.items[1].renderTemperature, barsBefore);
}

TEST(Console, ViewValueOffRemovesTheNumberAndOnShowsTheCurrentOne) {
    WindowedConsole w(shippedFile("camera1.par"));
    w.console.onTemperatureSlider(625);
    EXPECT_EQ(w.window.valueText, "+0.500 K");
    w.console.toggleViewValue();
    EXPECT_FALSE(w.console.viewValue());
    EXPECT_EQ(w.window.valueText, "");
    w.console.onTemperatureSlider(400); // moved while off: nothing is written
    EXPECT_EQ(w.window.valueText, "");
    w.console.toggleViewValue();
    EXPECT_EQ(w.window.valueText, "-0.400 K");
}

TEST(Console, ARefusedCameraSwitchKeepsTheOldSlotSelected) {
    TempDir dir;
    copyShipped(dir, {"camera1.par", "camera2.par"});
    ScopedWorkingDirectory cwd(dir.root());
    WindowedConsole w(dir.path("camera1.par"));
    w.console.selectCamera(1);
    ASSERT_EQ(w.console.cameraIndex(), 1);
    w.console.selectCamera(2); // camera3.par is absent
    ASSERT_EQ(w.log.messages.size(), 1u);
    EXPECT_EQ(w.console.cameraIndex(), 1);
    EXPECT_EQ(w.window.listShown, 1);
    w.console.onTemperatureSlider(550);
    w.console.applyResult();
    EXPECT_EQ(w.console.results().rows(1)[2], "   1\t   0.5\t \t  0.200");
    EXPECT_EQ(w.console.results().rows(2)[2], "   1\t    0.5");
}
