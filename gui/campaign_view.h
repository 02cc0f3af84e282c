#pragma once

#include "console/session_statistics.h"

#include <QWidget>

class QTableWidget;

// The campaign as the report and the command line sum it up (sessionStatistics): per slot, camera
// file, image model, orientation and frequency each observer's means and MRTD, then a row with the
// observers' mean, its 95 % interval, their number and whether the group meets the standard. Nothing
// is computed here.
class CampaignView : public QWidget {
    Q_OBJECT
public:
    explicit CampaignView(QWidget* parent = nullptr);

    void showGroups(const std::vector<SessionGroup>& groups);
    QTableWidget* table() const { return table_; }

    // The columns, for whoever reads the cells back.
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
        Columns
    };
    // The observer cell of a group's row.
    static QString groupRowName();

private:
    QTableWidget* table_ = nullptr;
};
