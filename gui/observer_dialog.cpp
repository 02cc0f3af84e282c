#include "gui/observer_dialog.h"

#include "gui/bench_settings.h"
#include "text/visible_text.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

ObserverDialog::ObserverDialog(const QString& name, const ObserverRoster& roster, QWidget* parent)
    : QDialog(parent), roster_(roster), fixedName_(name) {
    setObjectName(u"observerDialog"_s);
    setWindowTitle(u"New observer"_s);
    setAccessibleName(windowTitle());
    auto* intro = new QLabel(this);
    intro->setObjectName(u"observerIntro"_s);
    intro->setWordWrap(true);
    // The name is shown as it will be recorded, with any line break or direction control made visible.
    intro->setText(name.isEmpty() ? u"A person joins this session's observers once, with the laboratory's "
                                    u"identifier; readings are kept under the name exactly as typed."_s
                                  : u"'%1' is not an observer of this session yet. Readings are kept under the "
                                    u"name exactly as shown; a slip is cancelled here and typed again."_s.arg(
                                        fromStd(visibleText(name.toStdString()))));
    name_ = new QLineEdit(name.isEmpty() ? QString() : fromStd(visibleText(name.toStdString())), this);
    name_->setObjectName(u"observerName"_s);
    name_->setAccessibleName(u"Observer's name"_s);
    name_->setReadOnly(!name.isEmpty());
    name_->setMaxLength(static_cast<int>(observerNameLimit));
    const auto before = remembered(name);
    identifier_ = new QLineEdit(before ? fromStd(before->identifier) : fromStd(visibleText(name.toStdString())), this);
    identifier_->setObjectName(u"observerIdentifier"_s);
    identifier_->setAccessibleName(u"Observer's identifier"_s);
    identifier_->setMaxLength(static_cast<int>(observerIdentifierLimit));
    eyesight_ = new QLineEdit(before ? fromStd(before->eyesightChecked) : QString(), this);
    eyesight_->setObjectName(u"eyesightChecked"_s);
    eyesight_->setAccessibleName(u"Date of the last eyesight check"_s);
    eyesight_->setPlaceholderText(u"YYYY-MM-DD, optional"_s);
    problem_ = new QLabel(this);
    problem_->setObjectName(u"observerProblem"_s);
    problem_->setWordWrap(true);
    problem_->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"Add observer"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &ObserverDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(intro);
    form->addRow(u"&Name"_s, name_);
    form->addRow(u"&Identifier"_s, identifier_);
    form->addRow(u"&Eyesight checked"_s, eyesight_);
    form->addRow(problem_);
    form->addRow(buttons);
    (name.isEmpty() ? name_ : identifier_)->setFocus();
    identifier_->selectAll();
    resize(460, sizeHint().height());
}

SessionObserver ObserverDialog::entry() const {
    const QString name = fixedName_.isEmpty() ? name_->text().trimmed() : fixedName_;
    return {name.toStdString(), identifier_->text().trimmed().toStdString(), eyesight_->text().trimmed().toStdString()};
}

std::optional<SessionObserver> ObserverDialog::remembered(const QString& name) {
    const QVariantMap known = QSettings(settingsOrganisation, settingsApplication).value(knownObserversKey).toMap();
    const auto found = known.constFind(name);
    if (name.isEmpty() || found == known.cend())
        return std::nullopt;
    const QStringList details = found->toStringList();
    if (details.isEmpty() || details.front().isEmpty())
        return std::nullopt;
    return SessionObserver{name.toStdString(), details.front().toStdString(),
                           details.size() > 1 ? details[1].toStdString() : std::string()};
}

void ObserverDialog::tryAccept() {
    const SessionObserver e = entry();
    if (const std::string problem = rosterProblem(roster_, e); !problem.empty()) {
        problem_->setText(fromStd(problem));
        problem_->show();
        return;
    }
    QSettings settings(settingsOrganisation, settingsApplication);
    QVariantMap known = settings.value(knownObserversKey).toMap();
    known.insert(fromStd(e.name), QStringList{fromStd(e.identifier), fromStd(e.eyesightChecked)});
    settings.setValue(knownObserversKey, known);
    accept();
}
