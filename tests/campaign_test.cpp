// Corrections that never delete, the version 2 file, the interval that stays positive and the
// lists of the observer at the bench.
#include "console/bench.h"
#include "console/session_statistics.h"
#include "text/messages.h"

#include <nlohmann/json.hpp>

#include "session_reading.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <utility>

using testing_support::TempDir;

namespace {

// Observers' MRTDs 0.25, 0.2 and 0.3 on vertical bars; Ann once on horizontal bars.
std::vector<SessionReading> campaign() {
    std::vector<SessionReading> readings;
    for (auto [who, kelvin] :
         {std::pair{"Ann", 0.3}, {"Ann", -0.2}, {"Ben", 0.2}, {"Ben", -0.2}, {"Cy", 0.4}, {"Cy", -0.2}})
        readings.push_back(sessionReading(who, kelvin));
    readings.push_back(sessionReading("Ann", 0.5, 0.5, orientationHorizontal));
    return readings;
}

} // namespace

TEST(Campaign, UndoTakesBackTheCurrentObserversLastReadingAndStrikeNeedsAReason) {
    TempDir dir;
    BenchState state;
    MessageLog log;
    Bench bench(state, log);
    bench.startSession(dir.path("s"), "2026-12-07T10:00:00.000Z");
    for (auto [who, kelvin] : {std::pair{"Ann", 0.3f}, {"Ann", 0.2f}, {"Ben", 0.4f}}) {
        state.console.temperatureDifference = kelvin;
        ASSERT_TRUE(bench.record({who, true}));
    }
    bench.setObserver("Ann");
    ASSERT_TRUE(bench.undoLastReading());
    const auto& r = bench.session().readings;
    ASSERT_TRUE(r[1].struck.has_value());
    EXPECT_EQ(r[1].struck->by + " " + r[1].struck->reason, "Ann Undone");
    EXPECT_FALSE(r[0].struck || r[2].struck); // Ann's earlier reading and Ben's stay
    EXPECT_FLOAT_EQ(bench.results().record(0, 0).mrtdPlus, 0.3f);
    EXPECT_EQ(readSessionFile(bench.recorder().path(), log)->readings, r); // written at once
    EXPECT_FALSE(bench.strikeReading(2, "Lead", " "));
    EXPECT_EQ(log.messages.size(), 1u);
    EXPECT_TRUE(bench.strikeReading(2, "Lead", "focus drifted"));
    EXPECT_FALSE(bench.strikeReading(2, "Lead", "again")); // the first mark stays
    bench.setObserver("Ben");
    EXPECT_EQ(bench.results().record(0, 0).mrtdPlus, mrtdNotMeasured);
    EXPECT_FALSE(bench.undoLastReading()); // Ben's one reading is struck: nothing to take back
}

// Each row: a reading struck after the second, and how many struck readings the groups report (a
// group of struck readings only is left out).
TEST(Campaign, AStruckReadingLeavesEveryStatisticAndList) {
    const Session without{"2026-12-07T10:00:00.000Z", campaign(), false};
    for (auto [extra, struckCounted] : {std::pair{sessionReading("Ann", 0.9), 1},
                                        {sessionReading("Ben", std::nullopt), 1},
                                        {sessionReading("Cy", 0.1, 2.0), 0}}) {
        Session with = without;
        extra.struck = StruckMark{"2026-12-07T10:05:00Z", "Lead", "wrong camera"};
        with.readings.insert(with.readings.begin() + 2, extra);
        auto groups = sessionStatistics(with);
        int struck = 0;
        for (SessionGroup& g : groups)
            struck += std::exchange(g.struck, 0);
        EXPECT_EQ(struck, struckCounted) << extra.observer;
        const auto reference = sessionStatistics(without);
        EXPECT_EQ(statisticsJson(groups), statisticsJson(reference));
        EXPECT_EQ(statisticsCsv(groups), statisticsCsv(reference));
        for (const char* observer : {"Ann", "Ben", "Cy"})
            for (const char* orientation : {orientationVertical, orientationHorizontal})
                EXPECT_EQ(resultsOf(with, observer, orientation).rows(0),
                          resultsOf(without, observer, orientation).rows(0));
    }
}

// The current version round trips in session_test. Files of versions 1 and 2, as older releases
// wrote them, open unchanged and stay as they are until something is added; then they are written in
// the current version, the model observer's run with them.
TEST(Campaign, OlderVersionsOpenAsBeforeAndAreWrittenAgainOnlyWhenSomethingIsAdded) {
    for (const int version : {1, 2, 3}) {
        TempDir dir;
        // A file as an older version wrote it: without the keys that came later.
        nlohmann::json file =
            nlohmann::json::parse(sessionText(Session{"2026-12-07T10:00:00.000Z", campaign(), false}));
        for (const char* key : {"objectiveRuns", "observers", "inputs", "audit", "report"})
            file.erase(key);
        file["version"] = version;
        const std::string old = file.dump(1) + "\n";
        std::string reason;
        const std::string path = dir.write("old.json", old);
        const auto opened = parseSession(old, reason);
        ASSERT_TRUE(opened.has_value()) << reason;
        EXPECT_EQ(opened->readings, campaign()); // and so the same groups
        BenchState state;
        MessageLog log;
        Bench bench(state, log);
        bench.resumeSession(*opened, path, false);
        bench.setObserver("Ann");
        EXPECT_EQ(testing_support::readText(path), old) << version;
        ASSERT_TRUE(bench.recordObjectiveRun(objectiveRun(1, orientationVertical)));
        const auto written = readSessionFile(path, log);
        ASSERT_TRUE(written.has_value()) << log.messages.at(0);
        EXPECT_EQ(written->readings, campaign());
        EXPECT_EQ(written->objectiveRuns, std::vector{objectiveRun(1, orientationVertical)});
        EXPECT_NE(testing_support::readText(path).find("\"version\": " + std::to_string(sessionFormatVersion)),
                  std::string::npos);
        bench.finishSession();
    }
}

class MalformedVersion2Reading : public testing::TestWithParam<testing_support::DataRow> {};

TEST_P(MalformedVersion2Reading, IsRefusedWithItsFault) {
    std::string text = sessionText(Session{"2026-12-07T10:00:00.000Z", {sessionReading("A", 0.2)}, false}), reason;
    text.insert(text.find("\"time\""), GetParam().cells[0] + ", ");
    EXPECT_FALSE(parseSession(text, reason).has_value());
    EXPECT_EQ(reason, "reading 1: " + GetParam().cells[1]);
}
INSTANTIATE_TEST_SUITE_P(Campaign, MalformedVersion2Reading, TERVIX_TABLE_ROWS("session/malformed_v2_readings.txt"));

class PositiveInterval : public testing::TestWithParam<testing_support::DataRow> {};

TEST_P(PositiveInterval, StaysAboveZero) {
    const testing_support::DataRow& r = GetParam();
    const auto interval = positiveInterval95(r[0], r[1], static_cast<int>(r[2]));
    ASSERT_EQ(interval.has_value(), r.cells.size() > 3);
    if (interval) {
        EXPECT_NEAR(interval->first / r[3], 1.0, 1e-9);
        EXPECT_NEAR(interval->second / r[4], 1.0, 1e-9);
    }
}
INSTANTIATE_TEST_SUITE_P(Campaign, PositiveInterval, TERVIX_TABLE_ROWS("statistics/positive_intervals.txt"));

TEST(Campaign, ListsAreTheObserversOnTheOrientation) {
    const Session session{"", campaign(), false};
    const auto plusMinus = [&](const char* observer, const char* orientation) {
        const MrtdRecord r = resultsOf(session, observer, orientation).record(0, 0);
        return std::pair{r.mrtdPlus, r.mrtdMinus};
    };
    EXPECT_EQ(plusMinus("Ann", orientationVertical), std::pair(0.3f, -0.2f));
    EXPECT_EQ(plusMinus("Ann", orientationHorizontal), std::pair(0.5f, mrtdNotMeasured));
    EXPECT_EQ(plusMinus("Cy", orientationVertical), std::pair(0.4f, -0.2f));
}
