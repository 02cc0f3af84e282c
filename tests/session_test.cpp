#include "console/session.h"
#include "console/session_statistics.h"
#include "console/statistics.h"
#include "text/messages.h"

#include "test_support.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

using testing_support::readText;
using testing_support::TempDir;

namespace {

// A reading of camera slot 1 at 0.5 cycles/mrad, vertical bars, the specified model; the half
// follows from the difference, and a half given alone was not recognised.
SessionReading reading(const std::string& observer, double deltaT) {
    SessionReading r;
    r.time = "2026-12-06T10:00:00.000Z";
    r.observer = observer;
    r.cameraFile = "camera1.par";
    r.half = halfOf(deltaT);
    r.deltaT = deltaT;
    return r;
}
SessionReading notRecognised(const std::string& observer, const char* half) {
    SessionReading r = reading(observer, 0.0);
    r.half = half;
    r.deltaT.reset();
    return r;
}
SessionReading in(SessionReading r, const std::string& model, const char* orientation) {
    r.imageModel = model;
    r.orientation = orientation;
    return r;
}

struct ExpectedGroup {
    std::string imageModel;
    std::string orientation;
    int observers;
    std::optional<double> mean;
    std::optional<double> sd;
    std::optional<double> ciHalfWidth;
    int readings;
    int notRecognized;
    bool meetsStandard;
    std::vector<std::optional<double>> observerMrtds;
};

struct StatisticsRow {
    const char* name;
    std::vector<SessionReading> readings;
    std::vector<ExpectedGroup> groups;
};

// Three observers, three readings of each half: A 0.22/-0.20 (0.21), B 0.30/-0.28 (0.29),
// C 0.14/-0.12 (0.13). Mean 0.21, sd 0.08, half width t(0.975, 2) 0.08 / sqrt 3 = 0.198731.
std::vector<SessionReading> threeObservers() {
    std::vector<SessionReading> r;
    const std::vector<std::pair<std::string, std::vector<double>>> values{
        {"A", {0.20, -0.18, 0.24, -0.22, 0.22, -0.20}},
        {"B", {0.30, -0.26, 0.28, -0.30, 0.32, -0.28}},
        {"C", {0.16, -0.10, 0.12, -0.14, 0.14, -0.12}}};
    for (const auto& [name, list] : values)
        for (double v : list)
            r.push_back(reading(name, v));
    return r;
}
std::vector<SessionReading> threeObserversOneShort() {
    auto r = threeObservers();
    r.erase(r.begin() + 17); // C keeps only two minus readings: -0.10, -0.14 (mean -0.12 still)
    return r;
}

const double t2 = 4.302652730;

std::vector<StatisticsRow> statisticsRows() {
    return {
        {"OneObserver",
         {reading("A", 0.20), reading("A", -0.16), reading("A", 0.24), reading("A", -0.20)},
         {{imageModelSpecified, orientationVertical, 1, 0.20, {}, {}, 4, 0, false, {0.20}}}},
        {"ThreeObserversThreeReadingsEach",
         threeObservers(),
         {{imageModelSpecified,
           orientationVertical,
           3,
           0.21,
           0.08,
           t2 * 0.08 / std::sqrt(3.0),
           18,
           0,
           true,
           {0.21, 0.29, 0.13}}}},
        {"AnObserverShortOfThreeReadingsMissesTheStandard",
         threeObserversOneShort(),
         {{imageModelSpecified,
           orientationVertical,
           3,
           0.21,
           0.08,
           t2 * 0.08 / std::sqrt(3.0),
           17,
           0,
           false,
           {0.21, 0.29, 0.13}}}},
        {"AHalfNeverRecognised",
         {reading("A", 0.2), notRecognised("A", halfMinus), reading("A", 0.3), notRecognised("A", halfMinus),
          reading("A", 0.25), notRecognised("A", halfMinus)},
         {{imageModelSpecified, orientationVertical, 0, {}, {}, {}, 6, 3, false, {std::nullopt}}}},
        {"NotRecognisedReadingsDoNotEnterTheMeans",
         {reading("A", 0.2), notRecognised("A", halfPlus), reading("A", -0.1), reading("B", 0.4), reading("B", -0.2)},
         {{imageModelSpecified,
           orientationVertical,
           2,
           0.225,
           std::sqrt(0.01125),
           12.706204736 * std::sqrt(0.01125) / std::sqrt(2.0),
           5,
           1,
           false,
           {0.15, 0.3}}}},
        {"ImageModelsAndOrientationsKeptApart",
         {in(reading("A", 0.2), "physical", orientationVertical),
          in(reading("A", -0.2), "physical", orientationVertical),
          in(reading("A", 0.4), imageModelSpecified, orientationHorizontal),
          in(reading("A", -0.4), imageModelSpecified, orientationHorizontal),
          in(reading("A", 0.1), imageModelSpecified, orientationVertical),
          in(reading("A", -0.3), imageModelSpecified, orientationVertical)},
         // Ordered by image model, then orientation.
         {{"physical", orientationVertical, 1, 0.2, {}, {}, 2, 0, false, {0.2}},
          {imageModelSpecified, orientationHorizontal, 1, 0.4, {}, {}, 2, 0, false, {0.4}},
          {imageModelSpecified, orientationVertical, 1, 0.2, {}, {}, 2, 0, false, {0.2}}}},
    };
}

void expectNear(const std::optional<double>& actual, const std::optional<double>& expected, const char* what) {
    ASSERT_EQ(actual.has_value(), expected.has_value()) << what;
    if (expected) {
        EXPECT_NEAR(*actual, *expected, 1e-9) << what;
    }
}

void PrintTo(const StatisticsRow& row, std::ostream* out) {
    *out << row.name;
}

class SessionStatistics : public testing::TestWithParam<StatisticsRow> {};

} // namespace

TEST_P(SessionStatistics, MatchesTheHandComputedGroups) {
    const StatisticsRow& row = GetParam();
    Session session{"2026-12-06T10:00:00.000Z", row.readings, false};
    const auto groups = sessionStatistics(session);
    ASSERT_EQ(groups.size(), row.groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k) {
        const SessionGroup& g = groups[k];
        const ExpectedGroup& e = row.groups[k];
        SCOPED_TRACE(k);
        EXPECT_EQ(g.slot, 1);
        EXPECT_EQ(g.cameraFile, "camera1.par");
        EXPECT_EQ(g.imageModel, e.imageModel);
        EXPECT_EQ(g.orientation, e.orientation);
        EXPECT_EQ(g.frequency, 0.5);
        EXPECT_EQ(g.observers, e.observers);
        expectNear(g.mean, e.mean, "mean");
        expectNear(g.sd, e.sd, "sd");
        ASSERT_EQ(g.ci95.has_value(), e.ciHalfWidth.has_value());
        if (e.ciHalfWidth) {
            // The half width on the linear scale, t sd / sqrt(n), is relative on the logarithmic one.
            EXPECT_NEAR(g.ci95->first, *e.mean * std::exp(-*e.ciHalfWidth / *e.mean), 1e-9);
            EXPECT_NEAR(g.ci95->second, *e.mean * std::exp(*e.ciHalfWidth / *e.mean), 1e-9);
        }
        EXPECT_EQ(g.readings, e.readings);
        EXPECT_EQ(g.notRecognized, e.notRecognized);
        EXPECT_EQ(g.meetsStandard, e.meetsStandard);
        ASSERT_EQ(g.perObserver.size(), e.observerMrtds.size());
        for (std::size_t o = 0; o < e.observerMrtds.size(); ++o)
            expectNear(g.perObserver[o].mrtd, e.observerMrtds[o], "observer MRTD");
    }
}

INSTANTIATE_TEST_SUITE_P(Groups, SessionStatistics, testing::ValuesIn(statisticsRows()),
                         [](const testing::TestParamInfo<StatisticsRow>& info) { return info.param.name; });

TEST(SessionStatisticsGrouping, SlotsCameraFilesAndFrequenciesMakeTheirOwnGroupsInOrder) {
    Session session;
    SessionReading a = reading("A", 0.2);
    SessionReading b = a;
    b.frequency = 2.0;
    SessionReading c = a;
    c.slot = 3;
    SessionReading d = a;
    d.cameraFile = "other.par";
    session.readings = {c, b, d, a, a};
    const auto groups = sessionStatistics(session);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].cameraFile, "camera1.par");
    EXPECT_EQ(groups[0].frequency, 0.5);
    EXPECT_EQ(groups[0].readings, 2);
    EXPECT_EQ(groups[1].frequency, 2.0);
    EXPECT_EQ(groups[2].cameraFile, "other.par");
    EXPECT_EQ(groups[3].slot, 3);
    // One half alone gives the observer no MRTD.
    EXPECT_EQ(groups[0].observers, 0);
    EXPECT_TRUE(groups[0].perObserver[0].plus.has_value());
    EXPECT_FALSE(groups[0].perObserver[0].minus.has_value());
}

namespace {

// Published 0.975 quantiles of Student's t; the row for a million degrees of freedom was found by a
// root search on the incomplete beta function at 40 digits.
struct QuantileRow {
    double degreesOfFreedom, quantile;
};

class StudentQuantile : public testing::TestWithParam<QuantileRow> {};

// Samples with their mean, sd and interval half width worked by hand.
struct SampleRow {
    const char* name;
    std::vector<double> values;
    double mean, sd, halfWidth;
};

class SampleStatisticsRows : public testing::TestWithParam<SampleRow> {};

} // namespace

TEST_P(StudentQuantile, MatchesThePublishedValue) {
    const QuantileRow row = GetParam();
    EXPECT_NEAR(studentQuantile(0.975, row.degreesOfFreedom) / row.quantile, 1.0, 1e-9);
    EXPECT_NEAR(studentQuantile(0.025, row.degreesOfFreedom) / row.quantile, -1.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Statistics, StudentQuantile,
                         testing::Values(QuantileRow{1, 12.7062047362}, QuantileRow{2, 4.30265272975},
                                         QuantileRow{3, 3.18244630528}, QuantileRow{5, 2.57058183661},
                                         QuantileRow{7, 2.36462425101}, QuantileRow{10, 2.22813885196},
                                         QuantileRow{30, 2.04227245630}, QuantileRow{100, 1.98397151852},
                                         QuantileRow{1000, 1.96233908082}, QuantileRow{1e6, 1.95996635681},
                                         QuantileRow{INFINITY, 1.95996398454}),
                         [](const testing::TestParamInfo<QuantileRow>& info) {
                             return std::isinf(info.param.degreesOfFreedom)
                                        ? std::string("normal")
                                        : "df_" + testing_support::numberName(info.param.degreesOfFreedom);
                         });

TEST_P(SampleStatisticsRows, GiveTheMeanSdAndStudentIntervalOfTheMean) {
    const SampleRow row = GetParam();
    const SampleStatistics s = sampleStatistics(row.values);
    EXPECT_EQ(s.count, static_cast<int>(row.values.size()));
    EXPECT_NEAR(s.mean, row.mean, 1e-12);
    EXPECT_NEAR(s.sd, row.sd, 1e-12);
    EXPECT_NEAR(s.ciLow, row.mean - row.halfWidth, 1e-9);
    EXPECT_NEAR(s.ciHigh, row.mean + row.halfWidth, 1e-9);
}

// Four values: sd sqrt(5/3), half width t(0.975, 3) sd / 2. One value has no spread to speak of.
INSTANTIATE_TEST_SUITE_P(
    Statistics, SampleStatisticsRows,
    testing::Values(
        SampleRow{"none", {}, 0.0, 0.0, 0.0}, SampleRow{"one", {0.7}, 0.7, 0.0, 0.0},
        SampleRow{"four", {4.0, 1.0, 3.0, 2.0}, 2.5, std::sqrt(5.0 / 3.0), 3.18244630528 * std::sqrt(5.0 / 3.0) / 2.0}),
    [](const testing::TestParamInfo<SampleRow>& info) { return std::string(info.param.name); });

TEST(SessionStatisticsOutput, JsonAndCsvCarryTheGroupsValues) {
    Session session{"2026-12-06T10:00:00.000Z", threeObservers(), false};
    session.readings.push_back(notRecognised("D", halfPlus));
    const auto groups = sessionStatistics(session);
    const auto json = nlohmann::json::parse(statisticsJson(groups));
    ASSERT_EQ(json.size(), 1u);
    const auto& g = json[0];
    EXPECT_EQ(g["slot"], 1);
    EXPECT_EQ(g["orientation"], "vertical");
    EXPECT_EQ(g["observers"], 3);
    EXPECT_NEAR(g["mrtd"]["mean"].get<double>(), 0.21, 1e-12);
    EXPECT_NEAR(g["mrtd"]["ci95"][1].get<double>(), 0.21 * std::exp(t2 * 0.08 / 0.21 / std::sqrt(3.0)), 1e-9);
    EXPECT_EQ(g["readings"], 19);
    EXPECT_EQ(g["notRecognized"], 1);
    EXPECT_EQ(g["meetsStandard"], true);
    ASSERT_EQ(g["perObserver"].size(), 4u);
    EXPECT_EQ(g["perObserver"][3]["observer"], "D");
    EXPECT_TRUE(g["perObserver"][3]["mrtd"].is_null());
    EXPECT_NEAR(g["perObserver"][1]["minus"].get<double>(), -0.28, 1e-12);
    const std::string csv = statisticsCsv(groups);
    EXPECT_EQ(csv.substr(csv.find('\n') + 1),
              "1,camera1.par,specified,vertical,0.5,3,0.21,0.08,0.0815136,0.541014,19,1,true\n");
}

namespace {

std::string validReadingText(const std::string& override) {
    std::string text = R"({"time": "2026-12-06T10:00:00.000Z", "observer": "A", "slot": 2, "cameraFile": "camera2.par",
        "imageModel": "specified", "orientation": "horizontal", "frequency": 1.5, "half": "minus", "deltaT": -0.2})";
    if (!override.empty()) {
        const std::string key = override.substr(0, override.find(':'));
        const std::size_t at = text.find(key);
        const std::size_t end = text.find_first_of(",}", at);
        text.replace(at, end - at, override);
    }
    return text;
}
std::string fileWith(const std::string& readings,
                     const std::string& head = R"("format": "tervix-session", "version": 1)") {
    return "{" + head + R"(, "created": "2026-12-06T10:00:00.000Z", "readings": [)" + readings + "]}";
}

struct MalformedRow {
    const char* name;
    std::string text;
    std::string reason;
};

std::vector<MalformedRow> malformedRows() {
    const std::string valid = fileWith(validReadingText(""));
    return {
        {"Empty", "", "the file is empty"},
        {"Truncated", valid.substr(0, valid.size() / 2), "the text is not complete JSON"},
        {"NotAnObject", "[1, 2]", "the file holds no JSON object"},
        {"OtherFormat", fileWith("", R"("format": "something-else", "version": 1)"),
         "\"format\" is not \"tervix-session\""},
        {"LaterVersion", fileWith("", R"("format": "tervix-session", "version": 3)"),
         "version 3 is not version 1 or 2"},
        {"NoCreated", R"({"format": "tervix-session", "version": 1, "readings": []})",
         "\"created\" is not an ISO 8601 UTC time"},
        {"ReadingsNotAList",
         R"({"format": "tervix-session", "version": 1, "created": "2026-12-06T10:00:00Z", "readings": {}})",
         "\"readings\" is not a list"},
        {"ReadingWithoutHalf", fileWith(validReadingText("") + ", {\"time\": \"2026-12-06T10:00:00Z\"}"),
         "reading 2 has no \"observer\""},
        {"SlotOutOfRange", fileWith(validReadingText("\"slot\": 6")),
         "reading 1: \"slot\" is not a camera slot from 1 to 5"},
        {"UnknownOrientation", fileWith(validReadingText("\"orientation\": \"diagonal\"")),
         "reading 1: \"orientation\" is neither \"vertical\" nor \"horizontal\""},
        {"TextForDeltaT", fileWith(validReadingText("\"deltaT\": \"0.2\"")),
         "reading 1: \"deltaT\" is neither a number nor null"},
        {"DeltaTOnTheWrongHalf", fileWith(validReadingText("\"deltaT\": 0.2")),
         "reading 1: \"deltaT\" 0.2 does not belong to the minus half"},
        {"LocalTime", fileWith(validReadingText("\"time\": \"2026-12-06 10:00\"")),
         "reading 1: \"time\" is not an ISO 8601 UTC time"},
        {"NoFrequency", fileWith(validReadingText("\"frequency\": -1")),
         "reading 1: \"frequency\" is not a positive number"},
    };
}

void PrintTo(const MalformedRow& row, std::ostream* out) {
    *out << row.name;
}

class MalformedSession : public testing::TestWithParam<MalformedRow> {};

} // namespace

TEST_P(MalformedSession, IsRefusedWithTheFileAndTheReasonAndLeftAsItIs) {
    TempDir dir;
    const std::string path = dir.write("broken.json", GetParam().text);
    MessageLog log;
    EXPECT_FALSE(readSessionFile(path, log).has_value());
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0], "'" + path + "' is not a Tervix session: " + GetParam().reason + ".");
    EXPECT_EQ(log.messages[0].find('\n'), std::string::npos);
    EXPECT_EQ(readText(path), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Files, MalformedSession, testing::ValuesIn(malformedRows()),
                         [](const testing::TestParamInfo<MalformedRow>& info) { return info.param.name; });

TEST(SessionFile, AMissingFileCannotBeRead) {
    TempDir dir;
    MessageLog log;
    EXPECT_FALSE(readSessionFile(dir.path("absent.json"), log).has_value());
    EXPECT_EQ(log.messages, std::vector<std::string>{"'" + dir.path("absent.json") + "' cannot be read."});
}

TEST(SessionFile, WrittenAndReadBackWholeWithNothingLeftBeside) {
    TempDir dir;
    MessageLog log;
    Session session{"2026-12-06T10:00:00.000Z", threeObservers(), true};
    session.readings.push_back(notRecognised("Jo \"Quote\" Ünal", halfMinus));
    const std::string path = dir.path("s.json");
    ASSERT_TRUE(writeSessionFile(session, path, log));
    EXPECT_EQ(readSessionFile(path, log), session);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("")), std::filesystem::directory_iterator()),
              1);
    const auto json = nlohmann::json::parse(readText(path));
    EXPECT_EQ(json["format"], "tervix-session");
    EXPECT_EQ(json["version"], 2);
    EXPECT_TRUE(json["readings"][18]["deltaT"].is_null());
    EXPECT_FALSE(writeSessionFile(session, dir.path("no/such/folder/s.json"), log));
    EXPECT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].find("no/such/folder/s.json"), std::string::npos);
}

TEST(SessionFile, TimesAndNamesInUtc) {
    EXPECT_EQ(isoUtcTime(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(isoUtcTime(1796566517250LL), "2026-12-06T14:15:17.250Z");
    EXPECT_EQ(sessionFileName("2026-12-06T14:15:17.250Z"), "session-20261206T141517.250Z.json");
    std::string reason;
    EXPECT_TRUE(parseSession(fileWith(validReadingText("\"time\": \"" + isoUtcTime(1796566517250LL) + "\"")), reason));
}

TEST(SessionRecorder, EveryReadingIsOnDiskAndTheEndIsMarked) {
    TempDir dir;
    MessageLog log;
    SessionRecorder recorder(log);
    recorder.start(dir.path("data"), "2026-12-06T10:00:00.000Z");
    ASSERT_TRUE(recorder.finish());
    EXPECT_FALSE(std::filesystem::exists(dir.path("data"))); // nothing recorded, nothing written
    ASSERT_TRUE(recorder.record(reading("A", 0.2)));
    EXPECT_EQ(recorder.path(), dir.path("data/session-20261206T100000.000Z.json"));
    EXPECT_EQ(unendedSessionIn(dir.path("data")), recorder.path());
    EXPECT_TRUE(recorder.isUnsaved(0));
    EXPECT_FALSE(recorder.isUnsaved(1));
    recorder.markSaved(0);
    EXPECT_FALSE(recorder.anyUnsaved());
    ASSERT_TRUE(recorder.finish());
    EXPECT_FALSE(unendedSessionIn(dir.path("data")).has_value());
    EXPECT_TRUE(readSessionFile(recorder.path(), log)->ended);
    // A recorder never started (a bench without a window) keeps its readings in memory only.
    SessionRecorder inMemory(log);
    EXPECT_TRUE(inMemory.record(reading("A", 0.2)));
    EXPECT_EQ(inMemory.session().readings.size(), 1u);
    EXPECT_TRUE(log.messages.empty());
}

TEST(SessionRecorder, TheNewestUnendedSessionIsFoundAndBrokenFilesArePassedOver) {
    TempDir dir;
    MessageLog log;
    Session older{"2026-12-05T10:00:00.000Z", {reading("A", 0.1)}, false};
    Session ended{"2026-12-06T09:00:00.000Z", {reading("A", 0.2)}, true};
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
    ASSERT_TRUE(recorder.record(reading("B", -0.1)));
    EXPECT_EQ(readSessionFile(recorder.path(), log)->readings.size(), 2u);
    EXPECT_TRUE(log.messages.empty());
}
