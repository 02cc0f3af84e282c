// The session report written without a window, on the offscreen platform: the model observer's
// result joins only its own slot's section in the orientation it was measured.

#include "drawing/session_report.h"

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
    Session session;
    session.created = "2026-12-06T14:15:17.250Z";
    const struct {
        int slot;
        const char* orientation;
    } sections[] = {{1, orientationVertical}, {1, orientationHorizontal}, {2, orientationVertical}};
    int k = 0;
    for (const auto& section : sections)
        for (const char* observer : {"A", "B", "C"})
            for (double f : {0.5, 1.0})
                for (int repeat = 0; repeat < 3; ++repeat) {
                    const double value = 0.1 * f + 0.01 * (k++ % 7);
                    for (bool plus : {true, false}) {
                        SessionReading r;
                        r.time = "2026-12-06T14:16:00.000Z";
                        r.observer = observer;
                        r.slot = section.slot;
                        r.cameraFile = "camera1.par";
                        r.orientation = section.orientation;
                        r.frequency = f;
                        r.half = plus ? halfPlus : halfMinus;
                        r.deltaT = plus ? value : -value;
                        session.readings.push_back(r);
                    }
                }
    return session;
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
const QString slot1Vertical = u"Camera1 · camera1.par · specified image model · vertical bars (horizontal MRTD)"_s;
const QString slot1Horizontal = u"Camera1 · camera1.par · specified image model · horizontal bars (vertical MRTD)"_s;
const QString slot2Vertical = u"Camera2 · camera1.par · specified image model · vertical bars (horizontal MRTD)"_s;

struct ObjectiveRow {
    const char* name;
    ObjectiveBySlot objective;
    // The section title the objective MRTD follows, or none when the report must not show it.
    std::optional<QString> section;
    std::optional<QString> nextSection;
};

class SessionReportObjective : public testing::TestWithParam<ObjectiveRow> {};

TEST_P(SessionReportObjective, ShowsTheResultInItsOwnSectionOnly) {
    const ObjectiveRow& row = GetParam();
    const auto text = reportText(row.objective);
    ASSERT_TRUE(text);
    ASSERT_TRUE(text->contains(slot1Vertical)) << text->toStdString();
    ASSERT_TRUE(text->contains(slot2Vertical)) << text->toStdString();
    if (!row.section) {
        EXPECT_FALSE(text->contains(u"objective MRTD"_s, Qt::CaseInsensitive)) << text->toStdString();
        return;
    }
    EXPECT_EQ(text->count(sentence), 1) << text->toStdString();
    EXPECT_EQ(text->count(legend), 1) << text->toStdString();
    // Both lines sit between their section's title and the next one's (the appendix repeats the
    // titles later on).
    const qsizetype start = text->indexOf(*row.section);
    const qsizetype end = text->indexOf(*row.nextSection, start);
    ASSERT_GE(start, 0);
    ASSERT_GT(end, start);
    for (const QString& line : {sentence, legend}) {
        const qsizetype at = text->indexOf(line);
        EXPECT_GT(at, start) << line.toStdString();
        EXPECT_LT(at, end) << line.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SessionReportObjective,
    testing::Values(ObjectiveRow{"none", {}, std::nullopt, std::nullopt},
                    ObjectiveRow{"slot1Vertical", {{1, objectiveResult(false)}}, slot1Vertical, slot1Horizontal},
                    ObjectiveRow{"slot1Horizontal", {{1, objectiveResult(true)}}, slot1Horizontal, slot2Vertical},
                    ObjectiveRow{"slot2Vertical",
                                 {{2, objectiveResult(false)}},
                                 slot2Vertical,
                                 u"Appendix: the observers' values"_s},
                    // Measured on horizontal bars, but the slot's session has only vertical ones.
                    ObjectiveRow{"slot2Horizontal", {{2, objectiveResult(true)}}, std::nullopt, std::nullopt},
                    ObjectiveRow{"slotWithoutReadings", {{3, objectiveResult(false)}}, std::nullopt, std::nullopt}),
    [](const testing::TestParamInfo<ObjectiveRow>& info) { return std::string(info.param.name); });

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
