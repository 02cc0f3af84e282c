#pragma once

#include <QWidget>

class Bench;
class QAction;
class QPushButton;
class QTableWidget;

// Every reading of the session, struck ones shown struck with who struck them and why, and the two
// ways to set one aside: "Strike out..." for any reading, with a reason, and "Undo last reading". The
// table holds nothing of its own: it is derived again from the bench's session at every change.
class ReadingsPanel : public QWidget {
    Q_OBJECT
public:
    // The undo button triggers the window's own Undo action (Ctrl+Z), so both do the same.
    ReadingsPanel(Bench& core, QAction& undo, QWidget* parent = nullptr);

    // The table derived again from the session. While blind no temperature difference is shown.
    void refresh();
    QTableWidget* table() const { return table_; }
    // Strikes out the selected reading for the reason, by the current observer; false when nothing
    // is selected or the bench refused (an empty reason, a reading struck already).
    bool strikeSelected(const QString& reason);

private:
    void askAndStrike();

    Bench& core_;
    QTableWidget* table_ = nullptr;
    QPushButton* strikeButton_ = nullptr;
};
