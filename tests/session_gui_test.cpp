// What only the window shows of a session: an unended one taken up at the start and locked (read-only in a second
// window), the radios turning the target, the observer's names, the question at closing. Readings: see bench_test.
#include "console/session.h"
#include "gui/frame_view.h"
#include "started_bench.h"

#include <QtWidgets>

using namespace Qt::StringLiterals;

class SessionGuiTest : public QObject {
    Q_OBJECT
private slots:
    void anUnendedSessionIsTakenUpAndALockedOneLeftAlone() {
        BenchFolder folder;
        // Eve's +0.5 K at 2 cycles/mrad on Camera3, left unended.
        QDir().mkpath(SessionPanel::sessionFolder());
        const QString file = QDir(SessionPanel::sessionFolder()).filePath(u"session-20261205T080000.000Z.json"_s);
        QVERIFY(QFile::copy(QStringLiteral(TERVIX_TEST_DATA_DIR "/unended_session.json"), file));
        const std::string path = file.toStdString();
        StartedBench first(folder);
        QVERIFY(first.console);
        first.session().setObserver(u"Eve"_s);
        QCOMPARE(first.row(2, rowOfFrequency(3)), u"   4\t   2.\t \t  0.500"_s);
        QVERIFY(
            first.control<QLabel>(controlId::benchCaption)->text().startsWith(u"Restored 1 readings of the session"_s));
        QCOMPARE(first.session().recorder().path(), path);
        // The second bench finds the session held and starts its own.
        StartedBench second(folder);
        QCOMPARE(second.row(2, rowOfFrequency(3)), u"   4\t    2."_s);
        QVERIFY(second.session().recorder().path() != path);
        second.record(575);
        MessageLog readLog;
        QCOMPARE(readSessionFile(path, readLog)->readings.size(), std::size_t(1));
        QVERIFY(first.log.messages.empty() && second.log.messages.empty());
        // Opened on purpose in the second, the held session is only read there, and the window says so.
        QVERIFY(second.session().openSession(file));
        QVERIFY(second.session().recorder().readOnly() &&
                second.log.messages.at(0).find("read-only") != std::string::npos);
        second.record(600);
        QCOMPARE(readSessionFile(path, readLog)->readings.size(), std::size_t(1));
    }

    void theOrientationRadiosTurnTheTargetAndResetTheDifference() {
        RunningBench bench;
        for (auto [radio, across] : {std::pair{u"horizontalBars"_s, 4}, std::pair{u"verticalBars"_s, 0}}) {
            bench.slide(1000); // +2 K
            bench.console->findChild<QAbstractButton*>(radio)->click();
            QCOMPARE(bench.control<QSlider>(controlId::temperatureSlider)->value(), 500);
            bench.slide(1000);
            // The middle of the target is the gap between the second and third bar.
            const QImage view = bench.console->view()->grabFramebuffer();
            QCOMPARE(brightRunsAcross(view), 4 - across);
            QCOMPARE(brightRunsAcross(view.transformed(QTransform().rotate(90))), across);
        }
    }

    void theObserverBoxRemembersNames() {
        BenchFolder folder;
        {
            StartedBench bench(folder);
            auto* box = bench.console->findChild<QComboBox*>(u"observer"_s);
            auto type = [box](const QString& name) {
                box->lineEdit()->selectAll();
                QTest::keyClicks(box->lineEdit(), name);
            };
            for (const QString& name : {u"Cleo"_s, u"Dan"_s, u"Eli"_s}) {
                type(name);
                bench.record(600);
            }
            // Enter in the box takes the name and leaves the target and the difference alone.
            type(u"Dan"_s);
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
        StartedBench again(folder);
        auto* box = again.console->findChild<QComboBox*>(u"observer"_s);
        QCOMPARE((QStringList{box->itemText(0), box->itemText(1), box->itemText(2)}),
                 (QStringList{u"Dan"_s, u"Eli"_s, u"Cleo"_s}));
    }

    void closingAsksOnceWhenResultsAreUnsaved_data() {
        QTest::addColumn<int>("answer"); // none: nothing is recorded
        QTest::addColumn<bool>("closed");
        QTest::newRow("nothing unsaved closes at once") << int(QMessageBox::NoButton) << true;
        QTest::newRow("Cancel keeps the window open") << int(QMessageBox::Cancel) << false;
        QTest::newRow("Discard closes without tables") << int(QMessageBox::Discard) << true;
        QTest::newRow("Save writes each unsaved slot's table") << int(QMessageBox::Save) << true;
    }
    void closingAsksOnceWhenResultsAreUnsaved() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        RunningBench bench;
        const bool record = answer != QMessageBox::NoButton;
        if (record) {
            bench.record(575);
            bench.press(controlId::cameraRadios[2]); // Camera3
            bench.record(450, controlId::notRecognizedButton);
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
        QCOMPARE(QFile::exists(bench.path(u"table1.txt"_s)), saved);
        QFile table(bench.path(u"table3.txt"_s));
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
