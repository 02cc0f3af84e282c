// What only the window shows of a session: an unended one taken up at the start and locked, the radios
// turning the target, the observer's names, the question at closing. Readings: see bench_test.
#include "console/control_ids.h"
#include "console/session.h"
#include "gui/frame_view.h"
#include "gui/main_console.h"
#include "gui/session_panel.h"
#include "started_bench.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QSettings>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The working folder for the test's length: the shipped cameras and target, and the sessions' folder.
struct SessionFolder {
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    SessionFolder() {
        for (const char* name : {"camera1.par", "camera3.par", "mira.tag", "Atmosphere.ini"})
            QFile::copy(QString(TERVIX_SHIPPED_DATA_DIR) + "/" + name, path(name));
        QDir::setCurrent(dir.path());
        qputenv("XDG_DATA_HOME", path("data").toLocal8Bit());
        QSettings(u"Tervix"_s, u"Tervix"_s).setValue(u"dialogs/lastFolder"_s, dir.path()); // tables proposed here
    }
    ~SessionFolder() { QDir::setCurrent(previous); }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
};

struct Window : StartedBench {
    explicit Window(const SessionFolder& folder) : StartedBench(folder.path("tervix").toStdString()) {}
    SessionPanel& session() const { return *console->session(); }
    void press(int position, int button = controlId::applyButton) {
        control<QSlider>(controlId::temperatureSlider)->setValue(position);
        control<QAbstractButton>(button)->click();
    }
    QString row(int slot, int row) const {
        return control<QListWidget>(controlId::resultLists[static_cast<std::size_t>(slot)])->item(row)->text();
    }
};

} // namespace

class SessionGuiTest : public QObject {
    Q_OBJECT
private slots:
    void anUnendedSessionIsTakenUpAndALockedOneLeftAlone() {
        SessionFolder folder;
        Session left{"2026-12-05T08:00:00.000Z", {}, false};
        left.readings.push_back({"2026-12-05T08:01:00.000Z",
                                 "Eve",
                                 3,
                                 "camera3.par",
                                 imageModelSpecified,
                                 orientationVertical,
                                 2.0,
                                 halfPlus,
                                 0.5,
                                 {},
                                 {}});
        QDir().mkpath(SessionPanel::sessionFolder());
        const std::string path =
            QDir(SessionPanel::sessionFolder()).filePath("session-20261205T080000.000Z.json").toStdString();
        MessageLog readLog;
        QVERIFY(writeSessionFile(left, path, readLog));
        Window first(folder);
        QVERIFY(first.console);
        QCOMPARE(first.row(2, rowOfFrequency(3)).toStdString(), resultsOf(left).rows(2)[rowOfFrequency(3)]);
        QVERIFY(
            first.control<QLabel>(controlId::benchCaption)->text().startsWith("Restored 1 readings of the session"));
        QCOMPARE(first.session().recorder().path(), path);
        // The second bench finds the session held and starts its own.
        Window second(folder);
        QCOMPARE(second.row(2, rowOfFrequency(3)), u"   4\t    2."_s);
        QVERIFY(second.session().recorder().path() != path);
        second.press(575);
        QCOMPARE(readSessionFile(path, readLog)->readings.size(), std::size_t(1));
        QVERIFY(first.log.messages.empty() && second.log.messages.empty());
    }

    void theOrientationRadiosTurnTheTargetAndResetTheDifference() {
        SessionFolder folder;
        Window bench(folder);
        auto brightRunsDownMiddle = [](const QImage& image) {
            int runs = 0;
            for (int y = 0, bright = 0; y < image.height(); ++y) {
                const int now = qGray(image.pixel(image.width() / 2, y)) > 128;
                runs += now && !bright;
                bright = now;
            }
            return runs;
        };
        for (auto [radio, across] : {std::pair{"horizontalBars", 4}, std::pair{"verticalBars", 0}}) {
            bench.control<QSlider>(controlId::temperatureSlider)->setValue(1000); // +2 K
            bench.console->findChild<QAbstractButton*>(radio)->click();
            QCOMPARE(bench.control<QSlider>(controlId::temperatureSlider)->value(), 500);
            bench.control<QSlider>(controlId::temperatureSlider)->setValue(1000);
            // The middle of the target is the gap between the second and third bar.
            const QImage view = bench.console->view()->grabFramebuffer();
            QCOMPARE(brightRunsDownMiddle(view), across);
            QCOMPARE(brightRunsDownMiddle(view.transformed(QTransform().rotate(90))), 4 - across);
            view.save(QString(TERVIX_SCREENSHOT_DIR) + "/view_" + radio + ".png");
        }
    }

    void theObserverBoxRemembersNames() {
        SessionFolder folder;
        {
            Window bench(folder);
            auto* box = bench.console->findChild<QComboBox*>("observer");
            auto type = [box](const char* name) {
                box->lineEdit()->selectAll();
                QTest::keyClicks(box->lineEdit(), name);
            };
            for (const char* name : {"Cleo", "Dan", "Eli"}) {
                type(name);
                bench.press(600);
            }
            // Enter in the box takes the name and leaves the target and the difference alone.
            type("Dan");
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(bench.control<QSlider>(controlId::temperatureSlider)->value(), 600);
            QCOMPARE(bench.session().recorder().session().readings.back().observer, std::string("Eli"));
            // Alt+O reaches the box from the keyboard.
            bench.control<QWidget>(controlId::temperatureSlider)->setFocus();
            bench.console->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(bench.console.get()));
            QTest::keyClick(bench.console.get(), Qt::Key_O, Qt::AltModifier);
            QTRY_VERIFY(box->hasFocus() || box->lineEdit()->hasFocus());
            bench.session().markSaved(0);
            bench.console->close();
        }
        // A new window offers the names again, the latest first.
        Window again(folder);
        auto* box = again.console->findChild<QComboBox*>("observer");
        QCOMPARE((QStringList{box->itemText(0), box->itemText(1), box->itemText(2)}),
                 (QStringList{"Dan", "Eli", "Cleo"}));
    }

    void closingAsksOnceWhenResultsAreUnsaved_data() {
        QTest::addColumn<bool>("record");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("nothing unsaved closes at once") << false << int(QMessageBox::NoButton) << true;
        QTest::newRow("Cancel keeps the window open") << true << int(QMessageBox::Cancel) << false;
        QTest::newRow("Discard closes without tables") << true << int(QMessageBox::Discard) << true;
        QTest::newRow("Save writes each unsaved slot's table") << true << int(QMessageBox::Save) << true;
    }
    void closingAsksOnceWhenResultsAreUnsaved() {
        QFETCH(bool, record);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        SessionFolder folder;
        Window bench(folder);
        if (record) {
            bench.press(575);
            bench.control<QAbstractButton>(controlId::cameraRadios[2])->click(); // Camera3
            bench.press(450, controlId::notRecognizedButton);
        }
        // The modal window open at each tick is answered (a file dialog may not take its first accept
        // while it reads the folder).
        int questions = 0;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [answer, &questions] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                ++questions;
                box->button(static_cast<QMessageBox::StandardButton>(answer))->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(w))
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection); // tableN.txt as proposed
        });
        answerer.start(50);
        bench.console->close();
        QTRY_COMPARE(bench.console->isVisible(), !closed);
        QCOMPARE(questions, record ? 1 : 0);
        const bool saved = answer == QMessageBox::Save;
        QCOMPARE(QFile::exists(folder.path("table1.txt")), saved);
        QFile table(folder.path("table3.txt"));
        QCOMPARE(table.open(QIODevice::ReadOnly) && table.readAll().contains("***"), saved);
        MessageLog readLog;
        if (record)
            QCOMPARE(readSessionFile(bench.session().recorder().path(), readLog)->ended, closed);
        QVERIFY(bench.log.messages.empty());
    }
};

int main(int argc, char** argv) {
    QTemporaryDir settings;
    // The recent observers are remembered in a settings folder of the test's own.
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication app(argc, argv);
    SessionGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "session_gui_test.moc"
