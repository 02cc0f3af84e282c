#include "gui/readings_panel.h"

#include "console/bench.h"
#include "gui/readings_model.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
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
    table_->setModel(model_);
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
}

void ReadingsPanel::fileStatusChanged() {
    model_->fileStatusChanged();
}

bool ReadingsPanel::strikeSelected(const QString& reason) {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    return !rows.isEmpty() &&
           core_.strikeReading(static_cast<std::size_t>(rows.front().row()), core_.observer(), reason.toStdString());
}

void ReadingsPanel::askAndStrike() {
    if (!table_->selectionModel()->hasSelection())
        return;
    bool given = false;
    const QString reason = QInputDialog::getText(this, u"Strike out"_s, u"Why is this reading struck out?"_s,
                                                 QLineEdit::Normal, QString(), &given);
    if (given)
        strikeSelected(reason); // an empty reason is refused with a message
}
