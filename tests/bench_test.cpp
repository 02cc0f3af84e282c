// The bench's one write path for the observers' work: every press recorded into the session, the
// lists derived from it, the same lists from the saved file, and the frames one step shows.
#include "console/bench.h"
#include "console/open_bench.h"
#include "text/messages.h"

#include "session_reading.h"
#include "test_support.h"

#include <set>
#include <tuple>

#include <gtest/gtest.h>

using testing_support::copyShipped;
using testing_support::ScopedWorkingDirectory;
using testing_support::TempDir;

namespace {

// A press of "Apply" (recognised) or "Not recognized" with the bench set up as a person sets it.
struct Press {
    const char* observer;
    int slot; // 0 ... 4
    int frequencyIndex;
    BarOrientation orientation;
    double kelvin;
    bool recognised;
};

// Counts what the bench asks of a window.
struct CountingWindow : ConsoleWindow {
    int frames = 0, values = 0;
    void presentFrame(bool) override { ++frames; }
    void showTemperatureValue(const std::string&) override { ++values; }
    void layoutChanged() override {}
};

// What the bench tells its views, in order: "R2" a reading recorded at 2, "X" struck, "O" an
// objective run added, "S" anything else changed.
struct HeardChanges : BenchListener {
    std::string heard;
    void readingRecorded(std::size_t k) override { heard += "R" + std::to_string(k) + " "; }
    void readingStruck(std::size_t k) override { heard += "X" + std::to_string(k) + " "; }
    void objectiveRunAdded(std::size_t k) override { heard += "O" + std::to_string(k) + " "; }
    void stateChanged() override { heard += "S "; }
};

// Camera1 and camera3 in a working folder of their own (a slot's camera is read from there), the
// bench opened on camera1 with the standard target.
struct OpenedBench {
    TempDir dir;
    ScopedWorkingDirectory here{dir.root()};
    BenchState state;
    MessageLog log;
    CountingWindow window;
    HeardChanges changes;
    Bench bench{state, log, &window};

    OpenedBench() {
        bench.addListener(changes);
        copyShipped(dir, {"camera1.par", "camera3.par", "mira.tag", "Atmosphere.ini"});
        BenchSources sources;
        sources.atmosphere = BenchSource{"Atmosphere.ini", std::nullopt};
        sources.camera.path = "camera1.par";
        sources.target.path = "mira.tag";
        EXPECT_EQ(openBench(bench, sources), BenchOpenFault::None);
    }
    bool press(const Press& p) {
        if (p.slot != bench.cameraIndex())
            bench.selectCamera(p.slot);
        bench.selectFrequency(p.frequencyIndex);
        bench.setOrientation(p.orientation);
        bench.setTemperatureOnGrid(p.kelvin);
        return bench.record({p.observer, p.recognised});
    }
};

// Ann and Ben on camera1 at 0.5 cycles/mrad, on either orientation; Cleo on camera3 at 1 cycle/mrad.
constexpr Press presses[] = {
    {"Ann", 0, 0, BarOrientation::Vertical, 0.3, true},   {"Ann", 0, 0, BarOrientation::Vertical, -0.2, true},
    {"Ben", 0, 0, BarOrientation::Horizontal, 0.4, true}, {"Ben", 0, 0, BarOrientation::Horizontal, -0.3, false},
    {"Cleo", 2, 1, BarOrientation::Vertical, 0.08, true}, {"Cleo", 2, 1, BarOrientation::Vertical, 0.0, false},
};

} // namespace

TEST(Bench, RecordsEveryPressAndDerivesTheListsTheSavedSessionGivesAgain) {
    OpenedBench b;
    b.bench.startSession(b.dir.path("sessions"), "2026-12-07T10:00:00.000Z");
    for (const Press& p : presses)
        ASSERT_TRUE(b.press(p));
    ASSERT_TRUE(b.log.messages.empty());

    const Session& session = b.bench.session();
    ASSERT_EQ(session.readings.size(), std::size_t(6));
    const SessionReading &notSeen = session.readings[3], &cleo = session.readings[4];
    EXPECT_EQ(std::tie(notSeen.observer, notSeen.orientation, notSeen.half, notSeen.deltaT),
              std::make_tuple("Ben", orientationHorizontal, halfMinus, std::optional<double>()));
    // 20 trackbar steps give 0.08 without the single precision's tail.
    EXPECT_EQ(std::tie(cleo.slot, cleo.cameraFile, cleo.orientation, cleo.frequency, cleo.deltaT),
              std::make_tuple(3, "camera3.par", orientationVertical, 1.0, std::optional<double>(0.08)));
    EXPECT_EQ(session.readings[5].half, halfPlus); // a difference of zero counts as plus

    // The lists hold the last presser's (Cleo's) last press of each half on the vertical bars.
    const MrtdResults& lists = b.bench.results();
    EXPECT_EQ(lists.record(0, 0).mrtdPlus, mrtdNotMeasured);
    EXPECT_EQ(std::pair(lists.record(2, 1).mrtdPlus, lists.record(2, 1).mrtdMinus),
              std::pair(mrtdNotRecognized, mrtdNotMeasured));
    // The session started, then each press's reading, after each change of orientation and observer.
    EXPECT_EQ(b.changes.heard, "S S R0 R1 S S R2 R3 S S R4 R5 ");
    // The model observer's runs join the session beside the readings, each kept for its slot and bars,
    // the latest of each standing; a strike-out is told as such.
    for (const char* bars : {orientationVertical, orientationHorizontal, orientationVertical})
        ASSERT_TRUE(b.bench.recordObjectiveRun(objectiveRun(1, bars, bars == orientationHorizontal ? 0.2 : 0.1)));
    ASSERT_TRUE(b.bench.strikeReading(1, "Lead", "wrong half"));
    EXPECT_EQ(b.changes.heard.substr(b.changes.heard.size() - 12), "O0 O1 O2 X1 ");
    EXPECT_EQ(b.bench.objectiveRun(1, orientationVertical), &session.objectiveRuns[2]);
    EXPECT_EQ(b.bench.objectiveRun(1, orientationHorizontal)->frequencies[0].mrtd.mean, 0.2);
    EXPECT_EQ(b.bench.objectiveRun(2, orientationVertical), nullptr);

    // A fresh bench on the saved file shows the same lists.
    BenchState otherState;
    MessageLog otherLog;
    Bench reopened(otherState, otherLog);
    auto saved = readSessionFile(b.bench.recorder().path(), otherLog);
    ASSERT_TRUE(saved.has_value());
    // The display settings the readings carry are the session file's own round trip to keep.
    for (std::size_t k = 0; k < saved->readings.size() && k < session.readings.size(); ++k)
        saved->readings[k].display = session.readings[k].display;
    EXPECT_EQ(*saved, session);
    reopened.resumeSession(std::move(*saved), b.bench.recorder().path(), false);
    reopened.setObserver("Cleo");
    for (int slot = 0; slot < cameraSlots; ++slot)
        EXPECT_EQ(reopened.results().rows(slot), lists.rows(slot)) << slot;
    EXPECT_FALSE(reopened.recorder().anyUnsaved()); // a session opened by choice counts as saved
    // A new session starts from empty lists.
    b.bench.startSession(b.dir.path("sessions"), "2026-12-07T11:00:00.000Z");
    EXPECT_EQ(b.bench.results().rows(0), MrtdResults().rows(0));
}

TEST(Bench, AReadingThatCannotBeWrittenIsKept) {
    OpenedBench b;
    b.dir.write("blocked", "a file where the session folder would be");
    b.bench.startSession(b.dir.path("blocked"), "2026-12-07T10:00:00.000Z");
    EXPECT_FALSE(b.press(presses[0]));
    EXPECT_EQ(std::tuple(b.log.messages.size(), b.bench.session().readings.size()), std::tuple(1u, 1u));
    EXPECT_FLOAT_EQ(b.bench.results().record(0, 0).mrtdPlus, 0.3f);
    EXPECT_TRUE(b.bench.recorder().isUnsaved(0));
}

// Blind, the bench offers each half the observer has not read once, at the middle of its half, shows
// no value meanwhile, and notes going blind (again in a new session) and looking again under the
// observer's name.
TEST(Bench, BlindOffersEachOpenHalfOnceAndNotesItself) {
    OpenedBench b;
    b.bench.setObserver("Ann");
    b.bench.record({"", true}); // 0.5 cycles/mrad, plus, before going blind
    b.bench.setBlind(true);
    const int values = b.window.values;
    std::set<std::pair<int, double>> offered{{0, 1.0}};
    for (int k = 0; k < 2 * frequencyCount - 1; ++k) {
        EXPECT_TRUE(offered.emplace(b.bench.frequencyIndex(), b.bench.temperatureOnGrid()).second);
        b.bench.record({"", k % 2 == 0});
    }
    std::set<std::pair<int, double>> halves;
    for (int i = 0; i < frequencyCount; ++i)
        halves.insert({{i, -1.0}, {i, 1.0}});
    EXPECT_EQ(offered, halves);
    EXPECT_FALSE(b.bench.offerNextHalf());
    b.bench.setOrientation(BarOrientation::Horizontal); // all open again: one is offered, off none
    EXPECT_NE(b.bench.temperatureOnGrid(), 0.0);
    EXPECT_EQ(b.window.values, values);
    b.bench.startSession(b.dir.path("next"), "2026-12-07T11:00:00.000Z"); // still blind there, and noted
    b.bench.setBlind(false);
    EXPECT_EQ(b.bench.session().events.size(), 2u);
    EXPECT_EQ(b.bench.session().events[1].event + b.bench.session().events[1].observer, std::string("blind offAnn"));
}

// A camera switch built on a copy of the bench (as a worker builds it) and taken in gives the camera,
// the image and the controls a switch in place gives; one whose scene changed since the copy is
// refused and leaves the bench as it was.
TEST(Bench, ACameraSwitchPreparedAsideIsTheSwitchInPlace) {
    OpenedBench aside;
    BenchState state;
    Bench inPlace(state, aside.log);
    BenchSources sources;
    sources.atmosphere = BenchSource{"Atmosphere.ini", std::nullopt};
    sources.camera.path = "camera1.par";
    sources.target.path = "mira.tag";
    ASSERT_EQ(openBench(inPlace, sources), BenchOpenFault::None);
    for (Bench* b : {&inPlace, &aside.bench}) {
        b->selectFrequency(3);
        b->setTemperatureOnGrid(0.3);
    }
    inPlace.selectCamera(2);
    auto prepared = aside.bench.cameraSwitch(2);
    const int frames = aside.window.frames;
    prepared->prepare();
    EXPECT_EQ(std::tuple(aside.bench.cameraIndex(), aside.window.frames), std::tuple(0, frames)); // not yet
    ASSERT_TRUE(aside.bench.adoptCameraSwitch(*prepared));
    EXPECT_EQ(aside.state.camera, state.camera);
    EXPECT_EQ(aside.state.sim.sceneImage, state.sim.sceneImage);
    EXPECT_EQ(aside.state.sim.displayImage, state.sim.displayImage);
    EXPECT_EQ(std::tuple(aside.bench.cameraIndex(), aside.bench.frequencyIndex(), aside.bench.temperatureOnGrid(),
                         aside.bench.electronicZoom(), aside.bench.levelContrast().level),
              std::tuple(2, 3, inPlace.temperatureOnGrid(), inPlace.electronicZoom(), inPlace.levelContrast().level));
    EXPECT_GT(aside.window.frames, frames);

    prepared = aside.bench.cameraSwitch(0);
    prepared->prepare();
    aside.bench.setTemperatureOnGrid(-0.2);
    const CameraState camera = aside.state.camera;
    EXPECT_FALSE(aside.bench.adoptCameraSwitch(*prepared));
    EXPECT_EQ(std::tuple(aside.bench.cameraIndex(), aside.state.camera == camera), std::tuple(2, true));
}

TEST(Bench, OneTemperatureStepShowsOneFrame) {
    OpenedBench b;
    b.window.frames = b.window.values = 0;
    b.bench.setTemperatureOnGrid(0.5);
    EXPECT_EQ(std::tuple(b.window.frames, b.window.values, b.bench.temperatureOnGrid()), std::tuple(1, 1, 0.5));
    // Off the grid the grid's value stays, and so does the value written under the image.
    b.bench.setTemperatureDifference(0.123);
    EXPECT_EQ(std::tuple(b.window.frames, b.window.values, b.bench.temperatureOnGrid()), std::tuple(2, 1, 0.5));
    EXPECT_FLOAT_EQ(static_cast<float>(b.bench.temperatureDifference()), 0.123f);
}
