#include "gui/report_settings_dialog.h"

#include "gui/bench_settings.h"
#include "gui/dialog_folder.h"
#include "text/visible_text.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

using namespace Qt::StringLiterals;

ReportSettingsDialog::ReportSettingsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(u"reportSettings"_s);
    setWindowTitle(u"Report settings"_s);
    setAccessibleName(windowTitle());
    const QSettings settings(settingsOrganisation, settingsApplication);
    auto edit = [this, &settings](const QString& name, const QString& key, const QString& accessibleName) {
        auto* line = new QLineEdit(settings.value(key).toString(), this);
        line->setObjectName(name);
        line->setAccessibleName(accessibleName);
        return line;
    };
    laboratory_ = edit(u"laboratory"_s, reportLaboratoryKey, u"Laboratory"_s);
    operator_ = edit(u"operator"_s, reportOperatorKey, u"Operator"_s);
    // The report's table cells keep their shape only up to this length; the command line refuses
    // a longer text with a message.
    for (QLineEdit* line : {laboratory_, operator_})
        line->setMaxLength(static_cast<int>(reportFieldLimit));
    requirement_ = edit(u"requirement"_s, reportRequirementKey, u"Requirement CSV"_s);
    requirement_->setPlaceholderText(u"none"_s);
    auto* browse = new QPushButton(u"Browse..."_s, this);
    browse->setObjectName(u"browseRequirement"_s);
    browse->setAccessibleName(u"Choose the requirement CSV"_s);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, u"Requirement"_s, dialogFolder(), u"Requirement (*.csv)"_s);
        rememberDialogFolder(path);
        if (!path.isEmpty())
            requirement_->setText(path);
    });
    auto* requirementRow = new QHBoxLayout;
    requirementRow->addWidget(requirement_);
    requirementRow->addWidget(browse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        store();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(u"&Laboratory"_s, laboratory_);
    form->addRow(u"&Operator"_s, operator_);
    // A row holding a layout gets a label without a buddy, which would show its ampersand: the
    // label is made here with the line as its buddy.
    auto* requirementLabel = new QLabel(u"&Requirement CSV"_s, this);
    requirementLabel->setBuddy(requirement_);
    form->addRow(requirementLabel, requirementRow);
    form->addRow(buttons);
    resize(480, sizeHint().height());
}

void ReportSettingsDialog::store() const {
    QSettings settings(settingsOrganisation, settingsApplication);
    settings.setValue(reportLaboratoryKey, laboratory_->text().trimmed());
    settings.setValue(reportOperatorKey, operator_->text().trimmed());
    settings.setValue(reportRequirementKey, requirement_->text().trimmed());
}
