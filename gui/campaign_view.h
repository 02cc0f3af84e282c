#pragma once

#include "console/session_statistics.h"
#include "drawing/session_report.h"

#include <QWidget>

class QTableWidget;

// The campaign as the report and the command line sum it up (sessionStatistics): per slot, camera
// file, image model, orientation and frequency each observer's means and MRTD, then a row with the
// observers' mean, its 95 % interval, their number and whether the group meets the standard. Nothing
// is computed here. Beside the observers' mean: the model observer's MRTD for the same slot, bars and
// frequency when it has run, and the ratio of the two, so that people and model can be compared.
class CampaignView : public QWidget {
    Q_OBJECT
public:
    explicit CampaignView(QWidget* parent = nullptr);

    void showGroups(const std::vector<SessionGroup>& groups, const ObjectiveBySlot& objective = {});
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
        Objective,
        PeopleOverModel,
        Columns
    };
    // The observer cell of a group's row.
    static QString groupRowName();

private:
    QTableWidget* table_ = nullptr;
};
