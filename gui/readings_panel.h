#pragma once

#include <QWidget>

class Bench;
class BenchSignals;
class QAction;
class QPushButton;
class QTableView;
class ReadingsModel;

// Every reading of the session (ReadingsModel) and the two ways to set one aside: "Strike out..." for
// any reading, with a reason, and "Undo last reading".
class ReadingsPanel : public QWidget {
    Q_OBJECT
public:
    // The undo button triggers the window's own Undo action (Ctrl+Z), so both do the same.
    ReadingsPanel(Bench& core, const BenchSignals& bench, QAction& undo, QWidget* parent = nullptr);

    QTableView* table() const { return table_; }
    // Strikes out the selected reading for the reason, by the current observer; false when nothing
    // is selected or the bench refused (an empty reason, a reading struck already).
    bool strikeSelected(const QString& reason);
    // Which readings the session's file holds may have changed.
    void fileStatusChanged();

private:
    void askAndStrike();

    Bench& core_;
    ReadingsModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* strikeButton_ = nullptr;
};
