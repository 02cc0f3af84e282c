// Measurement sessions in the bench window under Xvfb: observers and orientations recorded, the
// session surviving a killed process, the report, and the question at closing.
#include "console/control_ids.h"
#include "console/session.h"
#include "console/session_statistics.h"
#include "gui/frame_view.h"
#include "gui/main_console.h"
#include "gui/session_panel.h"
#include "started_bench.h"
#include "text/messages.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <iostream>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString shipped(const char* name) {
    return QString(TERVIX_SHIPPED_DATA_DIR) + "/" + name;
}

// A working folder with the shipped cameras and target and its own data folder for the sessions,
// made current for the test's length.
class SessionFolder {
public:
    explicit SessionFolder(const QString& path = {}) {
        if (!path.isEmpty())
            path_ = path;
        else
            path_ = temporary_.path();
        for (const char* name :
             {"camera1.par", "camera2.par", "camera3.par", "camera4.par", "camera5.par", "mira.tag", "Atmosphere.ini"})
            QFile::copy(shipped(name), QDir(path_).filePath(name));
        previous_ = QDir::currentPath();
        QDir::setCurrent(path_);
        qputenv("XDG_DATA_HOME", QDir(path_).filePath("data").toLocal8Bit());
    }
    ~SessionFolder() { QDir::setCurrent(previous_); }
    QString path(const QString& name) const { return QDir(path_).filePath(name); }
    std::string program() const { return path("tervix").toStdString(); }

private:
    QTemporaryDir temporary_;
    QString path_;
    QString previous_;
};

struct Bench : StartedBench {
    explicit Bench(const SessionFolder& folder) : StartedBench(folder.program()) {}
    template <class W>
    W* find(const QString& name) const {
        return console->findChild<W*>(name);
    }
    void setDifference(int position) { control<QSlider>(controlId::temperatureSlider)->setValue(position); }
    void apply() { control<QAbstractButton>(controlId::applyButton)->click(); }
    void notRecognized() { control<QAbstractButton>(controlId::notRecognizedButton)->click(); }
    void setObserver(const QString& name) {
        auto* box = find<QComboBox>("observer");
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), name);
    }
    QStringList rows(int slot) const {
        QStringList out;
        auto* list = find<QListWidget>(QString::number(std::array{1166, 1171, 1180, 1181, 1182}[slot]));
        for (int k = 0; k < list->count(); ++k)
            out << list->item(k)->text();
        return out;
    }
};

// Answers the modal windows that open while the test waits, one after another.
class ModalAnswerer : public QObject {
public:
    explicit ModalAnswerer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            // Dialogs on the stack may come back at the same address: a gap without one resets.
            if (!modal)
                last_ = nullptr;
            if (modal && modal != last_) {
                last_ = modal;
                seen << modal->metaObject()->className();
                answer_(modal);
            } else if (modal && qobject_cast<QFileDialog*>(modal)) {
                answer_(modal); // a file dialog may not take its first accept while it reads the folder
            }
        });
        timer_.start(50);
    }
    QStringList seen;

private:
    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    QWidget* last_ = nullptr;
};

// Slider positions of the readings: 250 per kelvin about 500.
constexpr int plus03 = 575, minus02 = 450, plus04 = 600, minus03 = 425;

// The observers' work the killed process records: Ann and Ben, each on vertical and horizontal
// bars at 0.5 cycles/mrad, each a plus and a minus reading and one not recognised; 12 readings.
void recordTwoObservers(Bench& bench) {
    for (const char* observer : {"Ann", "Ben"}) {
        bench.setObserver(observer);
        for (const char* orientation : {"verticalBars", "horizontalBars"}) {
            bench.find<QAbstractButton>(orientation)->click();
            const bool ann = QString(observer) == "Ann";
            bench.setDifference(ann ? plus03 : plus04);
            bench.apply();
            bench.setDifference(ann ? minus02 : minus03);
            bench.apply();
            bench.notRecognized();
        }
    }
}

QString pdfText(const QString& path) {
    QProcess process;
    process.start("pdftotext", {"-layout", path, "-"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Runs of bright pixels down the middle column of the view's picture.
int brightRunsDownMiddle(const QImage& image) {
    const int x = image.width() / 2;
    int runs = 0;
    bool bright = false;
    for (int y = 0; y < image.height(); ++y) {
        const bool now = qGray(image.pixel(x, y)) > 128;
        runs += now && !bright;
        bright = now;
    }
    return runs;
}

} // namespace

class SessionGuiTest : public QObject {
    Q_OBJECT
private slots:
    void theSessionSurvivesAKilledProcess();
    void horizontalBarsTurnTheTargetAndResetTheDifference();
    void theObserverBoxRemembersNamesAndIsPlacedClear();
    void closingAsksOnceWhenResultsAreUnsaved_data();
    void closingAsksOnceWhenResultsAreUnsaved();
    void aFileThatIsNoSessionIsRefusedAndLeftAlone();
    void aSecondBenchLeavesARunningSessionAlone();
};

void SessionGuiTest::theSessionSurvivesAKilledProcess() {
    QTemporaryDir dir;
    SessionFolder folder(dir.path());
    // A real bench process records the readings and is killed without ending.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setWorkingDirectory(dir.path());
    child.start(QCoreApplication::applicationFilePath(), {"--record-two-observers", dir.path()});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    while (!said.contains("recorded") && child.waitForReadyRead(60000))
        said += child.readAllStandardOutput();
    QVERIFY2(said.contains("recorded 12"), said.constData());
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    const auto path = unendedSessionIn(SessionPanel::sessionFolder().toStdString());
    QVERIFY(path.has_value());
    MessageLog readLog;
    const auto written = readSessionFile(*path, readLog);
    QVERIFY(written.has_value());
    QCOMPARE(written->readings.size(), std::size_t(12));
    QVERIFY(!written->ended);
    int horizontal = 0, ben = 0, unrecognised = 0;
    for (const SessionReading& r : written->readings) {
        horizontal += r.orientation == orientationHorizontal;
        ben += r.observer == "Ben";
        unrecognised += !r.deltaT.has_value();
        QCOMPARE(r.slot, 1);
        QCOMPARE(r.cameraFile, std::string("camera1.par"));
        QCOMPARE(r.imageModel, std::string("specified"));
        QCOMPARE(r.frequency, 0.5);
    }
    QCOMPARE(horizontal, 6);
    QCOMPARE(ben, 6);
    QCOMPARE(unrecognised, 4);
    QCOMPARE(written->readings[6].deltaT.value(), 0.4);
    QCOMPARE(written->readings[1].half, std::string("minus"));

    // The restart puts every reading back into the lists and says so.
    Bench bench(folder);
    QVERIFY(bench.console);
    QVERIFY(bench.log.messages.empty());
    const MrtdResults expected = resultsOf(*written);
    for (int slot = 0; slot < cameraSlots; ++slot)
        for (int row = 0; row < resultRowCount; ++row)
            QCOMPARE(bench.rows(slot)[row].toStdString(), expected.rows(slot)[static_cast<std::size_t>(row)]);
    // Ben's last plus reading, and his minus half not recognised last.
    QVERIFY(bench.rows(0)[2].contains("0.40"));
    QVERIFY(bench.rows(0)[2].contains("***"));
    QVERIFY(bench.control<QLabel>(controlId::benchCaption)
                ->text()
                .startsWith("Restored 12 readings of the session started"));
    QCOMPARE(bench.console->session()->recorder().path(), *path);
    bench.setDifference(plus03);
    bench.apply();
    QCOMPARE(readSessionFile(*path, readLog)->readings.size(), std::size_t(13));

    // The report from the window, and the command line on the same file, say the same.
    QMenu menu;
    bench.console->session()->addMenuActions(menu);
    QStringList entries;
    for (QAction* action : menu.actions())
        entries << action->text();
    QCOMPARE(entries, (QStringList{"New session", "Open session...", "Report..."}));
    QVERIFY(bench.console->session()->writeReport(folder.path("window.pdf")));
    const QString windowText = pdfText(folder.path("window.pdf"));
    // Vertical bars: Ann 0.30/-0.20 and Ben 0.40/-0.30, MRTDs 0.25 and 0.35 (Ann's third reading on
    // vertical bars came after the restart: 0.30 again, so her mean stays).
    for (const char* expected :
         {"Mean MRTD", "95 % interval", "0.300", "-0.335 … 0.935", "Ann", "Ben", "horizontal bars", "vertical bars"})
        QVERIFY2(windowText.contains(expected), qPrintable(expected + QString("\n") + windowText));
    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.start(TERVIX_CLI_PATH, {"session", QString::fromStdString(*path), "--pdf", folder.path("cli.pdf")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(pdfText(folder.path("cli.pdf")), windowText);

    // A normal end marks the session, and the next start begins a new one.
    QVERIFY(bench.console->session()->recorder().anyUnsaved());
    ModalAnswerer discard([](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            box->button(QMessageBox::Discard)->click();
    });
    bench.console->close();
    QVERIFY(!bench.console->isVisible());
    QVERIFY(readSessionFile(*path, readLog)->ended);
    QVERIFY(!unendedSessionIn(SessionPanel::sessionFolder().toStdString()).has_value());
    QVERIFY(readLog.messages.empty());
}

void SessionGuiTest::horizontalBarsTurnTheTargetAndResetTheDifference() {
    SessionFolder folder;
    Bench bench(folder);
    QVERIFY(bench.console);
    bench.setDifference(1000); // +2 K
    bench.find<QAbstractButton>("horizontalBars")->click();
    QCOMPARE(bench.control<QSlider>(controlId::temperatureSlider)->value(), 500);
    QCOMPARE(bench.state.console.temperatureDifference, 0.0f);
    QVERIFY(bench.state.console.horizontalBars);
    bench.setDifference(1000);
    // The middle of the target is the gap between the second and third bar.
    const QImage turned = bench.console->view()->grabFramebuffer();
    QCOMPARE(brightRunsDownMiddle(turned), 4);
    QCOMPARE(brightRunsDownMiddle(turned.transformed(QTransform().rotate(90))), 0);
    turned.save(QString(TERVIX_SCREENSHOT_DIR) + "/view_horizontal_bars.png");
    bench.find<QAbstractButton>("verticalBars")->click();
    QCOMPARE(bench.control<QSlider>(controlId::temperatureSlider)->value(), 500);
    bench.setDifference(1000);
    const QImage upright = bench.console->view()->grabFramebuffer();
    QCOMPARE(brightRunsDownMiddle(upright), 0);
    QCOMPARE(brightRunsDownMiddle(upright.transformed(QTransform().rotate(90))), 4);
    QVERIFY(bench.log.messages.empty());
}

void SessionGuiTest::theObserverBoxRemembersNamesAndIsPlacedClear() {
    SessionFolder folder;
    {
        Bench bench(folder);
        QVERIFY(bench.console);
        auto* box = bench.find<QComboBox>("observer");
        QVERIFY(box->isVisible());
        QVERIFY(box->isEditable());
        QCOMPARE(box->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        bench.setObserver("Cleo");
        bench.apply();
        bench.setObserver("Dan");
        bench.apply();
        QCOMPARE(bench.console->session()->observer(), QString("Dan"));
        QCOMPARE(box->itemText(0), QString("Dan"));
        QCOMPARE(box->itemText(1), QString("Cleo"));
        // Enter in the box takes the name and leaves the target and the difference alone.
        bench.setDifference(600);
        bench.setObserver("Eli");
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(bench.control<QSlider>(controlId::temperatureSlider)->value(), 600);
        QCOMPARE(box->itemText(0), QString("Eli"));
        bench.setObserver("Dan");
        QTest::keyClick(box->lineEdit(), Qt::Key_Enter);
        QCOMPARE(box->itemText(0), QString("Dan"));
        QCOMPARE(box->itemText(1), QString("Eli"));
        // Alt+O reaches the box from the keyboard.
        bench.control<QWidget>(controlId::temperatureSlider)->setFocus();
        bench.console->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(bench.console.get()));
        QTest::keyClick(bench.console.get(), Qt::Key_O, Qt::AltModifier);
        QTRY_VERIFY(box->hasFocus() || box->lineEdit()->hasFocus());
        // The new controls overlap no shown control, at the smallest and a large screen.
        for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            bench.console->setWindowState(Qt::WindowNoState);
            bench.console->setGeometry(QRect(QPoint(0, 0), size));
            QTRY_COMPARE(bench.console->size(), size);
            for (const char* name : {"observer", "observerLabel", "verticalBars", "horizontalBars"}) {
                QWidget* mine = bench.find<QWidget>(name);
                QVERIFY(bench.console->rect().contains(mine->geometry()));
                for (QWidget* other : bench.console->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    if (other != mine && other->isVisible() && !other->objectName().isEmpty() &&
                        other->objectName() != QString::number(controlId::modeOfWorkGroup) &&
                        other->objectName() != QString::number(controlId::fieldOfViewGroup))
                        QVERIFY2(!mine->geometry().intersects(other->geometry()),
                                 qPrintable(QString(name) + " meets " + other->objectName()));
            }
            bench.console->grab().save(QString(TERVIX_SCREENSHOT_DIR) +
                                       QString("/session_controls_%1x%2.png").arg(size.width()).arg(size.height()));
        }
        bench.console->session()->markSaved(0);
        bench.console->close();
    }
    // A new window offers the names again, the latest first.
    Bench again(folder);
    QCOMPARE(again.find<QComboBox>("observer")->itemText(0), QString("Dan"));
    QCOMPARE(again.find<QComboBox>("observer")->itemText(1), QString("Eli"));
    QCOMPARE(again.find<QComboBox>("observer")->itemText(2), QString("Cleo"));
}

void SessionGuiTest::closingAsksOnceWhenResultsAreUnsaved_data() {
    QTest::addColumn<bool>("record");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("tablesWritten");
    QTest::newRow("nothing unsaved closes at once") << false << int(QMessageBox::NoButton) << true << 0;
    QTest::newRow("Cancel keeps the window open") << true << int(QMessageBox::Cancel) << false << 0;
    QTest::newRow("Discard closes without tables") << true << int(QMessageBox::Discard) << true << 0;
    QTest::newRow("Save writes each unsaved slot's table") << true << int(QMessageBox::Save) << true << 2;
}

void SessionGuiTest::closingAsksOnceWhenResultsAreUnsaved() {
    QFETCH(bool, record);
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(int, tablesWritten);
    SessionFolder folder;
    Bench bench(folder);
    QVERIFY(bench.console);
    if (record) {
        bench.setDifference(plus03);
        bench.apply();
        bench.control<QAbstractButton>(controlId::cameraRadios[2])->click(); // Camera3
        bench.setDifference(minus02);
        bench.notRecognized();
    }
    ModalAnswerer answerer([answer](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            QCOMPARE(box->text(), QString("Save the results before closing?"));
            box->button(static_cast<QMessageBox::StandardButton>(answer))->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
            // The proposed name, tableN.txt in the program's folder, taken as it stands.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
    });
    bench.console->close();
    QTRY_COMPARE(bench.console->isVisible(), !closed);
    const int questions = static_cast<int>(answerer.seen.count("QMessageBox"));
    QCOMPARE(questions, record ? 1 : 0);
    QCOMPARE(answerer.seen.contains(u"QFileDialog"_s), tablesWritten > 0);
    QCOMPARE(QFile::exists(folder.path("table1.txt")), tablesWritten > 0);
    QCOMPARE(QFile::exists(folder.path("table3.txt")), tablesWritten > 0);
    if (tablesWritten > 0) {
        QFile table(folder.path("table3.txt"));
        QVERIFY(table.open(QIODevice::ReadOnly));
        QVERIFY(table.readAll().contains("***"));
    }
    const auto& recorder = bench.console->session()->recorder();
    if (record) {
        MessageLog readLog;
        QCOMPARE(readSessionFile(recorder.path(), readLog)->ended, closed);
    }
    QVERIFY(bench.log.messages.empty());
}

void SessionGuiTest::aFileThatIsNoSessionIsRefusedAndLeftAlone() {
    SessionFolder folder;
    Bench bench(folder);
    QVERIFY(bench.console);
    bench.setDifference(plus03);
    bench.apply();
    const QStringList before = bench.rows(0);
    QFile broken(folder.path("broken.json"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(
        "{\"format\": \"tervix-session\", \"version\": 1, \"created\": \"2026-12-06T10:00:00Z\", \"readings\": [{");
    broken.close();
    QVERIFY(!bench.console->session()->openSession(folder.path("broken.json")));
    QCOMPARE(bench.log.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(bench.log.messages[0]),
             "'" + folder.path("broken.json") + "' is not a Tervix session: the text is not complete JSON.");
    bench.log.messages.clear();
    QCOMPARE(bench.rows(0), before);
    bench.setDifference(minus02);
    bench.apply();
    QVERIFY(broken.open(QIODevice::ReadOnly));
    QVERIFY(broken.readAll().endsWith("[{"));
    broken.close();
    // A valid one is taken up: its readings in the lists, the next reading into its file.
    Session other{"2026-12-05T08:00:00.000Z", {}, true};
    SessionReading r;
    r.time = "2026-12-05T08:01:00.000Z";
    r.observer = "Eve";
    r.slot = 2;
    r.cameraFile = "camera2.par";
    r.frequency = 2.0;
    r.deltaT = 0.5;
    other.readings.push_back(r);
    QVERIFY(writeSessionFile(other, folder.path("other.json").toStdString(), bench.log));
    QVERIFY(bench.console->session()->openSession(folder.path("other.json")));
    QVERIFY(bench.rows(1)[rowOfFrequency(3)].contains("0.50"));
    QVERIFY(!bench.rows(0)[2].contains("0.30"));
    QVERIFY(!bench.console->session()->recorder().anyUnsaved());
    bench.apply();
    MessageLog readLog;
    QCOMPARE(readSessionFile(folder.path("other.json").toStdString(), readLog)->readings.size(), std::size_t(2));
    bench.console->session()->newSession();
    QCOMPARE(bench.rows(1)[rowOfFrequency(3)], QString("   4\t    2."));
    QVERIFY(readSessionFile(folder.path("other.json").toStdString(), readLog)->ended);
    QVERIFY(bench.log.messages.empty());
}

void SessionGuiTest::aSecondBenchLeavesARunningSessionAlone() {
    SessionFolder folder;
    Bench first(folder);
    QVERIFY(first.console);
    first.setDifference(plus03);
    first.apply();
    Bench second(folder);
    QVERIFY(second.console);
    QVERIFY(second.rows(0)[2].trimmed() == "1\t    0.5");
    QVERIFY(second.console->session()->recorder().path() != first.console->session()->recorder().path());
    QCOMPARE(second.control<QLabel>(controlId::benchCaption)->text(),
             QString("Tervix virtual test bench for thermal imaging cameras"));
    second.setDifference(minus02);
    second.apply();
    MessageLog readLog;
    QCOMPARE(readSessionFile(first.console->session()->recorder().path(), readLog)->readings.size(), std::size_t(1));
    QCOMPARE(readSessionFile(second.console->session()->recorder().path(), readLog)->readings.size(), std::size_t(1));
    QVERIFY(first.log.messages.empty());
    QVERIFY(second.log.messages.empty());
}

// The killed process of theSessionSurvivesAKilledProcess: records, says so, and waits.
int recordTwoObserversAndWait(const QString& folderPath) {
    SessionFolder folder(folderPath);
    Bench bench(folder);
    if (!bench.console)
        return 2;
    recordTwoObservers(bench);
    std::cout << "recorded " << bench.console->session()->recorder().session().readings.size() << std::endl;
    return QApplication::exec();
}

int main(int argc, char** argv) {
    QTemporaryDir settings;
    // The recent observers are remembered in a settings folder of the test's own.
    if (!qEnvironmentVariableIsSet("TERVIX_TEST_SETTINGS"))
        qputenv("TERVIX_TEST_SETTINGS", settings.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", qgetenv("TERVIX_TEST_SETTINGS"));
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication app(argc, argv);
    if (argc == 3 && QString(argv[1]) == "--record-two-observers")
        return recordTwoObserversAndWait(QString::fromLocal8Bit(argv[2]));
    SessionGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "session_gui_test.moc"
