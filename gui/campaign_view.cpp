#include "gui/campaign_view.h"

#include "gui/campaign_model.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CampaignView::CampaignView(const BenchSignals& bench, QWidget* parent) : QWidget(parent) {
    setObjectName(u"campaign"_s);
    setAccessibleName(u"Campaign"_s);
    model_ = new CampaignModel(bench, this);
    table_ = new QTableView(this);
    table_->setObjectName(u"campaignTable"_s);
    table_->setAccessibleName(u"Campaign statistics"_s);
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    // A campaign has a row per observer and group, a few dozen: its columns follow what it holds.
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
}
