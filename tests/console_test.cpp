#include "console/bench.h"
#include "console/open_bench.h"
#include "text/messages.h"

#include "test_support.h"

#include <algorithm>
#include <optional>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

using namespace testing_support;

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

// The console after the start: a camera (camera1 unless named), the standard target, the camera
// activated, with a window that records.
struct ConsoleFixture {
    BenchState state;
    MessageLog log;
    RecordingWindow window;
    Bench console{state, log, &window};

    explicit ConsoleFixture(const std::string& camera = shippedFile("camera1.par")) {
        BenchSources sources;
        sources.atmosphere = BenchSource{shippedFile("Atmosphere.ini"), std::nullopt};
        sources.camera.path = camera;
        sources.target.path = shippedFile("mira.tag");
        EXPECT_EQ(openBench(console, sources), BenchOpenFault::None);
    }
    float barSignal() const { return state.target.items[1].renderTemperature; }
};

class ConsoleTrackbar : public ::testing::TestWithParam<DataRow> {};
class ConsoleFrequency : public ::testing::TestWithParam<DataRow> {};
class ConsoleEdit : public ::testing::TestWithParam<DataRow> {};
class ZoomFollowsTheCamera : public testing::TestWithParam<DataRow> {};

} // namespace

TEST_P(ConsoleTrackbar, RendersTheGridValueItShowsAndReadsItOut) {
    const float onGrid = std::stof(GetParam().cells[1]);
    // Another difference first, so that a render with the previous value would show.
    ConsoleFixture moved;
    const double previous = onGrid > 0.0f ? -0.8 : 0.8;
    moved.console.setTemperatureOnGrid(previous);
    const float previousSignal = moved.barSignal();
    moved.console.setTemperatureOnGrid(std::stod(GetParam().cells[0]));
    EXPECT_EQ(std::tuple(moved.console.temperatureOnGrid(), moved.state.console.temperatureDifference,
                         moved.window.valueText),
              std::tuple(static_cast<double>(onGrid), onGrid, GetParam().cells[2]));
    // The bars were rendered with the value shown, the same as on a bench that went straight there,
    // and warmer bars give the larger signal.
    ConsoleFixture direct;
    direct.console.setTemperatureOnGrid(onGrid);
    EXPECT_EQ(moved.barSignal(), direct.barSignal());
    EXPECT_EQ(moved.barSignal() > previousSignal, onGrid > previous);
    EXPECT_NE(moved.barSignal(), previousSignal);
}
INSTANTIATE_TEST_SUITE_P(Differences, ConsoleTrackbar, TERVIX_TABLE_ROWS("console/trackbar.txt"));

TEST_P(ConsoleFrequency, AChoiceResetsTheDifferenceAndScalesTheBars) {
    ConsoleFixture f;
    f.console.setTemperatureOnGrid(1.2);
    f.state.console.targetOffsetX = 0.001;
    f.console.selectFrequency(std::stoi(GetParam().name));
    EXPECT_EQ(std::tuple(f.console.temperatureOnGrid(), f.state.console.temperatureDifference,
                         f.state.console.targetOffsetX, f.state.console.barScale, f.console.frequencyIndex()),
              std::tuple(0.0, 0.0f, 0.0, std::stof(GetParam().cells[0]), std::stoi(GetParam().name)));
}
INSTANTIATE_TEST_SUITE_P(Choices, ConsoleFrequency, TERVIX_TABLE_ROWS("console/frequencies.txt"));

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

TEST(Console, SwitchingCameraKeepsTheAtmosphereValuesAndARefusedSwitchTheOldSlot) {
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
    EXPECT_FLOAT_EQ(f.state.camera.set.atmCoefficient, 0.25f);
    EXPECT_EQ(std::tuple(f.console.cameraIndex(), f.state.camera.set.scanLines, f.state.camera.set.sensorHeight),
              std::tuple(2, 240, 480));
    EXPECT_FLOAT_EQ(f.state.camera.set.atmTemperature, 0.0f); // the activation sets the air to 0 °C

    // A missing file is reported, and the camera and its slot stay as they were, with its list shown
    // and the next result going to it.
    const CameraState before = f.state.camera;
    f.console.selectCamera(4);
    ASSERT_EQ(f.log.messages.size(), 1u);
    EXPECT_EQ(f.log.messages[0], "File 'camera5.par' is absent.\n Can't start the system");
    EXPECT_EQ(f.state.camera, before);
    EXPECT_EQ(std::pair(f.console.cameraIndex(), f.window.listShown), std::pair(2, 2));
    f.console.setTemperatureOnGrid(0.2);
    f.console.applyResult();
    EXPECT_EQ(f.console.results().rows(2)[2], "   1\t   0.5\t \t  0.200");
    EXPECT_EQ(f.console.results().rows(4)[2], "   1\t    0.5");
}

TEST_P(ConsoleEdit, ReadsItsLeadingNumber) {
    EXPECT_EQ(leadingNumber(GetParam().name), std::stod(GetParam().cells[0]));
}
INSTANTIATE_TEST_SUITE_P(Texts, ConsoleEdit, TERVIX_TABLE_ROWS("console/edit_texts.txt"));

TEST(Results, RowTextsFollowTheObserversPresses) {
    MrtdResults results;
    for (const DataRow& step : dataRows("console/results.txt")) {
        std::istringstream press(step.name);
        std::string action;
        int slot = 0, index = 0, row = 0;
        float kelvin = 0.0f;
        press >> action >> slot >> index >> kelvin;
        if (action == "new")
            results = MrtdResults();
        else if (action == "apply")
            results.applyResult(slot, index, kelvin);
        else if (action == "unseen")
            results.markNotRecognized(slot, index, kelvin);
        if (step.cells.empty())
            continue;
        std::istringstream(step.cells[0]) >> slot >> row;
        const std::string shown = step.text(1);
        EXPECT_EQ(results.rows(slot)[static_cast<std::size_t>(row)], shown) << step.name;
        EXPECT_NE(results.tableText(slot).find("\n" + shown + "\n"), std::string::npos) << step.name;
    }
}

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

// Every activation sets the zoom trackbars from the camera, so trackbar steps, which read them back,
// leave the image's size and field alone — whether the camera is the first or switched to.
TEST_P(ZoomFollowsTheCamera, TrackbarStepsKeepTheImage) {
    const DataRow& p = GetParam();
    TempDir dir;
    copyShipped(dir, {"camera1.par"});
    // Line 6 holds the electronic (token 12) and optical (token 13) zoom, line 17 whether an activation
    // keeps the electronic zoom (token 1).
    const std::string zoomed = changedCamera(6, {12}, p.cells[0], false, changedCamera(6, {13}, p.cells[1]));
    dir.write("camera2.par", changedCamera(17, {1}, p.cells[2], false, zoomed) + "\n");
    ScopedWorkingDirectory cwd(dir.root());
    for (bool switched : {false, true}) {
        ConsoleFixture w(switched ? dir.path("camera1.par") : dir.path("camera2.par"));
        if (switched)
            w.console.selectCamera(1);
        EXPECT_TRUE(w.log.messages.empty());
        const CameraSet& c = w.state.camera.set;
        // The zoom the camera holds, and the image's size and field.
        auto image = [&] {
            return std::tuple{c.electronicZoom, c.opticalZoom, w.state.sim.imageWidth, w.state.sim.imageHeight,
                              c.fovCurrentH};
        };
        const auto activated = image();
        ASSERT_EQ(std::get<0>(activated), std::stof(p.cells[3])) << switched;
        ASSERT_EQ(std::get<1>(activated), std::stof(p.cells[4])) << switched;
        EXPECT_EQ(std::get<2>(activated), std::stoi(p.cells[5])) << switched;
        for (double kelvin : {0.004, 0.4, -1.0}) {
            w.console.setTemperatureOnGrid(kelvin);
            EXPECT_EQ(image(), activated) << kelvin;
        }
        w.console.selectFrequency(3);
        EXPECT_EQ(c.opticalZoom, std::get<1>(activated));
    }
}
INSTANTIATE_TEST_SUITE_P(Console, ZoomFollowsTheCamera, TERVIX_TABLE_ROWS("console/zoom.txt"));

TEST(Console, LoadEditLeavesNoDifference) {
    TempDir dir;
    copyShipped(dir, {"camera1.par", "mira.tag"});
    ConsoleFixture w(dir.path("camera1.par"));
    w.console.selectFrequency(2);
    w.console.setTemperatureOnGrid(0.16);
    ASSERT_FLOAT_EQ(w.state.console.temperatureDifference, 0.16f);
    const float barsBefore = w.state.target.items[1].renderTemperature;
    w.console.loadEdit(dir.root().string(), nullptr);
    EXPECT_EQ(std::tuple(w.console.temperatureOnGrid(), w.state.console.temperatureDifference, w.window.valueText),
              std::tuple(0.0, 0.0f, "+0.000 K"));
    // The bars are rendered at the background's signal again, not at the old difference.
    EXPECT_NE(w.state.target.items[1].renderTemperature, barsBefore);
}

TEST(Console, ViewValueOffRemovesTheNumberAndOnShowsTheCurrentOne) {
    ConsoleFixture w(shippedFile("camera1.par"));
    w.console.setTemperatureOnGrid(0.5);
    EXPECT_EQ(w.window.valueText, "+0.500 K");
    w.console.toggleViewValue();
    EXPECT_FALSE(w.console.viewValue());
    EXPECT_EQ(w.window.valueText, "");
    w.console.setTemperatureOnGrid(-0.4); // moved while off: nothing is written
    EXPECT_EQ(w.window.valueText, "");
    w.console.toggleViewValue();
    EXPECT_EQ(w.window.valueText, "-0.400 K");
}

// The frame builder asked for the block a reader reads: the reader gets the stretch the frame comes
// with, the same stretch as without a reader. The specified model draws the whole frame as it would
// without one (its noise and the jitter share a generator, in that order); the physical model draws
// the block alone, with the picture in it, and leaves the rest of the buffer as it held it.
class FrameBlock : public testing::TestWithParam<ImageModel> {};

TEST_P(FrameBlock, IsDrawnAloneWhereTheModelCan) {
    ConsoleFixture reading, plain;
    for (ConsoleFixture* f : {&reading, &plain}) {
        f->console.setImageModel(GetParam());
        f->state.camera.set.jitterProbability = 1.0f;
        f->state.camera.set.jitterAmplitude = 1.0f;
        f->state.random.seed(7);
    }
    const SimState& sim = reading.state.sim;
    constexpr std::uint8_t untouched = 77;
    std::vector<std::uint8_t> read(
        static_cast<std::size_t>((sim.imageWidth + viewFramePadding) * (sim.imageHeight + viewFramePadding)),
        untouched),
        whole;
    const FrameRegion block{sim.imageWidth / 4, sim.imageWidth / 2, sim.imageHeight / 3, sim.imageHeight / 3 + 5};
    std::optional<PixelZoom> asked;
    const PixelZoom stretch = nextFrame(reading.state, true, read, [&](const PixelZoom& z) {
        asked = z;
        return block;
    });
    const PixelZoom plainStretch = nextFrame(plain.state, true, whole);
    EXPECT_EQ(std::pair(stretch.x, stretch.y), std::pair(plainStretch.x, plainStretch.y));
    EXPECT_NE(stretch.x, 1.0);
    if (GetParam() == ImageModel::Specified) {
        const auto image = static_cast<std::ptrdiff_t>(sim.imageWidth * sim.imageHeight);
        EXPECT_TRUE(std::equal(read.begin(), read.begin() + image, whole.begin()));
        return;
    }
    ASSERT_TRUE(asked.has_value());
    EXPECT_EQ(std::pair(asked->x, asked->y), std::pair(stretch.x, stretch.y));
    double difference = 0.0;
    int inside = 0;
    for (int y = 0; y < sim.imageHeight; ++y)
        for (int x = 0; x < sim.imageWidth; ++x) {
            const std::size_t k = static_cast<std::size_t>(y * sim.imageWidth + x);
            if (x < block.x0 || x > block.x1 || y < block.y0 || y > block.y1) {
                ASSERT_EQ(read[k], untouched) << x << "," << y;
                continue;
            }
            difference += static_cast<double>(read[k]) - sim.displayImage[3 * k];
            ++inside;
        }
    EXPECT_LT(std::abs(difference / inside), 2.0); // the picture with noise around it, not the fill
}
INSTANTIATE_TEST_SUITE_P(Models, FrameBlock, testing::Values(ImageModel::Specified, ImageModel::Physical),
                         [](const auto& info) { return std::string(imageModelName(info.param)); });
