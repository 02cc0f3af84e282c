// The window's menu bar, Display group and exports, through what assistive tools and the eye see.
#include "cli_run.h"
#include "console/control_ids.h"
#include "gui/bench_settings.h"
#include "gui/frame_view.h"
#include "gui/range_dialog.h"
#include "measurement/model_observer.h"
#include "started_bench.h"
#include "text/whole_file.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace controlId;

namespace {

// A bench in a working folder of its own, noise off so that the picture holds still.
struct WindowBench : StartedBench {
    static std::string folder(const QTemporaryDir& dir) {
        for (QString name : {u"camera1.par"_s, u"mira.tag"_s, u"Atmosphere.ini"_s})
            QFile::copy(QString::fromUtf8(TERVIX_SHIPPED_DATA_DIR) + u'/' + name, dir.filePath(name));
        QDir::setCurrent(dir.path());
        qputenv("XDG_DATA_HOME", dir.filePath(u"data"_s).toLocal8Bit());
        return dir.filePath(u"tervix"_s).toStdString();
    }
    explicit WindowBench(const QTemporaryDir& dir) : StartedBench(folder(dir)) { console->toggleNoise(); }
};

// Every name under an accessible object, shown or not (a closed menu's entries are not shown).
void collectNames(QAccessibleInterface* a, QStringList& names) {
    for (int k = 0; a && k < a->childCount(); ++k) {
        names << a->child(k)->text(QAccessible::Name);
        collectNames(a->child(k), names);
    }
}

// The widest run of bright pixels in a row of the picture: the bars, end to end.
int barsWidth(const QImage& picture) {
    int widest = 0;
    for (int y = 0; y < picture.height(); ++y) {
        int first = -1, last = -2;
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) > 200) {
                first = first < 0 ? x : first;
                last = x;
            }
        widest = std::max(widest, last - first + 1);
    }
    return widest;
}

} // namespace

class WindowMenuTest : public QObject {
    Q_OBJECT
private slots:
    void theMenuBarHoldsEveryEntryAndTheDisplayGroupItsControls() {
        QTemporaryDir dir;
        WindowBench bench(dir);
        QStringList names;
        collectNames(QAccessible::queryAccessibleInterface(bench.console->menuBar()), names);
        QAccessibleInterface* group = QAccessible::queryAccessibleInterface(bench.control<QWidget>(displayGroup));
        QStringList shown{group->text(QAccessible::Name)};
        collectNames(group, shown);
        for (const testing_support::DataRow& row : testing_support::dataRows("window/menu_entries.txt"))
            QVERIFY2((row.cells.at(0) == "menu bar" ? names : shown).contains(QString::fromStdString(row.name)),
                     qPrintable(QString::fromStdString(row.name + " in the " + row.cells[0])));
    }

    void theMagnifierWidensTheTargetAndReadingsRecordTheDisplay() {
        QTemporaryDir dir;
        WindowBench bench(dir);
        bench.control<QAbstractButton>(frequencyRadios[1])->click();
        auto* temperature = bench.control<QSlider>(controlId::temperatureSlider);
        temperature->setValue(temperature->maximum());
        const int plain = barsWidth(bench.console->view()->grab().toImage());
        for (QAction* action : bench.console->findChildren<QAction*>())
            if (action->text() == u"\u00d74"_s)
                action->trigger(); // the View menu's magnifier
        const int magnified = barsWidth(bench.console->view()->grab().toImage());
        QVERIFY(plain > 10 && std::abs(magnified - 4 * plain) <= 8);
        bench.control<QSlider>(levelSlider)->setValue(300);
        bench.control<QAbstractButton>(applyButton)->click();
        const ReadingDisplay display = *bench.console->core().session().readings.back().display;
        QCOMPARE(display,
                 (ReadingDisplay{false, 300, bench.control<QSlider>(contrastSlider)->value(),
                                 bench.control<QSlider>(controlId::electronicZoomSlider)->value() / 100.0, 4}));
        // The export is what the command line's session command gives for the session's file.
        const QString exported = dir.filePath(u"statistics.json"_s);
        QVERIFY(bench.console->exportStatistics(exported, true));
        bench.console->core().recorder().flush(); // written beside the window's thread
        const auto cli = testing_support::runCli("session --json '" + bench.console->core().recorder().path() + "'");
        QCOMPARE(testing_support::readText(exported.toStdString()), cli.out);
    }

    // A laboratory's profile is named on the status line and in the objective run; what is no profile
    // is refused in one message naming the file, and the one in use stays.
    void anObserverProfileIsNamedAndWhatIsNoProfileRefused() {
        QTemporaryDir dir;
        WindowBench bench(dir);
        const QString profile = dir.filePath(u"lab.json"_s), broken = dir.filePath(u"broken.json"_s);
        ObserverProfileFile file;
        file.thresholdFactor = 3.1;
        file.thresholdFactorCi95 = {2.8, 3.4};
        file.noiseEfficiency = file.noiseEfficiencyCi95[0] = file.noiseEfficiencyCi95[1] = 0.7;
        std::string error;
        QVERIFY(writeWholeFile(profile.toStdString(), observerProfileText(file), error));
        QVERIFY(writeWholeFile(broken.toStdString(), "{\"format\": \"tervix-observer-profile\"}", error));
        QVERIFY(bench.console->chooseObserverProfile(profile));
        QVERIFY(bench.control<QLabel>(benchCaption)->text().endsWith(u", observer profile lab.json"_s));
        bench.log.messages.clear();
        QVERIFY(!bench.console->chooseObserverProfile(broken));
        QCOMPARE(bench.log.messages.size(), 1u);
        QVERIFY(QString::fromStdString(bench.log.messages[0])
                    .startsWith(u"'"_s + broken + u"' is not an observer profile"_s));
        QCOMPARE(bench.console->observerProfile().thresholdFactor, 3.1);
        QVERIFY(observerViewing({.profile = bench.console->observerProfile()}).find("lab.json: threshold factor 3.1") !=
                std::string::npos);
    }

    // The dialog follows the readings as they arrive and opens again on the scenario it was left at.
    void theRangeDialogFollowsTheReadingsAndRemembersItsScenario() {
        QTemporaryDir dir;
        WindowBench bench(dir);
        QSettings settings(settingsOrganisation, settingsApplication);
        settings.remove(u"range"_s); // the dialog's defaults, whatever an earlier run left
        QAction* range = bench.console->findChild<QAction*>(QString::fromLatin1(rangeActionName));
        range->trigger();
        RangeDialog* dialog = bench.console->findChild<RangeDialog*>();
        QVERIFY(dialog && dialog->prediction().mrtd.curve.empty());
        bench.control<QAbstractButton>(frequencyRadios[1])->click();
        QSlider* slider = bench.control<QSlider>(controlId::temperatureSlider);
        for (int value : {slider->maximum() / 2, slider->minimum() / 2}) { // both halves give an MRTD
            slider->setValue(value);
            bench.control<QAbstractButton>(applyButton)->click();
        }
        QCOMPARE(dialog->prediction().mrtd.curve.size(), 1u);
        dialog->findChild<QComboBox*>(u"rangeCriteria"_s)->setCurrentText(u"2d"_s);
        QCOMPARE(dialog->prediction().tasks.size(), 3u);
        // On a small screen and a large one the table keeps its four rows above the plot, and the
        // notes stay below it.
        const auto* table = dialog->findChild<QTableWidget*>(u"rangeTable"_s);
        const auto* plot = dialog->findChild<QWidget*>(u"rangePlot"_s);
        const auto* notes = dialog->findChild<QLabel*>(u"rangeNotes"_s);
        for (const QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            dialog->setGeometry(QRect(QPoint(0, 0), size));
            dialog->show();
            QTest::qWait(200);
            QVERIFY(table->viewport()->height() >= 4 * table->verticalHeader()->defaultSectionSize());
            QVERIFY(notes->geometry().top() >= plot->geometry().bottom());
            dialog->grab().save(
                QStringLiteral(TERVIX_SCREENSHOT_DIR "/range_%1x%2.png").arg(size.width()).arg(size.height()));
        }
        delete dialog;
        range->trigger();
        QCOMPARE(bench.console->findChild<RangeDialog*>()->prediction().scenario.criteria.name, "2d");
        settings.remove(u"range"_s);
    }

    // A named pipe or /dev/zero as the session opened, as the camera file the session names (Range...
    // on its observers, Report...) and as the report's requirement: each refused at once in one line.
    void hostileFilesAreRefusedInOneLine_data() {
        QTest::addColumn<QString>("hostile");
        QTest::newRow("named pipe") << u"hostile"_s;
        QTest::newRow("device") << u"/dev/zero"_s;
    }
    void hostileFilesAreRefusedInOneLine() {
        QFETCH(QString, hostile);
        QTemporaryDir dir;
        WindowBench bench(dir);
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(u"hostile"_s)).constData(), 0600) == 0);
        const QString path = QDir(dir.path()).filePath(hostile); // /dev/zero stays itself
        QString session = QString::fromStdString(
            testing_support::readText(testing_support::testDataFile("three_observers_session.json")));
        QFile named(dir.filePath(u"named.json"_s));
        QVERIFY(named.open(QIODevice::WriteOnly) && named.write(session.replace(u"camera1.par"_s, hostile).toUtf8()));
        named.close();
        auto refusedInOneLine = [](const QString& shown, const QString& kind) {
            return !shown.contains(u'\n') && shown.contains(kind);
        };
        auto lastMessage = [&] { return QString::fromStdString(bench.log.messages.back()); };
        QVERIFY(!bench.session().openSession(path));
        QVERIFY2(refusedInOneLine(lastMessage(), u"a session must be one"_s), qPrintable(lastMessage()));
        bench.console->findChild<QAction*>(QString::fromLatin1(rangeActionName))->trigger();
        bench.console->findChild<QComboBox*>(u"rangeSource"_s)->setCurrentIndex(0); // the session's observers
        QVERIFY(bench.session().openSession(named.fileName()));
        const QString notes = bench.console->findChild<QLabel*>(u"rangeNotes"_s)->text();
        QVERIFY2(refusedInOneLine(notes, u"camera file"_s), qPrintable(notes));
        QVERIFY(!bench.session().writeReport(dir.filePath(u"report.pdf"_s)));
        QVERIFY2(refusedInOneLine(lastMessage(), u"camera file"_s), qPrintable(lastMessage()));
        QSettings settings(settingsOrganisation, settingsApplication);
        settings.setValue(reportRequirementKey, path);
        QVERIFY(!bench.session().writeReport(dir.filePath(u"report.pdf"_s)));
        settings.remove(reportRequirementKey);
        QVERIFY2(refusedInOneLine(lastMessage(), u"a requirement file must be one"_s), qPrintable(lastMessage()));
        QVERIFY(!QFile::exists(dir.filePath(u"report.pdf"_s)));
    }
};

int main(int argc, char** argv) {
    QTemporaryDir settings; // settings of the test's own: the user's remembered observers stay out
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    WindowMenuTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "window_menu_test.moc"
