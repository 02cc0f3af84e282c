#pragma once

#include <QAbstractTableModel>

#include <vector>

class Bench;
class BenchSignals;

// Every reading of the bench's session as a table, struck ones in struck-out type with who struck
// them and why. It holds nothing of its own: its rows are the session's readings, a new reading a
// new row, a strike-out a changed one; blind mode or another session derive the whole table again.
// While blind no temperature difference is shown.
class ReadingsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ReadingsModel(const BenchSignals& bench, QObject* parent = nullptr);

    // The columns the window shows.
    enum Column { Time, Observer, Slot, CameraFile, Bars, Frequency, Half, DeltaT, Model, Struck, Blind, Columns };

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The session file's status moved: which rows it holds (the others in italics) may have changed.
    void fileStatusChanged();

private:
    void appended(int index);
    void rederive();

    const Bench& bench_;
    int rows_ = 0;                 // the readings shown: the session's, once told
    bool blind_ = false;           // as the rows were derived
    std::vector<bool> takenBlind_; // each reading's, from the session's blind-mode events
};
