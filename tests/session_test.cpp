#include "console/session.h"
#include "console/session_statistics.h"
#include "console/statistics.h"
#include "text/messages.h"
#include "text/whole_file.h"

#include "json_expect.h"
#include "session_reading.h"
#include "test_support.h"

#include <filesystem>
#include <set>
#include <sstream>

#include <sys/stat.h>

using namespace testing_support;

namespace {

// The session files with their hand-computed groups (tests/data/session/README.md).
std::set<std::string> statisticsCases() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(testDataFile("session/statistics")))
        names.insert(entry.path().filename().string());
    return names;
}

class SessionStatistics : public testing::TestWithParam<std::string> {};
class StudentQuantile : public testing::TestWithParam<DataRow> {};

class SampleStatisticsRows : public testing::TestWithParam<DataRow> {};

} // namespace

TEST_P(SessionStatistics, MatchesTheHandComputedGroups) {
    const std::string folder = testDataFile("session/statistics/" + GetParam() + "/");
    MessageLog log;
    const auto session = readSessionFile(folder + "session.json", log);
    ASSERT_TRUE(session.has_value()) << log.messages.at(0);
    const auto groups = sessionStatistics(*session);
    expectJsonHolds(nlohmann::json::parse(statisticsJson(groups)),
                    nlohmann::json::parse(readText(folder + "groups.json")));
    if (std::filesystem::exists(folder + "statistics.csv")) {
        EXPECT_EQ(statisticsCsv(groups), readText(folder + "statistics.csv"));
    }
}
INSTANTIATE_TEST_SUITE_P(Groups, SessionStatistics, testing::ValuesIn(statisticsCases()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST_P(StudentQuantile, MatchesThePublishedValue) {
    const double degreesOfFreedom = std::stod(GetParam().name);
    EXPECT_NEAR(studentQuantile(0.975, degreesOfFreedom) / GetParam()[0], 1.0, 1e-9);
    EXPECT_NEAR(studentQuantile(0.025, degreesOfFreedom) / GetParam()[0], -1.0, 1e-9);
}
INSTANTIATE_TEST_SUITE_P(Statistics, StudentQuantile, TERVIX_TABLE_ROWS("statistics/student_quantiles.txt"));

TEST_P(SampleStatisticsRows, GiveTheMeanSdAndStudentIntervalOfTheMean) {
    const DataRow& r = GetParam();
    const std::vector<double> values = r.numbers(0);
    const SampleStatistics s = sampleStatistics(values);
    EXPECT_EQ(s.count, static_cast<int>(values.size()));
    EXPECT_NEAR(s.mean, r[1], 1e-12);
    EXPECT_NEAR(s.sd, r[2], 1e-12);
    EXPECT_NEAR(s.ciLow, r[1] - r[3], 1e-9);
    EXPECT_NEAR(s.ciHigh, r[1] + r[3], 1e-9);
}
INSTANTIATE_TEST_SUITE_P(Statistics, SampleStatisticsRows, TERVIX_TABLE_ROWS("statistics/samples.txt"));

// Only a regular file of a session's size is read: a pipe would block the window for ever.
TEST(SessionFile, OnlyARegularFileOfASessionsSizeIsRead) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.path("session-fifo.json").c_str(), 0600), 0);
    std::filesystem::resize_file(dir.write("large.json", ""), sessionFileLimit + 1);
    for (auto [name, reason] :
         {std::pair{"absent.json", "does not exist"},
          {"session-fifo.json", "is not a regular file (a folder, pipe or device); a session must be one"},
          {"", "is not a regular file (a folder, pipe or device); a session must be one"},
          {"large.json", "is larger than the 16 MB a session may have"}}) {
        MessageLog log;
        EXPECT_FALSE(readSessionFile(dir.path(name), log).has_value());
        EXPECT_EQ(log.messages, std::vector{std::string("'").append(dir.path(name)).append("' ").append(reason) + "."});
    }
    EXPECT_FALSE(unendedSessionIn(dir.path("")).has_value());
}

// Whole-file writing itself, with its failures, is the whole-file test's.
TEST(SessionFile, WrittenAndReadBackWhole) {
    TempDir dir;
    MessageLog log;
    Session session = *readSessionFile(testDataFile("session/statistics/ThreeObserversBesideOthers/session.json"), log);
    session.ended = true;
    session.readings.push_back(sessionReading("Jo \"Quote\" Ünal", -0.1)); // a minus reading not recognised
    session.readings.back().deltaT.reset();
    session.readings.back().display = ReadingDisplay{false, 420, 37, 2.0, 4};
    session.readings.back().struck = StruckMark{"2026-12-07T10:01:00.000Z", "Ann", undoneReason};
    session.events.push_back({"2026-12-07T10:02:00.000Z", "Ann", eventBlindOn});
    session.objectiveRuns = {objectiveRun(2, orientationHorizontal), objectiveRun(2, orientationVertical, 1.0 / 3)};
    session.objectiveRuns[1].cameraSha256.clear(); // a camera file that could not be read to hash it
    session.objectiveRuns[1].viewing.displayWindow.reset();
    const std::string path = dir.path("s.json");
    ASSERT_TRUE(writeSessionFile(session, path, log));
    EXPECT_EQ(readSessionFile(path, log), session);
    const auto json = nlohmann::json::parse(readText(path));
    EXPECT_EQ(json["format"].dump() + json["version"].dump(),
              "\"tervix-session\"" + std::to_string(sessionFormatVersion));
    EXPECT_TRUE(json["readings"].back()["deltaT"].is_null() && log.messages.empty());
}

class MalformedObjectiveRun : public testing::TestWithParam<DataRow> {};

TEST_P(MalformedObjectiveRun, IsRefusedWithItsFault) {
    Session session{"2026-12-07T10:00:00.000Z", {}, false, {}, {objectiveRun(1, orientationVertical)}};
    std::string reason;
    ASSERT_TRUE(parseSession(sessionText(session), reason)) << reason;
    nlohmann::json file = nlohmann::json::parse(sessionText(session));
    file[nlohmann::json::json_pointer(GetParam().cells[0])] = nlohmann::json::parse(GetParam().cells[1]);
    EXPECT_FALSE(parseSession(file.dump(), reason).has_value());
    EXPECT_EQ(reason, GetParam().cells[2]);
}
INSTANTIATE_TEST_SUITE_P(SessionFile, MalformedObjectiveRun, TERVIX_TABLE_ROWS("session/malformed_objective_runs.txt"));

TEST(SessionFile, TimesAndNamesInUtc) {
    EXPECT_EQ(isoUtcTime(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(isoUtcTime(1796566517250LL), "2026-12-06T14:15:17.250Z");
    EXPECT_EQ(sessionFileName("2026-12-06T14:15:17.250Z"), "session-20261206T141517.250Z.json");
    std::string reason;
    SessionReading read = sessionReading("A", 0.2);
    read.time = isoUtcTime(1796566517250LL);
    EXPECT_TRUE(parseSession(sessionText(Session{read.time, {read}, false}), reason)) << reason;
}

TEST(SessionRecorder, EveryReadingIsOnDiskAndTheEndIsMarked) {
    TempDir dir;
    MessageLog log;
    SessionRecorder recorder(log);
    recorder.start(dir.path("data"), "2026-12-06T10:00:00.000Z");
    ASSERT_TRUE(recorder.finish());
    EXPECT_FALSE(std::filesystem::exists(dir.path("data"))); // nothing recorded, nothing written
    ASSERT_TRUE(recorder.record(sessionReading("A", 0.2)));
    EXPECT_EQ(recorder.path(), dir.path("data/session-20261206T100000.000Z.json"));
    EXPECT_EQ(unendedSessionIn(dir.path("data")), recorder.path());
    EXPECT_TRUE(recorder.isUnsaved(0) && !recorder.isUnsaved(1));
    recorder.markSaved(0);
    EXPECT_FALSE(recorder.anyUnsaved());
    ASSERT_TRUE(recorder.finish());
    EXPECT_FALSE(unendedSessionIn(dir.path("data")).has_value());
    EXPECT_TRUE(readSessionFile(recorder.path(), log)->ended);
    // A recorder never started (a bench without a window) keeps its readings in memory only.
    SessionRecorder inMemory(log);
    EXPECT_TRUE(inMemory.record(sessionReading("A", 0.2)));
    EXPECT_EQ(inMemory.session().readings.size(), 1u);
    EXPECT_TRUE(log.messages.empty());
}

TEST(SessionRecorder, TheNewestUnendedSessionIsFoundAndBrokenFilesArePassedOver) {
    TempDir dir;
    MessageLog log;
    Session older{"2026-12-05T10:00:00.000Z", {sessionReading("A", 0.1)}, false};
    Session ended{"2026-12-06T09:00:00.000Z", {sessionReading("A", 0.2)}, true};
    ASSERT_TRUE(writeSessionFile(older, dir.path(sessionFileName(older.created)), log));
    ASSERT_TRUE(writeSessionFile(ended, dir.path(sessionFileName(ended.created)), log));
    dir.write("session-20261207T000000.000Z.json", "{\"format\": \"tervix-session\", \"vers");
    EXPECT_EQ(unendedSessionIn(dir.path("")), dir.path(sessionFileName(older.created)));
    EXPECT_EQ(readText(dir.path("session-20261207T000000.000Z.json")), "{\"format\": \"tervix-session\", \"vers");
    EXPECT_FALSE(unendedSessionIn(dir.path("absent")).has_value());
    // A resumed session counts its slots' readings as unsaved and goes on in the same file.
    SessionRecorder recorder(log);
    recorder.resume(older, dir.path(sessionFileName(older.created)), true);
    EXPECT_TRUE(recorder.isUnsaved(0));
    ASSERT_TRUE(recorder.record(sessionReading("B", -0.1)));
    EXPECT_EQ(readSessionFile(recorder.path(), log)->readings.size(), 2u);
    EXPECT_TRUE(log.messages.empty());
}

// Two benches on one session file: the second, and any after the data folder went, only reads it.
TEST(SessionRecorder, ASessionRecordedElsewhereOpensReadOnlyEvenAfterItsFolderWent) {
    TempDir dir;
    MessageLog log, otherLog;
    SessionRecorder first(log), second(otherLog);
    first.start(dir.path("data"), "2026-12-06T10:00:00.000Z");
    ASSERT_TRUE(first.record(sessionReading("A", 0.2)));
    std::filesystem::remove_all(dir.path("data"));
    ASSERT_TRUE(first.record(sessionReading("A", 0.3))); // folder and lock made again before the file
    const std::string path = *unendedSessionIn(dir.path("data"));
    EXPECT_FALSE(second.resume(*readSessionFile(path, log), path, true));
    EXPECT_EQ(std::tuple(second.readOnlyReason(), second.anyUnsaved(), second.session().readings.size()),
              std::tuple("another bench is recording into it", false, 2u));
    EXPECT_FALSE(second.record(sessionReading("B", 0.1)) || second.strike(0, {"2026-12-06T10:05:00Z", "B", "mine"}));
    EXPECT_EQ(otherLog.messages.size(), 2u);
    ASSERT_TRUE(first.finish());
    EXPECT_EQ(readSessionFile(path, log)->readings.size(), 2u);
    // Let go at the end.
    EXPECT_TRUE(!std::filesystem::exists(SessionLock::lockPathOf(path)) && log.messages.empty());
}

// A disk that fills up: each reading stays in memory, the cause is said once, not on every press.
TEST(SessionRecorder, AFullDiskIsReportedOnceWithItsCause) {
    TempDir dir;
    MessageLog log;
    SessionRecorder recorder(log);
    recorder.start(dir.path("data"), "2026-12-06T10:00:00.000Z");
    const WholeFileSystemCalls system = wholeFileSystemCalls();
    wholeFileSystemCalls().write = [](int, const void*, unsigned long) -> long { return errno = ENOSPC, -1; };
    EXPECT_FALSE(recorder.record(sessionReading("A", 0.2)));
    EXPECT_FALSE(recorder.record(sessionReading("A", 0.3)));
    wholeFileSystemCalls() = system;
    EXPECT_TRUE(log.messages.size() == 1 && log.messages[0].find("No space left on device") != std::string::npos);
    ASSERT_TRUE(recorder.record(sessionReading("A", 0.4)));
    EXPECT_EQ(readSessionFile(recorder.path(), log)->readings.size(), 3u);
}
