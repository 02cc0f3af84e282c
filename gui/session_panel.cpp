#include "gui/session_panel.h"

#include "console/bench.h"
#include "console/control_ids.h"
#include "console/data_files.h"
#include "drawing/requirement_curve.h"
#include "drawing/session_report.h"
#include "gui/bench_settings.h"
#include "gui/dialog_folder.h"
#include "gui/observer_dialog.h"
#include "gui/report_settings_dialog.h"
#include "text/bounded_text_file.h"
#include "text/messages.h"
#include "text/sha256.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int recentObserverCount = 10;
const QString recentObserversKey = u"session/recentObservers"_s;

QString loginName() {
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return u"observer"_s;
}

} // namespace

SessionPanel::SessionPanel(QWidget& window, Bench& core, MessageSink& messages, WindowHooks hooks)
    : QObject(&window), window_(window), core_(core), messages_(messages), hooks_(std::move(hooks)) {
    observerBox_ = new QComboBox(&window);
    observerBox_->setObjectName(u"observer"_s);
    observerBox_->setAccessibleName(u"Observer"_s);
    observerBox_->setEditable(true);
    observerBox_->setInsertPolicy(QComboBox::NoInsert);
    // A name is taken exactly as typed: the box's completer would complete "Ann" into an earlier
    // "ann" (or "Jo" into "John"), and readings would go to a name nobody typed. Remembered names
    // stay in the box's list, for the observer to choose.
    observerBox_->setCompleter(nullptr);
    observerBox_->setFocusPolicy(Qt::StrongFocus);
    QStringList recent = QSettings(settingsOrganisation, settingsApplication).value(recentObserversKey).toStringList();
    recent.removeAll(QString());
    if (recent.isEmpty())
        recent << loginName();
    observerBox_->addItems(recent);
    observerBox_->setCurrentIndex(0);
    observerBox_->lineEdit()->installEventFilter(this);
    // The results lists are the named observer's: another name shows that person's.
    core_.setObserver(observer().toStdString());
    connect(observerBox_, &QComboBox::currentTextChanged, this,
            [this] { core_.setObserver(observer().toStdString()); });
    observerLabel_ = new QLabel(u"&Observer"_s, &window);
    observerLabel_->setObjectName(u"observerLabel"_s);
    observerLabel_->setBuddy(observerBox_);

    // Short labels, to fit on the row of the frequency radios; the accessible names say what they mean.
    orientationGroup_ = new QButtonGroup(this);
    verticalBars_ = new QRadioButton(u"Vertical"_s, &window);
    verticalBars_->setObjectName(u"verticalBars"_s);
    verticalBars_->setAccessibleName(u"Vertical bars"_s);
    horizontalBars_ = new QRadioButton(u"Horizontal"_s, &window);
    horizontalBars_->setObjectName(u"horizontalBars"_s);
    horizontalBars_->setAccessibleName(u"Horizontal bars"_s);
    orientationGroup_->addButton(verticalBars_, 0);
    orientationGroup_->addButton(horizontalBars_, 1);
    verticalBars_->setChecked(true);
    connect(orientationGroup_, &QButtonGroup::idClicked, this, [this](int id) {
        core_.selectOrientation(id == 1);
        if (hooks_.orientationChanged)
            hooks_.orientationChanged();
    });
    createMenuActions();
}

bool SessionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == observerBox_->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (confirmObserver(observer()))
                rememberObserver(observer());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

QString SessionPanel::sessionFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

SessionPanel::~SessionPanel() = default;

QString SessionPanel::startOrRestore() {
    const QString folder = sessionFolder();
    // A session another running bench is recording into is not this one's to take up.
    for (const std::string& path : unendedSessionsIn(folder.toStdString())) {
        auto session = readSessionFile(path, messages_);
        if (!session)
            continue;
        const std::size_t count = session->readings.size();
        const std::string created = session->created;
        core_.resumeSession(std::move(*session), path, true);
        if (recorder().readOnly())
            continue;
        offerRosterNames();
        return (u"Restored %1 readings of the session started %2 UTC, which did not end normally."_s)
            .arg(count)
            .arg(QString::fromStdString(created.substr(0, 10) + " " + created.substr(11, 8)));
    }
    core_.startSession(folder.toStdString(), isoUtcNow());
    return {};
}

void SessionPanel::recordReading(bool recognised) {
    if (!confirmObserver(observer()))
        return;
    rememberObserver(observer());
    core_.record({observer().toStdString(), recognised});
}

bool SessionPanel::confirmObserver(const QString& name) {
    const Session& session = recorder().session();
    const std::string typed = name.toStdString();
    if (recorder().readOnly() || rosterEntry(session.observers, typed) || name == loginName() ||
        std::any_of(session.readings.begin(), session.readings.end(),
                    [&](const SessionReading& r) { return r.observer == typed; }))
        return true;
    if (const auto known = ObserverDialog::remembered(name); known && rosterProblem(session.observers, *known).empty())
        return core_.addObserver(*known);
    ObserverDialog dialog(name, session.observers, &window_);
    return dialog.exec() == QDialog::Accepted && core_.addObserver(dialog.entry());
}

void SessionPanel::offerRosterNames() {
    QSignalBlocker block(observerBox_);
    const QString shown = observerBox_->currentText();
    for (const SessionObserver& o : recorder().session().observers)
        if (const QString name = QString::fromStdString(o.name); observerBox_->findText(name) < 0)
            observerBox_->addItem(name);
    observerBox_->setEditText(shown);
}

void SessionPanel::addNaturalWidths(std::map<int, int>& widths) const {
    using namespace controlId;
    for (auto [id, widget] : {std::pair<int, QWidget*>{observerCaption, observerLabel_},
                              {verticalBarsRadio, verticalBars_},
                              {horizontalBarsRadio, horizontalBars_}})
        widths[id] = widget->sizeHint().width();
}

void SessionPanel::layout(const std::map<int, LayoutRect>& at) {
    using namespace controlId;
    for (auto [id, widget] : {std::pair<int, QWidget*>{observerCaption, observerLabel_},
                              {observerBox, observerBox_},
                              {verticalBarsRadio, verticalBars_},
                              {horizontalBarsRadio, horizontalBars_}}) {
        const LayoutRect& r = at.at(id);
        widget->setGeometry(r.x, r.y, r.width, r.height);
    }
}

const SessionRecorder& SessionPanel::recorder() const {
    return core_.recorder();
}

void SessionPanel::markSaved(int slotIndex) {
    core_.recorder().markSaved(slotIndex);
}

void SessionPanel::createMenuActions() {
    actions_.newSession = new QAction(u"New session"_s, this);
    actions_.newSession->setShortcut(QKeySequence::New);
    connect(actions_.newSession, &QAction::triggered, this, [this] {
        if (confirmNewSession())
            newSession();
    });
    actions_.openSession = new QAction(u"Open session..."_s, this);
    actions_.openSession->setShortcut(QKeySequence::Open);
    connect(actions_.openSession, &QAction::triggered, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(&window_, u"Open session"_s, dialogFolder(), u"Session (*.json)"_s);
        rememberDialogFolder(path);
        if (!path.isEmpty())
            openSession(path);
    });
    actions_.saveSessionAs = new QAction(u"Save session as..."_s, this);
    actions_.saveSessionAs->setShortcut(QKeySequence::SaveAs);
    connect(actions_.saveSessionAs, &QAction::triggered, this, [this] {
        const QString proposed =
            QDir(dialogFolder()).filePath(QString::fromStdString(sessionFileName(recorder().session().created)));
        const QString path =
            QFileDialog::getSaveFileName(&window_, u"Save session as"_s, proposed, u"Session (*.json)"_s);
        rememberDialogFolder(path);
        if (!path.isEmpty())
            saveSessionAs(path);
    });
    actions_.report = new QAction(u"Report..."_s, this);
    actions_.report->setShortcut(QKeySequence::Print);
    connect(actions_.report, &QAction::triggered, this, [this] {
        const QString proposed = QDir(dialogFolder())
                                     .filePath(QString::fromStdString(sessionFileName(recorder().session().created))
                                                   .replace(u".json"_s, u".pdf"_s));
        const QString path = QFileDialog::getSaveFileName(&window_, u"Report"_s, proposed, u"Report (*.pdf)"_s);
        rememberDialogFolder(path);
        if (!path.isEmpty())
            writeReport(path);
    });
    actions_.addObserver = new QAction(u"Add observer..."_s, this);
    connect(actions_.addObserver, &QAction::triggered, this, [this] {
        ObserverDialog dialog(QString(), recorder().session().observers, &window_);
        if (dialog.exec() != QDialog::Accepted || !core_.addObserver(dialog.entry()))
            return;
        // The box's text first, which makes them the bench's current observer, then the list.
        const QString name = QString::fromStdString(dialog.entry().name);
        setObserver(name);
        rememberObserver(name);
    });
    actions_.reportSettings = new QAction(u"Report settings..."_s, this);
    connect(actions_.reportSettings, &QAction::triggered, this, [this] {
        ReportSettingsDialog dialog(&window_);
        dialog.exec();
    });
}

void SessionPanel::addMenuActions(QMenu& menu) {
    menu.addActions({actions_.newSession, actions_.openSession, actions_.saveSessionAs, actions_.addObserver,
                     actions_.report, actions_.reportSettings});
}

bool SessionPanel::confirmClose() {
    // Readings the session's file does not hold (it could not be written, or its lock went) are lost
    // with the window unless saved elsewhere.
    const std::size_t readings = recorder().session().readings.size();
    if (recorder().fileStatus().state != SessionFileStatus::State::Written) {
        QMessageBox question(
            QMessageBox::Warning, u"Tervix"_s,
            u"The session file does not hold the last %1 readings. Save the session as another "
            u"file before closing?"_s.arg(readings - std::min(readings, recorder().fileStatus().readingsWritten)),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, &window_);
        question.setObjectName(u"unwrittenQuestion"_s);
        question.setDefaultButton(QMessageBox::Save);
        const int answer = question.exec();
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::Save) {
            actions_.saveSessionAs->trigger();
            if (recorder().fileStatus().state != SessionFileStatus::State::Written)
                return false; // not saved: the window stays open
        }
    }
    if (!recorder().anyUnsaved())
        return true;
    // The readings are on disk already (the session file is written after each); what closing can
    // lose is the results tables, so the question says so and its buttons say what they do.
    QMessageBox question(QMessageBox::Question, u"Tervix"_s, u"Save the results before closing?"_s,
                         QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, &window_);
    question.setInformativeText(u"Every reading is kept in the session file; only the results tables are unsaved."_s);
    question.setObjectName(u"closeQuestion"_s);
    question.button(QMessageBox::Save)->setText(u"Save tables and close"_s);
    question.button(QMessageBox::Discard)->setText(u"Close without the tables"_s);
    question.setDefaultButton(QMessageBox::Save);
    const int answer = question.exec();
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Discard)
        return true;
    for (int slot = 0; slot < cameraSlots; ++slot)
        if (recorder().isUnsaved(slot) && !(hooks_.saveTable && hooks_.saveTable(slot)))
            return false; // a table left unsaved keeps the window open
    return true;
}

bool SessionPanel::confirmNewSession() {
    if (recorder().session().readings.empty() && recorder().session().objectiveRuns.empty())
        return true;
    QMessageBox question(QMessageBox::Question, u"Tervix"_s,
                         u"End this session (its readings stay in its file) and start a new one?"_s,
                         QMessageBox::Yes | QMessageBox::Cancel, &window_);
    question.setObjectName(u"newSessionQuestion"_s);
    question.button(QMessageBox::Yes)->setText(u"End and start new"_s);
    question.setDefaultButton(QMessageBox::Cancel);
    return question.exec() == QMessageBox::Yes;
}

void SessionPanel::finish() {
    core_.finishSession();
}

void SessionPanel::newSession() {
    finish();
    core_.startSession(sessionFolder().toStdString(), isoUtcNow());
}

bool SessionPanel::openSession(const QString& path) {
    auto session = readSessionFile(path.toStdString(), messages_);
    if (!session)
        return false;
    finish();
    core_.resumeSession(std::move(*session), path.toStdString(), false);
    offerRosterNames();
    if (recorder().readOnly())
        messages_.message((u"'%1' is open read-only: %2. Its statistics and report are shown here; readings go "
                           u"into it only in the bench that records it."_s)
                              .arg(path, QString::fromStdString(recorder().readOnlyReason()))
                              .toStdString());
    return true;
}

bool SessionPanel::saveSessionAs(const QString& path) {
    return core_.saveSessionAs(QFile::encodeName(path).toStdString());
}

bool SessionPanel::writeReport(const QString& path) {
    QString error;
    const QSettings settings(settingsOrganisation, settingsApplication);
    ReportInfo info;
    info.laboratory = settings.value(reportLaboratoryKey).toString();
    info.operatorName = settings.value(reportOperatorKey).toString();
    // A requirement that cannot be read leaves no half-judged report.
    if (const QString requirement = settings.value(reportRequirementKey).toString(); !requirement.isEmpty()) {
        std::string requirementError;
        info.requirement = readRequirementFile(QFile::encodeName(requirement).toStdString(), requirementError);
        if (!info.requirement) {
            messages_.message("The report could not be written: " + requirementError);
            return false;
        }
        info.requirementFile = requirement;
    }
    // The table the bench read at its start, when there was one to read.
    const QString atmosphere = QString::fromStdString(dataFilePath(core_.state().programDirectory, atmosphereFileName));
    if (QFileInfo::exists(atmosphere))
        info.atmosphereFile = atmosphere;
    // The revision is issued (and kept in the session) before the file is hashed, so that the
    // report names the session file as it stays.
    info.revision = core_.recorder().issueRevision();
    core_.recorder().writeInForeground();
    if (const std::string& file = recorder().path(); !file.empty()) {
        std::string text, problem;
        if (readBoundedFile(file, sessionFileLimit, "a session", text, problem))
            info.sessionSha256 = QString::fromStdString(sha256Hex(text));
    }
    if (writeSessionReport(recorder().session(), cameraFolders(), path, error, info))
        return true;
    messages_.message((u"The report could not be written: "_s + error).toStdString());
    return false;
}

QString SessionPanel::observer() const {
    const QString name = observerBox_->currentText().trimmed();
    return name.isEmpty() ? loginName() : name;
}

void SessionPanel::setObserver(const QString& name) {
    observerBox_->setEditText(name);
}

const char* SessionPanel::orientation() const {
    return horizontalBars_->isChecked() ? orientationHorizontal : orientationVertical;
}

void SessionPanel::setOrientation(const char* orientation) {
    (std::string(orientation) == orientationHorizontal ? horizontalBars_ : verticalBars_)->click();
}

void SessionPanel::rememberObserver(const QString& name) {
    QStringList recent;
    for (int k = 0; k < observerBox_->count(); ++k)
        recent << observerBox_->itemText(k);
    if (!recent.isEmpty() && recent.front() == name)
        return;
    recent.removeAll(name);
    recent.prepend(name);
    while (recent.size() > recentObserverCount)
        recent.removeLast();
    {
        QSignalBlocker block(observerBox_);
        observerBox_->clear();
        observerBox_->addItems(recent);
        observerBox_->setCurrentIndex(0);
    }
    QSettings settings(settingsOrganisation, settingsApplication);
    settings.setValue(recentObserversKey, recent);
}

QStringList SessionPanel::cameraFolders() const {
    return {QDir::currentPath(), QString::fromStdString(core_.state().programDirectory)};
}
