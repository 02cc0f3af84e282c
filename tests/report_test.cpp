// The session report read back as text on the offscreen platform: what a laboratory signs, the paged
// readings, the model observer's result in its own section only, and a malformed requirement refused.
#include "camera/camera_file.h"
#include "cli_run.h"
#include "console/session.h"
#include "drawing/plot_style.h"
#include "drawing/session_plot.h"
#include "drawing/session_report.h"
#include "text/messages.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <fstream>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using testing_support::runCommand;

namespace {

const QTemporaryDir folder; // each test runs in a process of its own
const std::string manyGroupsFile = TERVIX_TEST_DATA_DIR "/report_many_groups_session.json";

// Any Qt warning the report raises is a fault of the test's subject.
void failOnWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        ADD_FAILURE() << "unexpected Qt message: " << message.toStdString();
}

Session sessionFile(const std::string& path) {
    MessageLog log;
    const auto session = readSessionFile(path, log);
    EXPECT_TRUE(session) << (log.messages.empty() ? "" : log.messages[0]);
    return session.value_or(Session{});
}

// The report's pages as pdftotext lays them out, each with white space made single (the PDF's fonts
// set "fi" as one ligature glyph).
QStringList reportPages(const Session& session, const ReportInfo& info = {}) {
    const QString path = folder.filePath(u"report.pdf"_s);
    QString error;
    EXPECT_TRUE(writeSessionReport(session, {QString::fromLatin1(TERVIX_TEST_DATA_DIR "/camera")}, path, error, info))
        << error.toStdString();
    const auto text = runCommand("pdftotext -layout '" + path.toStdString() + "' -");
    EXPECT_EQ(text.status, 0) << "pdftotext (poppler-utils) is needed";
    QStringList pages;
    for (const QString& page :
         QString::fromStdString(text.out).replace(u"\uFB01"_s, u"fi"_s).replace(u"\uFB03"_s, u"ffi"_s).split(u'\f'))
        pages << page.simplified();
    return pages;
}

// Three slots in both orientations at three frequencies, three observers each, one reading struck:
// many groups and a readings appendix longer than a page. At 3 cycles/mrad the observers disagree widely.
class ReportCli : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ReportInfo info;
        info.laboratory = u"Optics Lab 3"_s;
        info.operatorName = u"R. Quill"_s;
        info.requirement = parseRequirement("frequency,MRTD limit\n0.5,0.2\n2,0.3\n", "limit.csv", error);
        pages = reportPages(sessionFile(manyGroupsFile), info);
        const auto sum = runCommand("sha256sum " TERVIX_TEST_DATA_DIR "/camera/ideal_fine.par");
        sha256 = QString::fromStdString(sum.out).section(u' ', 0, 0);
    }
    static QString all() { return pages.join(u' '); }
    static inline QStringList pages;
    static inline QString sha256;
};

TEST_F(ReportCli, StatesWhatALaboratorySigns) {
    ASSERT_EQ(sha256.size(), 64);
    for (const QString& expected :
         {u"Laboratory: Optics Lab 3"_s, u"Operator: R. Quill"_s, u"Tervix " TERVIX_VERSION " (build"_s,
          u"SHA-256: "_s + sha256, u"Page 1 of "_s, u"Tested by"_s, u"Approved by"_s,
          // The struck reading stays in the appendix with who struck it, when and why.
          u"Struck out 2026-12-06 14:30:00 UTC by Lead: wrong camera loaded"_s,
          // Limits 0.2 K and 0.2 + (0.3 − 0.2) · 0.5 / 1.5 K; one reading of each half per observer is
          // too few to decide; 3 cycles/mrad is beyond the curve.
          u"0.200 insufficient recognised) data"_s, u"0.233 insufficient recognised) data"_s, u"– –"_s,
          u"Decision rule (interval)"_s})
        EXPECT_TRUE(all().contains(expected)) << expected.toStdString();
    EXPECT_TRUE(pages[pages.size() - 2].contains(QString(u"Page %1 of %1"_s).arg(pages.size() - 1)));
}

TEST_F(ReportCli, PrintsNoNegativeBound) {
    EXPECT_TRUE(all().contains(QRegularExpression(u"\\d\\.\\d{3} … \\d"_s)));
    const auto negative = QRegularExpression(u"[-−]\\d[\\d.]* …"_s).match(all());
    EXPECT_FALSE(negative.hasMatch()) << negative.captured().toStdString();
}

TEST_F(ReportCli, RepeatsTheReadingsHeaderOnEveryPageTheTableContinuesOn) {
    int continued = 0;
    for (const QString& page : pages)
        if (page.contains(u"14:16:00"_s)) {
            EXPECT_TRUE(page.contains(u"Time (UTC) Observer Slot"_s)) << page.toStdString();
            continued += !page.contains(u"Appendix: every reading"_s);
        }
    EXPECT_GE(continued, 1);
}

TEST(ReportCommandLine, RefusesAMalformedRequirementInOneLine) {
    std::ofstream(folder.filePath(u"bad.csv"_s).toStdString()) << "0.5,0.2\n1,abc\n";
    const auto run = testing_support::runCli("session " + manyGroupsFile + " --pdf bad.pdf --requirement bad.csv",
                                             folder.path().toStdString());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bad.csv' line 2:"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(QFile::exists(folder.filePath(u"bad.pdf"_s)));
}

// Three observers' readings at two frequencies in both orientations on slot 1, vertical bars on slot 2.
const std::string threeObservers = TERVIX_TEST_DATA_DIR "/three_observers_session.json";

// A run of the session's camera file in its image model, on the slot and bars given.
ObjectiveRun objectiveRun(int slot, const std::string& bars) {
    ObjectiveRun run;
    run.slot = slot;
    run.cameraFile = "camera1.par";
    run.imageModel = imageModelSpecified;
    run.orientation = bars;
    for (const auto [f, mean, low, high] : {std::array{0.5, 0.0734, 0.0612, 0.0856},
                                            std::array{1.0, 0.1581, 0.1297, 0.1866}, std::array{2.0, 0.0, 0.0, 0.0}}) {
        RunFrequency& r = run.frequencies.emplace_back();
        r.frequency = f;
        r.mrtd = {.outcome = mean > 0.0 ? RunOutcome::Resolved : RunOutcome::NotResolved,
                  .mean = mean,
                  .ciLow = low,
                  .ciHigh = high,
                  .resolved = mean > 0.0 ? 5 : 0,
                  .valued = mean > 0.0 ? 5 : 0,
                  .repeats = 5};
    }
    return run;
}

const QString legend = u"objective MRTD (model observer)"_s;
const QString sentence = u"Objective MRTD of the model observer, mean (95 % interval): 0.5 cycles/mrad: 0.073 K "_s
                         u"(0.061 … 0.086 K); 1 cycles/mrad: 0.158 K (0.130 … 0.187 K); 2 cycles/mrad: –."_s;
const std::vector<testing_support::DataRow> rows = testing_support::dataRows("report_objective.tsv");

class SessionReportObjective : public testing::TestWithParam<testing_support::DataRow> {};

// The model observer's result joins only its own slot's section in the orientation it was measured.
TEST_P(SessionReportObjective, ShowsTheResultInItsOwnSectionOnly) {
    const testing_support::DataRow& row = GetParam();
    const int slot = std::stoi(row.cells[0]);
    Session session = sessionFile(threeObservers);
    if (slot)
        session.objectiveRuns.push_back(objectiveRun(slot, row.cells[1]));
    const QString text = reportPages(session).join(u' ');
    for (const auto& other : rows) // every section is there
        ASSERT_TRUE(other.cells[2].empty() || text.contains(QString::fromStdString(other.cells[2])));
    if (row.cells[2].empty()) {
        EXPECT_FALSE(text.contains(u"objective MRTD"_s, Qt::CaseInsensitive)) << text.toStdString();
        return;
    }
    EXPECT_EQ(text.count(sentence), 1) << text.toStdString();
    EXPECT_EQ(text.count(legend), 1) << text.toStdString();
    // Both sit between their section's title and the next one's (the appendix repeats the titles later).
    const qsizetype start = text.indexOf(QString::fromStdString(row.cells[2]));
    const qsizetype end = text.indexOf(QString::fromStdString(row.cells[3]), start);
    ASSERT_GE(start, 0);
    ASSERT_GT(end, start);
    for (const QString& line : {sentence, legend})
        EXPECT_TRUE(text.indexOf(line) > start && text.indexOf(line) < end) << line.toStdString();
}
INSTANTIATE_TEST_SUITE_P(Rows, SessionReportObjective, testing::ValuesIn(rows), testing_support::RowNamedByName{});

// The plot picture itself: the dashed curve adds its colour where there was none.
// A camera file is looked up by its name alone, in the folders given, and read only when it is a
// regular file of a camera file's size: no name in a session puts another file into a report, none
// holds it, and each is refused in one line.
TEST(SessionReportCameraFiles, AreLookedUpByNameInTheirFoldersAndBounded) {
    const QString sub = folder.filePath(u"cameras"_s);
    ASSERT_TRUE(QDir().mkpath(sub) &&
                QFile::copy(QStringLiteral(TERVIX_TEST_DATA_DIR "/camera/ideal_fine.par"), sub + u"/ideal_fine.par"_s));
    ASSERT_EQ(::mkfifo(QFile::encodeName(sub + u"/pipe.par"_s).constData(), 0600), 0);
    std::ofstream(QFile::encodeName(sub + u"/big.par"_s).toStdString()).seekp(cameraFileLimits.maxBytes).put('\n');
    const std::string named = "is named with a folder";
    for (auto [name, found, problem] :
         {std::tuple{"ideal_fine.par", true, std::string()},
          {"absent.par", false, ""},
          {"../cameras/ideal_fine.par", false, named},
          {"/etc/passwd", false, named},
          {"/dev/zero", false, named},
          {"pipe.par", false, "is not a regular file (a folder, pipe or device); a camera file must be one"},
          {"big.par", false, "is larger than the 32 MB a camera file may have"}}) {
        const CameraFileFacts facts = cameraFileFacts(QString::fromLatin1(name), {sub});
        EXPECT_EQ(facts.found, found) << name;
        EXPECT_EQ(facts.problem.isEmpty(), problem.empty()) << name;
        EXPECT_TRUE(facts.problem.contains(QString::fromStdString(problem))) << name << facts.problem.toStdString();
    }
}

TEST(SessionReportPlot, DrawsTheObjectiveCurveOnlyWhenGiven) {
    std::vector<SessionGroup> slot1;
    for (const SessionGroup& g : sessionStatistics(sessionFile(threeObservers)))
        if (g.slot == 1 && g.orientation == orientationVertical)
            slot1.push_back(g);
    ASSERT_FALSE(slot1.empty());
    const ObjectiveRun objective = objectiveRun(1, orientationVertical);
    // Pixels in the model observer's colour and none other's.
    const QColor own = plotLineStyle(objectiveSeries).colour;
    auto ownPixels = [&](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += std::abs(c.red() - own.red()) + std::abs(c.green() - own.green()) +
                             std::abs(c.blue() - own.blue()) <
                         40;
            }
        return count;
    };
    EXPECT_EQ(ownPixels(sessionPlotImage(slot1, 1500, 900)), 0);
    EXPECT_GT(ownPixels(sessionPlotImage(slot1, 1500, 900, &objective)), 50);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(failOnWarnings);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
