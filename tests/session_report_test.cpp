// The session report written without a window, on the offscreen platform: the model observer's
// result joins only its own slot's section in the orientation it was measured.

#include "console/session.h"
#include "drawing/session_report.h"
#include "text/messages.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <array>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// Any Qt warning the report raises is a fault of the test's subject.
void failOnWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        ADD_FAILURE() << "unexpected Qt message: " << message.toStdString();
}

// Three observers' readings at two frequencies in both orientations on slot 1, and vertical bars
// on slot 2.
Session threeObservers() {
    MessageLog log;
    const auto session = readSessionFile(TERVIX_TEST_DATA_DIR "/three_observers_session.json", log);
    EXPECT_TRUE(session) << (log.messages.empty() ? "" : log.messages[0]);
    return session ? *session : Session{};
}

ObjectiveMrtd objectiveResult(bool horizontalBars) {
    ObjectiveMrtd result;
    result.horizontalBars = horizontalBars;
    for (const auto [f, mean, low, high] : {std::array{0.5, 0.0734, 0.0612, 0.0856},
                                            std::array{1.0, 0.1581, 0.1297, 0.1866}, std::array{2.0, 0.0, 0.0, 0.0}}) {
        FrequencyResult& r = result.frequencies.emplace_back();
        r.frequency = f;
        r.mrtd = {.mean = mean, .ciLow = low, .ciHigh = high, .valued = mean > 0.0 ? 5 : 0, .repeats = 5};
    }
    return result;
}

// The report's text with every run of white space made one space, or nothing when it failed.
std::optional<QString> reportText(const ObjectiveBySlot& objective) {
    QTemporaryDir dir;
    if (!dir.isValid())
        return std::nullopt;
    const QString path = dir.filePath(u"report.pdf"_s);
    QString error;
    if (!writeSessionReport(threeObservers(), {}, path, error, objective)) {
        ADD_FAILURE() << error.toStdString();
        return std::nullopt;
    }
    QProcess process;
    process.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext (poppler-utils) is needed";
        return std::nullopt;
    }
    // The PDF's fonts set "fi" as one ligature glyph.
    return QString::fromUtf8(process.readAllStandardOutput()).replace(u"\uFB01"_s, u"fi"_s).simplified();
}

const QString legend = u"objective MRTD (model observer)"_s;
const QString sentence = u"Objective MRTD of the model observer, mean (95 % interval): 0.5 cycles/mrad: 0.073 K "_s
                         u"(0.061 … 0.086 K); 1 cycles/mrad: 0.158 K (0.130 … 0.187 K); 2 cycles/mrad: –."_s;
const std::vector<testing_support::DataRow> rows = testing_support::dataRows("report_objective.tsv");

class SessionReportObjective : public testing::TestWithParam<testing_support::DataRow> {};

TEST_P(SessionReportObjective, ShowsTheResultInItsOwnSectionOnly) {
    const testing_support::DataRow& row = GetParam();
    const int slot = std::stoi(row.cells[0]);
    const auto text =
        reportText(slot ? ObjectiveBySlot{{slot, objectiveResult(row.cells[1] == "horizontal")}} : ObjectiveBySlot{});
    ASSERT_TRUE(text);
    for (const auto& other : rows) // every section is there
        ASSERT_TRUE(other.cells[2].empty() || text->contains(QString::fromStdString(other.cells[2])));
    if (row.cells[2].empty()) {
        EXPECT_FALSE(text->contains(u"objective MRTD"_s, Qt::CaseInsensitive)) << text->toStdString();
        return;
    }
    EXPECT_EQ(text->count(sentence), 1) << text->toStdString();
    EXPECT_EQ(text->count(legend), 1) << text->toStdString();
    // Both lines sit between their section's title and the next one's (the appendix repeats the
    // titles later on).
    const qsizetype start = text->indexOf(QString::fromStdString(row.cells[2]));
    const qsizetype end = text->indexOf(QString::fromStdString(row.cells[3]), start);
    ASSERT_GE(start, 0);
    ASSERT_GT(end, start);
    for (const QString& line : {sentence, legend}) {
        const qsizetype at = text->indexOf(line);
        EXPECT_TRUE(at > start && at < end) << line.toStdString();
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, SessionReportObjective, testing::ValuesIn(rows), testing_support::RowNamedByName{});

// The plot picture itself: the dashed curve adds its colour where there was none.
TEST(SessionReportPlot, DrawsTheObjectiveCurveOnlyWhenGiven) {
    const auto groups = sessionStatistics(threeObservers());
    std::vector<SessionGroup> slot1;
    for (const SessionGroup& g : groups)
        if (g.slot == 1 && g.orientation == orientationVertical)
            slot1.push_back(g);
    ASSERT_FALSE(slot1.empty());
    const ObjectiveMrtd objective = objectiveResult(false);
    auto greenPixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.green() > c.red() + 60 && c.green() > c.blue() + 60;
            }
        return count;
    };
    EXPECT_EQ(greenPixels(sessionPlotImage(slot1, 1500, 900)), 0);
    EXPECT_GT(greenPixels(sessionPlotImage(slot1, 1500, 900, &objective)), 50);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(failOnWarnings);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
