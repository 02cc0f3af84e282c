// What makes a session a record a laboratory signs: the roster, the inputs frozen at measurement,
// the audit trail with its reinstatements, the decision rule and text that cannot impersonate.
#include "console/decision_rule.h"
#include "console/session.h"
#include "console/session_statistics.h"
#include "text/messages.h"
#include "text/visible_text.h"

#include "session_reading.h"
#include "test_support.h"

#include <nlohmann/json.hpp>

#include <filesystem>

using namespace testing_support;

namespace {

// Three readings, the second struck and reinstated, the third struck: entries 1 to 3 are the
// readings, 4 and 5 the second's strike and reinstatement, 6 the third's strike.
Session auditedSession() {
    MessageLog log;
    SessionRecorder recorder(log);
    for (const SessionReading& r :
         {sessionReading("Ann", 0.1), sessionReading("Ann", -0.1), sessionReading("Bo", 0.12)})
        recorder.record(r);
    recorder.strike(1, {"2026-12-07T10:05:00.000Z", "Ann", "pressed too early"});
    recorder.reinstate(1, "2026-12-07T10:06:00.000Z", "Bo", "the bars were seen");
    recorder.strike(2, {"2026-12-07T10:07:00.000Z", "Bo", "blinked"});
    Session session = recorder.session();
    session.created = "2026-12-07T10:00:00.000Z"; // a recorder never started keeps no start
    return session;
}

struct Tamper {
    const char* name;
    const char* pointer; // into the session file; empty: a reading appended without an entry
    const char* value;   // JSON, or "-" to take the key out
    int intactEntries;   // -1: the chain holds
};

class EditedSession : public testing::TestWithParam<Tamper> {};

} // namespace

TEST_P(EditedSession, BreaksTheChainAfterTheLastIntactEntry) {
    const Tamper& t = GetParam();
    nlohmann::json file = nlohmann::json::parse(sessionText(auditedSession()));
    const nlohmann::json::json_pointer at(*t.pointer ? t.pointer : "/readings");
    if (!*t.pointer)
        file["readings"].push_back(file["readings"][0]);
    else if (std::string(t.value) == "-") // the key taken out
        file[at.parent_pointer()].erase(at.back());
    else
        file[at] = nlohmann::json::parse(t.value);
    std::string reason;
    const auto session = parseSession(file.dump(), reason);
    ASSERT_TRUE(session.has_value()) << reason;
    const auto broken = auditBreak(*session);
    EXPECT_EQ(broken ? static_cast<int>(*broken) : -1, t.intactEntries);
}
INSTANTIATE_TEST_SUITE_P(
    AuditTrail, EditedSession,
    testing::Values(Tamper{"Untouched", "/ended", "false", -1},
                    Tamper{"FirstReadingsValue", "/readings/0/deltaT", "0.3", 0},
                    Tamper{"SecondReadingsObserver", "/readings/1/observer", "\"Cy\"", 1},
                    Tamper{"StrikeReason", "/audit/3/reason", "\"typo\"", 3},
                    Tamper{"ReinstatementUndone", "/readings/1/struck",
                           R"({"time": "2026-12-07T10:05:00.000Z", "by": "Ann", "reason": "pressed too early"})", 5},
                    Tamper{"StrikeRemoved", "/readings/2/struck", "-", 6}, Tamper{"ReadingAddedByHand", "", "", 6},
                    Tamper{"EntryHashReplaced", "/audit/1/sha256",
                           "\"0000000000000000000000000000000000000000000000000000000000000000\"", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AuditTrail, AReinstatedReadingCountsAgainAndTheWholeHistoryIsKept) {
    const Session session = auditedSession();
    const std::vector<std::string> actions{auditReading, auditReading,   auditReading,
                                           auditStrike,  auditReinstate, auditStrike};
    ASSERT_EQ(session.audit.size(), actions.size());
    for (std::size_t k = 0; k < actions.size(); ++k)
        EXPECT_EQ(session.audit[k].action, actions[k]) << k;
    EXPECT_EQ(session.audit[4].by, "Bo");
    const auto groups = sessionStatistics(session);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].readings, 2); // Ann's two, Bo's struck
    EXPECT_EQ(groups[0].struck, 1);
    EXPECT_DOUBLE_EQ(groups[0].perObserver.at(0).mrtd.value(), 0.1);
    // A session written before the trail was kept adopts its readings, marks included, when written.
    Session older = session;
    older.audit.clear();
    adoptUnaudited(older);
    EXPECT_EQ(older.audit.size(), 4u);
    EXPECT_EQ(older.audit.back().action, auditStrike);
    EXPECT_FALSE(auditBreak(older).has_value());
}

// The names exactly as typed: a slip ("ann ") and the right name ("Ann") are two entries, and the
// statistics count people by identifier.
TEST(ObserverRoster, KeepsNamesAsTypedAndCountsPeopleByIdentifier) {
    MessageLog log;
    SessionRecorder recorder(log);
    for (const SessionObserver& o : {SessionObserver{"ann ", "A1", "2026-10-01"}, SessionObserver{"Ann", "A1", ""},
                                     SessionObserver{"Bo", "B2", ""}, SessionObserver{"Ann", "A9", ""}})
        recorder.addObserver(o);
    ASSERT_EQ(log.messages, std::vector<std::string>{"The observer 'Ann' is on the roster already."});
    for (const char* who : {"ann ", "Ann", "Bo"})
        for (double dt : {0.1, -0.1})
            recorder.record(sessionReading(who, dt));
    Session session = recorder.session();
    session.created = "2026-12-07T10:00:00.000Z";
    std::string reason;
    const auto reopened = parseSession(sessionText(session), reason);
    ASSERT_TRUE(reopened.has_value()) << reason;
    EXPECT_EQ(reopened->observers, session.observers);
    const auto groups = sessionStatistics(*reopened);
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].perObserver.size(), 2u);
    EXPECT_EQ(groups[0].perObserver[0].observer, "ann ");
    EXPECT_EQ(groups[0].perObserver[0].identifier, "A1");
    EXPECT_EQ(groups[0].perObserver[0].plusReadings, 2);
}

TEST(ObserverRoster, RefusesAnEntryWithItsReason) {
    const ObserverRoster roster{{"Ann", "A1", ""}};
    const std::string longName(observerNameLimit + 1, 'x');
    for (const auto& [entry, problem] : std::vector<std::pair<SessionObserver, std::string>>{
             {{"", "A2", ""}, "An observer needs a name."},
             {{"Bo", "", ""}, "The observer 'Bo' needs an identifier."},
             {{"Bo\u202e", "B", "2026-02-30"}, "The eyesight check '2026-02-30' is not a date such as 2026-10-01."},
             {{"Bo\nApproved", "B", ""}, ""},
             {{longName, "B", ""}, "The observer's name is 65 characters long; at most 64 are allowed. Shorten it."}})
        EXPECT_EQ(rosterProblem(roster, entry), problem) << entry.name;
}

TEST(VisibleText, ShowsEveryCharacterThatMovesOrBreaksTextAsAnEscape) {
    for (const auto& [typed, shown] : std::vector<std::pair<std::string, std::string>>{
             {"Jo Ünal", "Jo Ünal"},
             {"Ann\nApproved by: Chief Inspector", "Ann\\nApproved by: Chief Inspector"},
             {"\u202eevil", "<U+202E>evil"},
             {"a\u2066b\u2069\u200f\u061c", "a<U+2066>b<U+2069><U+200F><U+061C>"},
             {"x\u2028y\ry\tz\x1b", "x<U+2028>y\\ry\\tz<U+001B>"},
             {"cut \xe2\x80", "cut <0xE2><0x80>"},
             {"\xc2\x85", "<U+0085>"}})
        EXPECT_EQ(visibleText(typed), shown);
    EXPECT_EQ(characterCount("Ü\u202e\xff"), 3u);
}

TEST(FrozenInput, KeepsTheBytesMeasuredAndTellsHowTheFileOnDiskStands) {
    TempDir dir;
    const std::string bytes = "camera\n\xff latin-1 byte\n";
    dir.write("camera1.par", bytes);
    const auto input = frozenInput(inputCamera, "camera1.par", dir.path("camera1.par"));
    ASSERT_TRUE(input.has_value());
    EXPECT_EQ(input->text, bytes);
    EXPECT_EQ(input->sha256, "7485c0d64adb83058d0467b86e9ddc43fbee9fa2f226743f773663b47c8c7ac1" /* sha256sum */);
    Session session{"2026-12-07T10:00:00.000Z", {sessionReading("Ann", 0.1)}, false};
    session.inputs.push_back(*input);
    session.readings[0].inputs = {1};
    std::string reason;
    const auto reopened = parseSession(sessionText(session), reason);
    ASSERT_TRUE(reopened.has_value()) << reason;
    EXPECT_EQ(reopened->inputs, session.inputs); // a copy that is not UTF-8 comes back byte for byte
    std::vector<InputOnDisk> states;
    states.push_back(inputsOnDisk(session.inputs, {dir.path("")}).at(0));
    dir.write("camera1.par", "camera\nedited\n");
    states.push_back(inputsOnDisk(session.inputs, {dir.path("")}).at(0));
    std::filesystem::remove(dir.path("camera1.par"));
    states.push_back(inputsOnDisk(session.inputs, {dir.path("")}).at(0));
    EXPECT_EQ(states, (std::vector{InputOnDisk::Same, InputOnDisk::Differs, InputOnDisk::Missing}));
}

// The rule on an interval and a mean as the statistics give them; "insufficient data" from the
// statistics themselves (one observer with two readings of each half).
TEST(DecisionRule, JudgesTheIntervalOrNamesSimpleAcceptance) {
    struct Row {
        double mean, low, high;
        DecisionRule rule;
        const char* verdict;
    };
    const double limit = 0.080;
    for (const Row& r : {Row{0.070, 0.060, 0.078, DecisionRule::Interval, "pass"},
                         Row{0.070, 0.060, 0.080, DecisionRule::Interval, "pass"},
                         Row{0.075, 0.060, 0.094, DecisionRule::Interval, "inconclusive"},
                         Row{0.075, 0.060, 0.094, DecisionRule::SimpleAcceptance, "pass"},
                         Row{0.100, 0.080, 0.120, DecisionRule::Interval, "inconclusive"},
                         Row{0.100, 0.085, 0.120, DecisionRule::Interval, "fail"},
                         Row{0.079, 0.040, 0.150, DecisionRule::SimpleAcceptance, "pass"},
                         Row{0.081, 0.040, 0.150, DecisionRule::SimpleAcceptance, "fail"}}) {
        SessionGroup g;
        g.mean = r.mean;
        g.ci95 = std::pair{r.low, r.high};
        g.meetsStandard = true;
        EXPECT_STREQ(verdictText(verdictOf(g, limit, r.rule)), r.verdict) << r.mean << " " << r.high;
        EXPECT_EQ(verdictOf(g, std::nullopt, r.rule), Verdict::NoLimit);
    }
    Session few{"2026-12-07T10:00:00.000Z", {}, false};
    for (double dt : {0.01, 0.01, -0.01, -0.01})
        few.readings.push_back(sessionReading("Ann", dt));
    const auto groups = sessionStatistics(few);
    for (DecisionRule rule : {DecisionRule::Interval, DecisionRule::SimpleAcceptance})
        EXPECT_EQ(verdictOf(groups.at(0), limit, rule), Verdict::InsufficientData);
    EXPECT_NE(decisionRuleStatement(DecisionRule::SimpleAcceptance).find("simple acceptance"), std::string::npos);
}
