#pragma once

#include <QWidget>

class BenchSignals;
class CampaignModel;
class QTableView;

// The campaign's statistics (CampaignModel) in a table of their own.
class CampaignView : public QWidget {
    Q_OBJECT
public:
    explicit CampaignView(const BenchSignals& bench, QWidget* parent = nullptr);

    QTableView* table() const { return table_; }
    CampaignModel* model() const { return model_; }

private:
    CampaignModel* model_ = nullptr;
    QTableView* table_ = nullptr;
};
