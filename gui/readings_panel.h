#pragma once

#include <QWidget>

#include <cstddef>
#include <optional>

class Bench;
class BenchSignals;
class QAction;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class ReadingsModel;

// Every reading of the session (ReadingsModel), sortable and filtered by any text of its row, and
// the ways to set one aside and back: "Strike out..." for any reading and "Reinstate..." for a struck
// one, each with a reason, and "Undo last reading".
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
    // Sets the selected struck reading back into the statistics for the reason, by the current
    // observer; false when nothing struck is selected or the reason is empty.
    bool reinstateSelected(const QString& reason);
    QLineEdit* filter() const { return filter_; }

private:
    // Asks for the reason and acts on the selected reading with it; nothing without a selection.
    void askReason(const QString& title, const QString& question, bool (ReadingsPanel::*act)(const QString&));
    // The session's index of the selected row, whatever the sorting and filter.
    std::optional<std::size_t> selectedReading() const;

    Bench& core_;
    ReadingsModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* strikeButton_ = nullptr;
    QPushButton* reinstateButton_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QLineEdit* filter_ = nullptr;
};
