#pragma once

#include <QDialog>

class QLineEdit;

// "Report settings...": the laboratory and operator the report names and an optional requirement
// CSV it judges against, kept in the window's settings for every later report.
class ReportSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportSettingsDialog(QWidget* parent = nullptr);

    // Stores what the dialog shows.
    void store() const;

private:
    QLineEdit* laboratory_ = nullptr;
    QLineEdit* operator_ = nullptr;
    QLineEdit* requirement_ = nullptr;
};
