#include "gui/readings_model.h"

#include "console/bench.h"
#include "drawing/record_rows.h"
#include "gui/bench_signals.h"

#include <QFont>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// The window's columns among the rows' cells the report shares.
constexpr std::array<int, ReadingsModel::Columns> cellOf{
    readingColumn::Time,  readingColumn::Observer,  readingColumn::Slot, readingColumn::CameraFile,
    readingColumn::Bars,  readingColumn::Frequency, readingColumn::Half, readingColumn::DeltaT,
    readingColumn::Model, readingColumn::Struck,    readingColumn::Blind};

} // namespace

ReadingsModel::ReadingsModel(const BenchSignals& bench, QObject* parent)
    : QAbstractTableModel(parent), bench_(bench.bench()) {
    rows_ = static_cast<int>(bench_.session().readings.size());
    blind_ = bench_.blind();
    takenBlind_ = blindReadings(bench_.session());
    connect(&bench, &BenchSignals::readingRecorded, this, &ReadingsModel::appended);
    connect(&bench, &BenchSignals::readingStruck, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, Columns - 1)); });
    connect(&bench, &BenchSignals::stateChanged, this, &ReadingsModel::rederive);
}

void ReadingsModel::appended(int index) {
    if (index != rows_) {
        rederive();
        return;
    }
    beginInsertRows({}, rows_, rows_);
    ++rows_;
    takenBlind_ = blindReadings(bench_.session());
    endInsertRows();
}

void ReadingsModel::rederive() {
    beginResetModel();
    rows_ = static_cast<int>(bench_.session().readings.size());
    blind_ = bench_.blind();
    takenBlind_ = blindReadings(bench_.session());
    endResetModel();
}

void ReadingsModel::fileStatusChanged() {
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, Columns - 1), {Qt::FontRole, Qt::ToolTipRole});
}

int ReadingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ReadingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant ReadingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const SessionReading& reading = bench_.session().readings[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return readingCell(reading, cellOf[static_cast<std::size_t>(index.column())], blind_,
                           static_cast<std::size_t>(index.row()) < takenBlind_.size() &&
                               takenBlind_[static_cast<std::size_t>(index.row())]);
    // A reading the session's file does not hold (its write failed, or the lock went) is in italics.
    const bool unwritten = !bench_.recorder().isWritten(static_cast<std::size_t>(index.row()));
    if (role == Qt::FontRole && ((reading.struck && index.column() != Struck) || unwritten)) {
        QFont font;
        font.setStrikeOut(reading.struck && index.column() != Struck);
        font.setItalic(unwritten);
        return font;
    }
    if (role == Qt::ToolTipRole && unwritten)
        return u"Not in the session file"_s;
    return {};
}

QVariant ReadingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Columns)
        return {};
    return readingColumnTitle(cellOf[static_cast<std::size_t>(section)]);
}
