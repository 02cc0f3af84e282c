#include "gui/readings_panel.h"

#include "console/bench.h"
#include "gui/readings_model.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ReadingsPanel::ReadingsPanel(Bench& core, const BenchSignals& bench, QAction& undo, QWidget* parent)
    : QWidget(parent), core_(core) {
    setObjectName(u"readings"_s);
    setAccessibleName(u"Readings"_s);
    model_ = new ReadingsModel(bench, this);
    table_ = new QTableView(this);
    table_->setObjectName(u"readingsTable"_s);
    table_->setAccessibleName(u"Readings of the session"_s);
    // Sorted and filtered through a proxy, so that a reviewer finds one observer's or one camera's
    // readings; the bench's own order is kept until a column is chosen.
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    table_->setModel(proxy_);
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    // The columns fit what the table holds when it is derived whole, judged by the rows in view and
    // a hundred more; a new row takes the widths as they are, so that an Apply costs the same
    // however long the session.
    table_->verticalHeader()->setResizeContentsPrecision(100);
    connect(model_, &QAbstractItemModel::modelReset, table_, &QTableView::resizeColumnsToContents);
    // The newest reading in view, unless the reviewer chose one.
    connect(model_, &QAbstractItemModel::rowsInserted, table_, [this] {
        if (!table_->selectionModel()->hasSelection())
            table_->scrollToBottom();
    });
    table_->resizeColumnsToContents();
    table_->scrollToBottom();
    strikeButton_ = new QPushButton(u"Strike out..."_s, this);
    strikeButton_->setObjectName(u"strikeOut"_s);
    strikeButton_->setAccessibleName(u"Strike out the selected reading"_s);
    connect(strikeButton_, &QPushButton::clicked, this, [this] {
        askReason(u"Strike out"_s, u"Why is this reading struck out?"_s, &ReadingsPanel::strikeSelected);
    });
    reinstateButton_ = new QPushButton(u"Reinstate..."_s, this);
    reinstateButton_->setObjectName(u"reinstate"_s);
    reinstateButton_->setAccessibleName(u"Reinstate the selected struck reading"_s);
    connect(reinstateButton_, &QPushButton::clicked, this, [this] {
        askReason(u"Reinstate"_s, u"Why does this reading count again?"_s, &ReadingsPanel::reinstateSelected);
    });
    filter_ = new QLineEdit(this);
    filter_->setObjectName(u"readingsFilter"_s);
    filter_->setAccessibleName(u"Filter the readings"_s);
    filter_->setPlaceholderText(u"Filter: observer, camera file, frequency…"_s);
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
    auto* undoButton = new QPushButton(u"Undo last reading"_s, this);
    undoButton->setObjectName(u"undoLastReading"_s);
    undoButton->setAccessibleName(u"Undo last reading"_s);
    connect(undoButton, &QPushButton::clicked, &undo, &QAction::trigger);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(strikeButton_);
    buttons->addWidget(reinstateButton_);
    buttons->addWidget(undoButton);
    buttons->addStretch();
    buttons->addWidget(filter_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
}

void ReadingsPanel::fileStatusChanged() {
    model_->fileStatusChanged();
}

std::optional<std::size_t> ReadingsPanel::selectedReading() const {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return static_cast<std::size_t>(proxy_->mapToSource(rows.front()).row());
}

bool ReadingsPanel::strikeSelected(const QString& reason) {
    const auto reading = selectedReading();
    return reading && core_.strikeReading(*reading, core_.observer(), reason.toStdString());
}

bool ReadingsPanel::reinstateSelected(const QString& reason) {
    const auto reading = selectedReading();
    return reading && core_.reinstateReading(*reading, reason.toStdString());
}

void ReadingsPanel::askReason(const QString& title, const QString& question,
                              bool (ReadingsPanel::*act)(const QString&)) {
    if (!selectedReading())
        return;
    bool given = false;
    const QString reason = QInputDialog::getText(this, title, question, QLineEdit::Normal, QString(), &given);
    if (given)
        (this->*act)(reason); // an empty reason is refused with a message
}
