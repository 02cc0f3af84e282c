#pragma once

#include "console/observer_roster.h"

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;

// "New observer": a person joining the session's roster, once, before their first reading, with the
// laboratory's identifier of them and the date of their last eyesight check. A name typed in the
// window's observer box comes in fixed: the dialog confirms it, it never changes it (a slip is
// cancelled here and typed again). From "Add observer..." the name is typed in the dialog.
class ObserverDialog : public QDialog {
    Q_OBJECT
public:
    // `name` empty: the name is asked for too. The entry is checked against `roster` when accepted.
    ObserverDialog(const QString& name, const ObserverRoster& roster, QWidget* parent = nullptr);

    // What was confirmed.
    SessionObserver entry() const;

    // The identifier and eyesight check the window last confirmed for a name; none for a name it
    // has not confirmed.
    static std::optional<SessionObserver> remembered(const QString& name);

private:
    void tryAccept();

    const ObserverRoster& roster_;
    QString fixedName_;
    QLineEdit* name_ = nullptr;
    QLineEdit* identifier_ = nullptr;
    QLineEdit* eyesight_ = nullptr;
    QLabel* problem_ = nullptr;
};
