#include "gui/readings_model.h"

#include "console/bench.h"
#include "drawing/record_rows.h"
#include "gui/bench_signals.h"

#include <QFont>

#include <array>

namespace {

// The window's columns among the rows' cells the report shares.
constexpr std::array<int, ReadingsModel::Columns> cellOf{
    readingColumn::Time,  readingColumn::Observer,  readingColumn::Slot, readingColumn::CameraFile,
    readingColumn::Bars,  readingColumn::Frequency, readingColumn::Half, readingColumn::DeltaT,
    readingColumn::Model, readingColumn::Struck};

} // namespace

ReadingsModel::ReadingsModel(const BenchSignals& bench, QObject* parent)
    : QAbstractTableModel(parent), bench_(bench.bench()) {
    rows_ = static_cast<int>(bench_.session().readings.size());
    blind_ = bench_.blind();
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
    endInsertRows();
}

void ReadingsModel::rederive() {
    beginResetModel();
    rows_ = static_cast<int>(bench_.session().readings.size());
    blind_ = bench_.blind();
    endResetModel();
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
        return readingCell(reading, cellOf[static_cast<std::size_t>(index.column())], blind_);
    if (role == Qt::FontRole && reading.struck && index.column() != Struck) {
        QFont font;
        font.setStrikeOut(true);
        return font;
    }
    return {};
}

QVariant ReadingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Columns)
        return {};
    return readingColumnTitle(cellOf[static_cast<std::size_t>(section)]);
}
