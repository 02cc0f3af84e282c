// What only the window shows of a session: an unended one taken up at the start and locked (read-only in a second
// window), the radios turning the target, the observer's names, the question at closing. Readings: see bench_test.
#include "cli_run.h"
#include "console/session.h"
#include "gui/bench_settings.h"
#include "gui/campaign_model.h"
#include "gui/campaign_view.h"
#include "gui/frame_view.h"
#include "gui/mrtd_plot.h"
#include "gui/objective_mrtd_runner.h"
#include "gui/readings_model.h"
#include "gui/readings_panel.h"
#include "started_bench.h"
#include "text/whole_file.h"

#include <QtWidgets>
#include <nlohmann/json.hpp>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Runs `answer` on the first modal window that opens while `act` runs.
void answerModal(const std::function<void(QWidget*)>& answer, const std::function<void()>& act) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && (poll.stop(), true))
            answer(modal);
    });
    poll.start(20);
    act();
}

// Confirms the new observer `act` asks for (the dialog's identifier kept when `identifier` is empty);
// true when it asked.
bool confirmingObserver(const std::function<void()>& act, const QString& identifier = {}) {
    bool asked = false;
    answerModal(
        [&](QWidget* dialog) {
            asked = dialog->objectName() == u"observerDialog"_s;
            if (!identifier.isEmpty())
                dialog->findChild<QLineEdit*>(u"observerIdentifier"_s)->setText(identifier);
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        },
        act);
    return asked;
}

bool hasDigit(const QString& text) {
    return text.contains(QRegularExpression(u"\\d"_s));
}

QString cell(const QAbstractItemModel* model, int row, int column, int role = Qt::DisplayRole) {
    return model->index(row, column).data(role).toString();
}

// The window at a screen's size, the records window over its lower right; saved as the screen shows it.
void place(MainConsole& window, QSize size, const QString& screenshot = {}) {
    window.setWindowState(Qt::WindowNoState);
    window.setGeometry(QRect(QPoint(0, 0), size));
    QTRY_COMPARE(window.size(), size);
    const int width = std::min(size.width() - 40, 1010);
    window.recordsWindow()->setGeometry(size.width() - width - 20, size.height() - 480, width, 330);
    QTest::qWait(300);
    if (!screenshot.isEmpty())
        QGuiApplication::primaryScreen()
            ->grabWindow(0, 0, 0, size.width(), size.height())
            .save(QStringLiteral(TERVIX_SCREENSHOT_DIR "/") + screenshot);
}

} // namespace

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

    // The lock file removed while the first bench records: that bench writes no more, says so over the
    // image until the session is saved as another file, marks the readings only it holds, and a second
    // bench started meanwhile leaves the session alone.
    void aLostLockStopsTheWriterAndSaysSoUntilSavedElsewhere() {
        BenchFolder folder;
        StartedBench first(folder);
        first.record(575);
        const std::string path = first.session().recorder().path();
        QVERIFY(!first.console->fileStatusBanner()->isVisible());
        QVERIFY(QFile::remove(QString::fromStdString(SessionLock::lockPathOf(path))));
        QTRY_VERIFY_WITH_TIMEOUT(first.console->fileStatusBanner()->isVisible(), 5000); // before the next reading
        first.record(600);
        const QString banner = first.console->fileStatusBanner()->toolTip();
        QVERIFY2(banner.contains(u"was removed"_s) && banner.contains(u"The last reading is only in this window"_s),
                 qPrintable(banner));
        MessageLog readLog;
        QCOMPARE(readSessionFile(path, readLog)->readings.size(), std::size_t(1));
        first.console->showRecords(false);
        const QAbstractItemModel& rows = *first.console->readings()->table()->model();
        QVERIFY(!rows.index(0, 0).data(Qt::FontRole).value<QFont>().italic());
        QVERIFY(rows.index(1, 0).data(Qt::FontRole).value<QFont>().italic());
        StartedBench second(folder);
        QVERIFY(second.session().recorder().path() != path);
        // Closing asks to save the readings the file does not hold; Cancel keeps the window.
        answerModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Cancel)->click(); },
                    [&] { first.console->close(); });
        QVERIFY(first.console->isVisible());
        const QString kept = folder.path(u"kept.json"_s);
        QVERIFY(first.session().saveSessionAs(kept));
        QVERIFY(first.console->fileStatusBanner()->toolTip().contains(u"is written again"_s));
        first.record(625);
        QTRY_VERIFY(!first.console->fileStatusBanner()->isVisible());
        QCOMPARE(readSessionFile(kept.toStdString(), readLog)->readings.size(), std::size_t(3));
    }

    // A full disk: every Apply that cannot be written says so, with the system's reason, counting the
    // attempts, until one is written, which the banner says too.
    void everyFailedWriteShowsUntilOneSucceeds() {
        RunningBench bench;
        bench.record(575);
        const std::string path = bench.session().recorder().path();
        QTRY_VERIFY([&] { // written before the disk fills
            MessageLog log;
            const auto held = readSessionFile(path, log);
            return held && held->readings.size() == 1;
        }());
        const WholeFileSystemCalls system = wholeFileSystemCalls();
        wholeFileSystemCalls().write = [](int, const void*, unsigned long) -> long { return errno = ENOSPC, -1; };
        for (const QString& attempts : {u"(1 attempt)"_s, u"(2 attempts)"_s, u"(3 attempts)"_s}) {
            bench.record(600);
            // The file is written beside the window's thread: the banner follows once it is tried.
            const auto banner = [&] { return bench.console->fileStatusBanner()->toolTip(); };
            QTRY_VERIFY2(bench.console->fileStatusBanner()->isVisible() && banner().contains(attempts) &&
                             banner().contains(u"No space left on device"_s),
                         qPrintable(banner()));
        }
        place(*bench.console, QSize(1600, 1000), u"session_write_failing.png"_s);
        wholeFileSystemCalls() = system;
        QCOMPARE(bench.log.messages.size(), std::size_t(1)); // one box; the banner every time
        bench.record(625);
        QTRY_VERIFY(bench.console->fileStatusBanner()->toolTip().contains(u"is written again"_s));
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
                confirmingObserver([&] { bench.record(600); });
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

    // Two observers, Ann's mistaken press undone, one of Bo's struck with a reason, then Bo blind: list
    // and plot follow observer and orientation, Campaign gives the command line's numbers, the report
    // names its signatories and the struck reading, and blind mode shows no value.
    void aCampaignOfTwoObservers() {
        RunningBench bench;
        MainConsole& w = *bench.console;
        place(w, {1920, 1080}); // the plot keeps one size for the images compared
        answerModal(
            [](QWidget* dialog) {
                dialog->findChild<QLineEdit*>(u"laboratory"_s)->setText(u"Lab North"_s);
                dialog->findChild<QLineEdit*>(u"operator"_s)->setText(u"Olga Operator"_s);
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            },
            [&] { w.session()->menuActions().reportSettings->trigger(); });
        bench.session().setObserver(u"Ann"_s);
        confirmingObserver([&] {
            for (int position : {700, 300, 520}) // +0.8, -0.8 and a press by mistake
                bench.record(position);
        });
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        bench.session().setObserver(u"Bo"_s);
        confirmingObserver([&] {
            for (int position : {650, 350, 600}) // +0.6, -0.6, +0.4 to be struck
                bench.record(position);
        });
        w.showRecords(false); // the Readings panel, as one opens it to strike a reading out
        QTableView* table = w.readings()->table();
        const QAbstractItemModel* readings = table->model();
        table->selectRow(5);
        answerModal(
            [](QWidget* input) {
                qobject_cast<QInputDialog*>(input)->setTextValue(u"Wrong camera"_s),
                    qobject_cast<QInputDialog*>(input)->accept();
            },
            [&] { w.readings()->findChild<QPushButton*>(u"strikeOut"_s)->click(); });
        QCOMPARE((QStringList{cell(readings, 2, 9), cell(readings, 5, 9), cell(readings, 0, 7)}),
                 (QStringList{u"by Ann: Undone"_s, u"by Bo: Wrong camera"_s, u"+0.800"_s}));
        QVERIFY(readings->index(5, 7).data(Qt::FontRole).value<QFont>().strikeOut() &&
                !readings->index(4, 7).data(Qt::FontRole).value<QFont>().strikeOut());
        const QImage bo = w.plot()->grab().toImage();
        QCOMPARE(bench.row(0, rowOfFrequency(0)), QString::fromStdString(formatResultRow(0, {-0.6f, 0.6f})));
        bench.session().setObserver(u"Ann"_s);
        QCOMPARE(bench.row(0, rowOfFrequency(0)), QString::fromStdString(formatResultRow(0, {-0.8f, 0.8f})));
        QVERIFY(w.plot()->grab().toImage() != bo);
        bench.session().setOrientation(orientationHorizontal);
        QCOMPARE(bench.row(0, rowOfFrequency(0)), u"   1\t    0.5"_s); // nothing read
        bench.session().setOrientation(orientationVertical);

        const std::string path = w.core().recorder().path();
        w.core().recorder().flush(); // the window writes the file on a thread of its own
        const auto groups =
            nlohmann::json::parse(testing_support::runCli("session --json '" + path + "'").out)["groups"];
        const QAbstractItemModel* campaign = w.campaign()->model();
        auto same = [&](int row, int column, const nlohmann::json& value) {
            return std::abs(cell(campaign, row, column).toDouble() - value.get<double>()) < 5e-4;
        };
        QCOMPARE(groups.size(), std::size_t(1));
        QCOMPARE(campaign->rowCount(), 3); // Ann, Bo, all observers
        for (int k : {0, 1})
            QVERIFY(same(k, CampaignModel::MeanPlus, groups[0]["perObserver"][k]["plus"]) &&
                    same(k, CampaignModel::MeanMinus, groups[0]["perObserver"][k]["minus"]) &&
                    same(k, CampaignModel::Mrtd, groups[0]["perObserver"][k]["mrtd"]));
        const QStringList bounds = cell(campaign, 2, CampaignModel::Interval).split(u" \u2026 "_s);
        QVERIFY(same(2, CampaignModel::Mrtd, groups[0]["mrtd"]["mean"]) &&
                same(2, CampaignModel::Count, groups[0]["observers"]));
        QVERIFY(std::abs(bounds.value(0).toDouble() - groups[0]["mrtd"]["ci95"][0].get<double>()) < 5e-4 &&
                std::abs(bounds.value(1).toDouble() - groups[0]["mrtd"]["ci95"][1].get<double>()) < 5e-4);
        w.showRecords(true);
        place(w, {1024, 768}, u"campaign_1024x768.png"_s);
        place(w, {1920, 1080}, u"campaign_1920x1080.png"_s);
        w.showRecords(false);
        place(w, {1920, 1080}, u"readings.png"_s);

        // With two observers far apart the symmetric interval would reach below zero; the report's does not.
        QVERIFY(w.session()->writeReport(bench.path(u"report.pdf"_s)));
        const QString report = QString::fromStdString(
            testing_support::runCommand("pdftotext -layout '" + bench.path(u"report.pdf"_s).toStdString() + "' -").out);
        for (const QString& expected : {u"Lab North"_s, u"Olga Operator"_s, QStringLiteral(TERVIX_VERSION),
                                        u"Page 1 of"_s, u"Wrong camera"_s, cell(campaign, 2, CampaignModel::Interval)})
            QVERIFY2(report.contains(expected), qPrintable(expected));
        QVERIFY(!report.contains(QRegularExpression(u"-0\\.\\d+ \u2026|\u2026 -0\\."_s)));

        bench.session().setObserver(u"Bo"_s);
        bench.press(controlId::blindCheck);
        const QImage blindPlot = w.plot()->grab().toImage();
        auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
        QVERIFY(w.core().frequencyIndex() != 0 && (slider->value() == 250 || slider->value() == 750)); // open halves
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(slider);
        for (QAccessible::Text t : {QAccessible::Name, QAccessible::Description, QAccessible::Value})
            QVERIFY(!hasDigit(access->text(t)));
        QVERIFY(!access->valueInterface()->currentValue().isValid() && w.valueText().isEmpty());
        for (auto* list : w.findChildren<QListWidget*>())
            for (int k = 0; k < list->count(); ++k)
                QVERIFY(!hasDigit(list->item(k)->text().section(u'\t', 2)));
        bench.press(controlId::applyButton);
        QCOMPARE(readings->rowCount(), 7);
        for (int k = 0; k < readings->rowCount(); ++k)
            QCOMPARE(cell(readings, k, 7), u"\u2013"_s);
        auto* tabs = w.findChild<QTabWidget*>(u"recordTabs"_s);
        QVERIFY(!tabs->isTabVisible(tabs->indexOf(w.campaign())) && w.plot()->grab().toImage() == blindPlot &&
                blindPlot != bo);
        place(w, {1024, 768}, u"blind_1024x768.png"_s);
        place(w, {1920, 1080}, u"blind.png"_s);
        answerModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); },
                    [&] { bench.press(controlId::blindCheck); });
        MessageLog readLog;
        w.core().recorder().flush();
        const auto events = readSessionFile(path, readLog)->events;
        QVERIFY(events.size() == 2 && events[0].event == eventBlindOn && events[1].event == eventBlindOff);
        QVERIFY(events[1].observer == "Bo" && !w.valueText().isEmpty() && bench.log.messages.empty());
        w.recordsWindow()->hide();
        for (QAction* action : w.findChildren<QAction*>())
            if (action->text() == u"\u00d74"_s)
                action->trigger(); // the View menu's magnifier, for the eye
        bench.press(controlId::frequencyRadios[2]);
        bench.slide(560);
        place(w, {1024, 768}, u"magnified_1024x768.png"_s);
        place(w, {1920, 1080}, u"magnified.png"_s);
    }

    // The model observer's runs are the session's: each drawn only on the bars it measured and labelled
    // so, the other orientation's run shown when the bars turn; a new session shows none, the session
    // opened again brings both back, and the command line lists them with the camera file's hash.
    // A slip ("ann ") and the right name ("Ann") stay two names as typed, each confirmed once (one
    // person when given one identifier), Enter on the trackbar applies, a spoofing name shows
    // escaped, a struck reading comes back with a reason, the readings filter, and blind mode draws
    // no handle that tells the difference.
    void namesAsTypedReinstatementAndTheBlindTrackbar() {
        QSettings(settingsOrganisation, settingsApplication).remove(knownObserversKey);
        RunningBench bench;
        MainConsole& w = *bench.console;
        auto* box = w.findChild<QComboBox*>(u"observer"_s);
        auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
        auto type = [&](const QString& name, const QString& identifier = {}) {
            box->lineEdit()->selectAll();
            if (name.startsWith(u"Eve"_s))
                box->setEditText(name); // pasted: no key types a line break or an override
            else
                QTest::keyClicks(box->lineEdit(), name);
            return confirmingObserver([&] { QTest::keyClick(box->lineEdit(), Qt::Key_Return); }, identifier);
        };
        for (const auto& [name, identifier] : {std::pair{u"ann "_s, u"A-17"_s}, std::pair{u"Ann"_s, u"A-17"_s},
                                               std::pair{u"Eve\u202e\nApproved"_s, QString()}}) {
            QVERIFY(type(name, identifier));
            bench.slide(700);
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_Return);
        }
        const Session& session = w.core().recorder().session();
        QVERIFY(!type(u"Ann"_s)); // once
        QCOMPARE(session.readings.size(), std::size_t(3));
        QCOMPARE((QStringList{QString::fromStdString(session.readings[0].observer),
                              QString::fromStdString(session.readings[1].observer)}),
                 (QStringList{u"ann"_s, u"Ann"_s}));
        QCOMPARE(session.observers.size(), std::size_t(3));
        QCOMPARE(session.observers[1], (SessionObserver{"Ann", "A-17", ""}));
        w.showRecords(false);
        const QAbstractItemModel* readings = w.readings()->table()->model();
        QCOMPARE(cell(readings, 2, 1), u"Eve<U+202E>\\nApproved"_s);
        w.readings()->table()->selectRow(1);
        QVERIFY(w.readings()->strikeSelected(u"wrong bars"_s));
        answerModal(
            [](QWidget* input) {
                qobject_cast<QInputDialog*>(input)->setTextValue(u"bars were right"_s),
                    qobject_cast<QInputDialog*>(input)->accept();
            },
            [&] { w.readings()->findChild<QPushButton*>(u"reinstate"_s)->click(); });
        QVERIFY(!session.readings[1].struck && session.audit.back().action == auditReinstate && !auditBreak(session));
        w.readings()->filter()->setText(u"eve"_s);
        QCOMPARE(readings->rowCount(), 1);
        w.readings()->filter()->clear();
        auto handle = [&](int position) {
            bench.slide(position);
            return slider->grab().toImage();
        };
        QVERIFY(handle(300) != handle(700));
        bench.press(controlId::blindCheck);
        QVERIFY(w.core().blind());
        QVERIFY(handle(300) == handle(700));
        // Blind mode carries over to the next observer, and the session names them.
        bench.session().setObserver(u"Bo"_s);
        QVERIFY(confirmingObserver([&] { bench.record(600); }));
        QCOMPARE(session.events.back().observer + " " + session.events.back().event, std::string("Bo blind on"));
        QCOMPARE((QStringList{cell(readings, 2, ReadingsModel::Blind), cell(readings, 3, ReadingsModel::Blind)}),
                 (QStringList{QString(), u"blind"_s}));
    }

    // A name the session does not know is confirmed once, before its first reading: cancelled, nothing is
    // recorded; a date that is none is refused in the dialog; confirmed, the person joins with identifier
    // and eyesight check, and a later session takes them from the window's memory unasked. "Add
    // observer..." takes a person before any reading.
    void aNewObserverIsConfirmedOnce() {
        QSettings(settingsOrganisation, settingsApplication).remove(knownObserversKey);
        RunningBench bench;
        MainConsole& w = *bench.console;
        auto session = [&]() -> const Session& { return w.core().recorder().session(); };
        bench.session().setObserver(u"Zoe"_s);
        answerModal(
            [](QWidget* dialog) { dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click(); },
            [&] { bench.record(700); });
        QVERIFY(session().readings.empty() && session().observers.empty());
        QString problem;
        answerModal(
            [&](QWidget* dialog) {
                QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
                auto* eyesight = dialog->findChild<QLineEdit*>(u"eyesightChecked"_s);
                dialog->findChild<QLineEdit*>(u"observerIdentifier"_s)->setText(u"LAB-017"_s);
                eyesight->setText(u"2026-02-30"_s);
                ok->click();
                problem = dialog->findChild<QLabel*>(u"observerProblem"_s)->text();
                dialog->grab().save(QStringLiteral(TERVIX_SCREENSHOT_DIR "/new_observer.png"));
                eyesight->setText(u"2026-10-01"_s);
                ok->click();
            },
            [&] { bench.record(700); });
        QVERIFY2(problem.contains(u"2026-02-30"_s), qPrintable(problem));
        const ObserverRoster zoe{{"Zoe", "LAB-017", "2026-10-01"}};
        QVERIFY(session().observers == zoe && session().readings.back().observer == "Zoe");
        bench.session().newSession();
        QVERIFY(!confirmingObserver([&] { bench.record(300); }));
        QVERIFY(session().observers == zoe && session().readings.size() == 1);
        answerModal(
            [](QWidget* dialog) {
                dialog->findChild<QLineEdit*>(u"observerName"_s)->setText(u"Uma"_s);
                dialog->findChild<QLineEdit*>(u"observerIdentifier"_s)->setText(u"LAB-020"_s);
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            },
            [&] { w.session()->menuActions().addObserver->trigger(); });
        QCOMPARE(bench.session().observer(), u"Uma"_s);
        QVERIFY(session().observers.back() == (SessionObserver{"Uma", "LAB-020", ""}));
    }

    void objectiveRunsStayWithTheSessionAndTheirBars() {
        RunningBench bench;
        MainConsole& w = *bench.console;
        MrtdPlot* plot = w.plot();
        place(w, {1920, 1080}); // the plot keeps one size for the images compared
        QSignalSpy done(w.objectiveRunner(), &ObjectiveMrtdRunner::finished);
        ObserverSettings settings;
        settings.observer = ObserverKind::Ideal;
        settings.repeats = 2;
        auto measure = [&](int frequencyIndex) {
            settings.frequencies = {frequencyChoices[static_cast<std::size_t>(frequencyIndex)].frequency};
            w.objectiveRunner()->start(settings);
            QTRY_COMPARE_WITH_TIMEOUT(done.count(), frequencyIndex - 1, 120000);
        };
        auto shows = [plot](const QString& bars, const QString& frequency) {
            return plot->toolTip().startsWith(u"Camera1: ideal observer, "_s + bars + u" bars:"_s) &&
                   plot->toolTip().contains(frequency + u" cycles/mrad: "_s) && plot->toolTip().count(u"Camera"_s) == 1;
        };
        measure(2); // 1.5 cycles/mrad on vertical bars
        QVERIFY(shows(u"vertical"_s, u"1.5"_s));
        const QImage vertical = plot->grab().toImage();
        bench.session().setOrientation(orientationHorizontal);
        QVERIFY(!plot->objectiveRun(0) && plot->toolTip().isEmpty() && plot->grab().toImage() != vertical);
        measure(3); // 2 cycles/mrad on horizontal bars
        QVERIFY(shows(u"horizontal"_s, u"2"_s));
        const QImage horizontal = plot->grab().toImage();
        bench.session().setOrientation(orientationVertical);
        QVERIFY(shows(u"vertical"_s, u"1.5"_s) && plot->grab().toImage() == vertical);
        place(w, {1920, 1080}, u"objective_vertical.png"_s);
        horizontal.save(QStringLiteral(TERVIX_SCREENSHOT_DIR "/objective_horizontal_plot.png"));

        const std::string path = w.core().recorder().path();
        w.session()->newSession();
        QVERIFY(!plot->objectiveRun(0) && plot->toolTip().isEmpty());
        QVERIFY(w.session()->openSession(QString::fromStdString(path)));
        QVERIFY(plot->grab().toImage() == vertical);
        bench.session().setOrientation(orientationHorizontal);
        QVERIFY(shows(u"horizontal"_s, u"2"_s) && plot->grab().toImage() == horizontal);

        const auto runs = nlohmann::json::parse(testing_support::runCli("session --json '" + path + "'").out);
        QFile camera(u"camera1.par"_s);
        QVERIFY(camera.open(QIODevice::ReadOnly));
        const std::string sha =
            QCryptographicHash::hash(camera.readAll(), QCryptographicHash::Sha256).toHex().toStdString();
        QCOMPARE(runs["objectiveRuns"].size(), 2u);
        for (const auto& [k, bars] : {std::pair{0, orientationVertical}, {1, orientationHorizontal}})
            QVERIFY(runs["objectiveRuns"][k]["orientation"] == bars &&
                    runs["objectiveRuns"][k]["cameraSha256"] == sha &&
                    runs["objectiveRuns"][k]["observer"] == "ideal" && runs["objectiveRuns"][k]["repeats"] == 2);
        QVERIFY(bench.log.messages.empty());
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
