#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

class Bench;
class BenchSignals;

// The campaign as the report and the command line sum it up (sessionStatistics): per slot, camera
// file, image model, orientation and frequency each observer's means and MRTD, then a row with the
// observers' mean, its 95 % interval, their number and whether the group meets the standard. Beside
// the observers' mean: the model observer's MRTD for the same slot, camera file, image model, bars and
// frequency when it has run, and the ratio of the two, so that people and model can be compared.
// Nothing is computed here and nothing kept but the texts shown: at each change the rows are derived
// again and only those that differ are changed, inserted or removed. Empty while blind.
class CampaignModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CampaignModel(const BenchSignals& bench, QObject* parent = nullptr);

    enum Column {
        Slot,
        CameraFile,
        Model,
        Orientation,
        Frequency,
        Observer,
        MeanPlus,
        MeanMinus,
        Mrtd,
        Interval,
        Count,
        Meets,
        Objective,
        PeopleOverModel,
        Columns
    };
    // The observer cell of a group's row.
    static QString groupRowName();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    struct Row {
        QString key; // the group and the observer, or the group's own row
        QStringList cells;
        bool group = false;
        QString objectiveTip; // the model observer's viewing, on its cell
        bool operator==(const Row&) const = default;
    };

private:
    void rederive();

    const Bench& bench_;
    std::vector<Row> rows_;
};
