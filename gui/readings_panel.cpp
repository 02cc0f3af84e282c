#include "gui/readings_panel.h"

#include "console/bench.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum Column { Time, Observer, Slot, CameraFile, Orientation, Frequency, Half, Difference, Model, Struck, Columns };

// What a reviewer reads in a row: the values as the readout showed them, the difference's column
// empty of numbers while the observer is blind.
QStringList cellsOf(const SessionReading& r, bool blind) {
    QStringList cells(Columns);
    // "2026-12-07T07:50:12.250Z" as "2026-12-07 07:50:12", in UTC as stored.
    cells[Time] = QString::fromStdString(r.time.substr(0, 10) + " " + r.time.substr(11, 8));
    cells[Observer] = QString::fromStdString(r.observer);
    cells[Slot] = QString::number(r.slot);
    cells[CameraFile] = QString::fromStdString(r.cameraFile);
    cells[Orientation] = QString::fromStdString(r.orientation);
    cells[Frequency] = QString::number(r.frequency);
    cells[Half] = QString::fromStdString(r.half);
    cells[Difference] = blind      ? u"\u2014"_s
                        : r.deltaT ? QString::fromStdString(temperatureDifferenceText(static_cast<float>(*r.deltaT)))
                                   : u"not recognised"_s;
    cells[Model] = QString::fromStdString(r.imageModel);
    if (r.struck)
        cells[Struck] = QString::fromStdString("by " + r.struck->by + ": " + r.struck->reason);
    return cells;
}

} // namespace

ReadingsPanel::ReadingsPanel(Bench& core, QAction& undo, QWidget* parent) : QWidget(parent), core_(core) {
    setObjectName(u"readings"_s);
    setAccessibleName(u"Readings"_s);
    table_ = new QTableWidget(0, Columns, this);
    table_->setObjectName(u"readingsTable"_s);
    table_->setAccessibleName(u"Readings of the session"_s);
    table_->setHorizontalHeaderLabels({u"Time (UTC)"_s, u"Observer"_s, u"Slot"_s, u"Camera file"_s, u"Bars"_s,
                                       u"Frequency"_s, u"Half"_s, u"\u0394T"_s, u"Image model"_s, u"Struck out"_s});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    strikeButton_ = new QPushButton(u"Strike out..."_s, this);
    strikeButton_->setObjectName(u"strikeOut"_s);
    strikeButton_->setAccessibleName(u"Strike out the selected reading"_s);
    connect(strikeButton_, &QPushButton::clicked, this, &ReadingsPanel::askAndStrike);
    auto* undoButton = new QPushButton(u"Undo last reading"_s, this);
    undoButton->setObjectName(u"undoLastReading"_s);
    undoButton->setAccessibleName(u"Undo last reading"_s);
    connect(undoButton, &QPushButton::clicked, &undo, &QAction::trigger);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(strikeButton_);
    buttons->addWidget(undoButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    refresh();
}

void ReadingsPanel::refresh() {
    const auto& readings = core_.session().readings;
    const int selected = table_->currentRow();
    table_->setRowCount(static_cast<int>(readings.size()));
    for (std::size_t k = 0; k < readings.size(); ++k) {
        const QStringList cells = cellsOf(readings[k], core_.blind());
        for (int column = 0; column < Columns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            QFont font = item->font();
            font.setStrikeOut(readings[k].struck.has_value() && column != Struck);
            // A reading the session's file does not hold (its write failed, or the lock went).
            const bool unwritten = !core_.recorder().isWritten(k);
            font.setItalic(unwritten);
            if (unwritten)
                item->setToolTip(u"Not in the session file"_s);
            item->setFont(font);
            table_->setItem(static_cast<int>(k), column, item);
        }
    }
    table_->resizeColumnsToContents();
    if (selected >= 0 && selected < table_->rowCount())
        table_->selectRow(selected);
    else
        table_->scrollToBottom();
}

bool ReadingsPanel::strikeSelected(const QString& reason) {
    const int row = table_->currentRow();
    return row >= 0 && core_.strikeReading(static_cast<std::size_t>(row), core_.observer(), reason.toStdString());
}

void ReadingsPanel::askAndStrike() {
    if (table_->currentRow() < 0)
        return;
    bool given = false;
    const QString reason = QInputDialog::getText(this, u"Strike out"_s, u"Why is this reading struck out?"_s,
                                                 QLineEdit::Normal, QString(), &given);
    if (given)
        strikeSelected(reason); // an empty reason is refused with a message
}
