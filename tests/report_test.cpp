// The signed report read back as text, and the command line refusing a malformed requirement.

#include "cli_run.h"
#include "console/session.h"
#include "drawing/session_report.h"
#include "text/messages.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

using namespace Qt::StringLiterals;
using testing_support::runCli;
using testing_support::runCommand;

namespace {

// Each test runs in a process of its own, each with its own folder.
const std::filesystem::path folder =
    std::filesystem::temp_directory_path() / ("tervix_report_test_" + std::to_string(::getpid()));

// Three slots in both orientations at three frequencies, three observers each: many groups and a
// readings appendix longer than a page. At 3 cycles/mrad the observers disagree widely.
Session manyGroups() {
    Session session;
    session.created = "2026-12-06T14:15:17.250Z";
    const std::map<double, std::array<double, 3>> values{
        {0.5, {0.1, 0.1, 0.1}}, {1.0, {0.3, 0.3, 0.3}}, {3.0, {0.05, 0.05, 1.0}}};
    for (int slot = 1; slot <= 3; ++slot)
        for (const char* orientation : {orientationVertical, orientationHorizontal})
            for (const auto& [f, mrtds] : values)
                for (int o = 0; o < 3; ++o)
                    for (double sign : {1.0, -1.0}) {
                        SessionReading& r = session.readings.emplace_back();
                        r.time = "2026-12-06T14:16:00.000Z";
                        r.observer = std::string(1, static_cast<char>('A' + o));
                        std::tie(r.slot, r.orientation, r.frequency) = std::tuple(slot, orientation, f);
                        r.cameraFile = "ideal_fine.par";
                        r.half = sign > 0 ? halfPlus : halfMinus;
                        r.deltaT = sign * mrtds[static_cast<std::size_t>(o)];
                    }
    session.readings.push_back(session.readings.front());
    session.readings.back().struck = StruckMark{"2026-12-06T14:30:00.000Z", "Lead", "wrong camera loaded"};
    return session;
}

class ReportCli : public testing::Test {
protected:
    // The report is made once; its pages as pdftotext lays them out, each with white space made single.
    static void SetUpTestSuite() {
        std::filesystem::create_directories(folder);
        MessageLog log;
        ASSERT_TRUE(writeSessionFile(manyGroups(), (folder / "session.json").string(), log));
        std::string error;
        ReportInfo info{u"Optics Lab 3"_s, u"R. Quill"_s, {}, {}, {}};
        info.requirement = parseRequirement("frequency,MRTD limit\n0.5,0.2\n2,0.3\n", "limit.csv", error);
        QString reportError;
        ASSERT_TRUE(writeSessionReport(manyGroups(), {QString::fromLatin1(TERVIX_TEST_DATA_DIR "/camera")},
                                       QString::fromStdString((folder / "report.pdf").string()), reportError, {}, info))
            << reportError.toStdString();
        const auto text = runCommand("pdftotext -layout report.pdf -", folder.string());
        ASSERT_EQ(text.status, 0) << "pdftotext (poppler-utils) is needed";
        for (const QString& page : QString::fromStdString(text.out).replace(u"\uFB01"_s, u"fi"_s).split(u'\f'))
            pages << page.simplified();
        const auto sum = runCommand("sha256sum " TERVIX_TEST_DATA_DIR "/camera/ideal_fine.par");
        sha256 = QString::fromStdString(sum.out).section(u' ', 0, 0);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder); }
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
          // 0.1 K against 0.2 K; 0.3 K against 0.2 + (0.3 − 0.2) · 0.5 / 1.5 K; 3 cycles/mrad is beyond the curve.
          u"0.200 pass"_s, u"0.233 fail"_s, u"– –"_s})
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

TEST_F(ReportCli, RefusesAMalformedRequirementInOneLine) {
    std::ofstream(folder / "bad.csv") << "0.5,0.2\n1,abc\n";
    const auto run = runCli("session session.json --pdf bad.pdf --requirement bad.csv", folder.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bad.csv' line 2:"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "bad.pdf"));
}

} // namespace
