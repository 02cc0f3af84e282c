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
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

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
    // A run of an earlier release: no screen law below the peak, no profile.
    session.objectiveRuns[1].viewing.gamma = session.objectiveRuns[1].viewing.blackLuminance = 0.0;
    session.objectiveRuns[1].viewing.profile.reset();
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

// A lock that goes while a bench records (removed, replaced, gone with its folder): that bench
// writes no more into the file, which a second bench may have taken up meanwhile, and says so until
// the session is saved as another file; no second bench takes up the session while the first lives.
class LostLock : public testing::TestWithParam<const char*> {};

TEST_P(LostLock, StopsTheWriterAndKeepsOthersOut) {
    TempDir dir;
    MessageLog log, otherLog;
    SessionRecorder first(log), second(otherLog);
    first.start(dir.path("data"), "2026-12-06T10:00:00.000Z");
    ASSERT_TRUE(first.record(sessionReading("A", 0.2)));
    const std::string path = first.path(), lock = SessionLock::lockPathOf(path), how = GetParam();
    const std::string written = readText(path);
    if (how == "folder")
        std::filesystem::remove_all(dir.path("data"));
    else
        std::filesystem::remove(lock);
    if (how == "replaced")
        dir.write("data/" + std::filesystem::path(lock).filename().string(), "another bench's lock");
    EXPECT_FALSE(first.confirmLock());
    EXPECT_FALSE(first.record(sessionReading("A", 0.3)) || first.record(sessionReading("A", 0.4)));
    const SessionFileStatus& status = first.fileStatus();
    EXPECT_EQ(std::tuple(status.state, status.readingsWritten), std::tuple(SessionFileStatus::State::LockLost, 1u));
    EXPECT_NE(status.reason.find(how == "replaced" ? "was replaced by another file" : "was removed"), std::string::npos)
        << status.reason;
    EXPECT_TRUE(!first.isWritten(1) && first.isWritten(0));
    EXPECT_NE(sessionFileStatusText(status, 3, path).find("The last 2 readings are only in this window"),
              std::string::npos);
    EXPECT_EQ(readText(path), how == "folder" ? "" : written); // nothing more written
    std::filesystem::create_directories(dir.path("data"));
    dir.write("data/" + std::filesystem::path(path).filename().string(), written);
    ASSERT_TRUE(readSessionFile(path, log).has_value());
    EXPECT_FALSE(second.resume(*readSessionFile(path, log), path, true));
    EXPECT_EQ(second.readOnlyReason(), "another bench is recording into it");
    // Saved as another file, the session goes on there, every reading in it.
    ASSERT_TRUE(first.saveAs(dir.path("kept.json")));
    EXPECT_TRUE(first.fileStatus().writtenAgain && first.record(sessionReading("A", 0.5)));
    EXPECT_EQ(readSessionFile(dir.path("kept.json"), log)->readings.size(), 4u);
    ASSERT_TRUE(first.finish());
    SessionRecorder third(otherLog); // the first let go of the old file too
    EXPECT_TRUE(third.resume(*readSessionFile(path, log), path, false));
}
INSTANTIATE_TEST_SUITE_P(Ways, LostLock, testing::Values("removed", "replaced", "folder"));

// Every write that fails counts in the status with the system's reason, until one succeeds, which
// the status says too; the message box comes once per cause. A folder that cannot be made gives its
// own reason, not the lock's "No such file or directory".
TEST(SessionRecorder, EveryFailedWriteShowsInTheStatusUntilOneSucceeds) {
    TempDir dir;
    MessageLog log;
    SessionRecorder recorder(log);
    recorder.start(dir.path("data"), "2026-12-06T10:00:00.000Z");
    ASSERT_TRUE(recorder.record(sessionReading("A", 0.1)));
    const WholeFileSystemCalls system = wholeFileSystemCalls();
    wholeFileSystemCalls().write = [](int, const void*, unsigned long) -> long { return errno = ENOSPC, -1; };
    for (int attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_FALSE(recorder.record(sessionReading("A", 0.1 + 0.1 * attempt)));
        const SessionFileStatus& status = recorder.fileStatus();
        EXPECT_EQ(std::tuple(status.state, status.failedWrites, status.readingsWritten, status.reason),
                  std::tuple(SessionFileStatus::State::Failing, attempt, 1u,
                             "cannot write '" + recorder.path() + "': No space left on device"));
    }
    EXPECT_FALSE(recorder.strike(0, {"2026-12-06T10:05:00.000Z", "A", "mistyped"}));
    EXPECT_EQ(recorder.fileStatus().readingsWritten, 0u);
    EXPECT_NE(sessionFileStatusText(recorder.fileStatus(), 4, recorder.path()).find("(4 attempts)"), std::string::npos);
    wholeFileSystemCalls() = system;
    EXPECT_EQ(log.messages.size(), 1u);
    ASSERT_TRUE(recorder.record(sessionReading("A", 0.5)));
    EXPECT_TRUE(recorder.fileStatus().writtenAgain && recorder.isWritten(4));
    EXPECT_EQ(sessionFileStatusText(recorder.fileStatus(), 5, recorder.path()),
              "The session is written again: '" + recorder.path() + "' holds every reading.");
    EXPECT_EQ(readSessionFile(recorder.path(), log)->readings.size(), 5u);

    // sysfs refuses a new folder even to root; elsewhere a folder without write permission.
    const std::string parent = ::geteuid() == 0 ? "/sys/tervix-test" : dir.path("readonly");
    if (::geteuid() != 0) {
        std::filesystem::create_directory(parent);
        std::filesystem::permissions(parent, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    SessionRecorder blocked(log);
    blocked.start(parent + "/data", "2026-12-06T10:00:00.000Z");
    EXPECT_FALSE(blocked.record(sessionReading("A", 0.2)));
    EXPECT_EQ(blocked.fileStatus().reason.rfind("cannot make the folder '" + parent + "/data': ", 0), 0u)
        << blocked.fileStatus().reason;
    EXPECT_EQ(blocked.fileStatus().reason.find("No such file"), std::string::npos);
}
