#pragma once

#include "console/objective_run.h"
#include "console/session_statistics.h"
#include "measurement/range_prediction.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class BenchSignals;
class QAction;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QWidget;

// What the range dialog reads from the bench each time it recomputes: the current slot (1 ... 5),
// the session's groups, the slot's last objective run of each orientation, and the folders where the window finds the
// camera files (those of the report).
struct RangeInputs {
    int slot = 1;
    std::vector<SessionGroup> groups;
    std::vector<ObjectiveRun> objective;
    QStringList cameraFolders;
};

// "Range...": the detection, recognition and identification ranges of the current slot under a
// scenario the user sets (target, its difference, the air, the criteria and the critical
// dimension, remembered under "range/" in the settings), from the session's observers, the last
// objective run or the camera file's curves, as a table with intervals and the chance of each task
// against range. It recomputes whenever the bench's results change; a source it cannot read (the
// slot's camera file a pipe, say) empties the table and says why in one line.
class RangeDialog : public QDialog {
    Q_OBJECT
public:
    RangeDialog(QWidget* parent, std::function<RangeInputs()> inputs);
    // Recomputes from the bench's current inputs.
    void refresh();
    const RangePrediction& prediction() const { return prediction_; }

private:
    RangeScenario scenario() const;
    void remember() const;
    void scenarioChanged();
    // The prediction, or the refusal of its source in one line instead.
    void showPrediction(const std::string& refusal);

    std::function<RangeInputs()> inputs_;
    RangePrediction prediction_;
    QComboBox* source_ = nullptr;
    QComboBox* target_ = nullptr;
    QDoubleSpinBox* width_ = nullptr;
    QDoubleSpinBox* height_ = nullptr;
    QDoubleSpinBox* dt_ = nullptr;
    QComboBox* atmosphere_ = nullptr;
    QDoubleSpinBox* extinction_ = nullptr;
    QComboBox* criteria_ = nullptr;
    QLineEdit* custom_ = nullptr;
    QComboBox* dimension_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* notes_ = nullptr;
    QWidget* plot_ = nullptr;
};

// The console's "Range..." action, made once as the console's child (the menu bar and the context
// menu share it): it opens the dialog, or raises the one already open.
inline constexpr const char* rangeActionName = "rangeAction";
QAction* rangeAction(QWidget* console, const BenchSignals& bench, std::function<RangeInputs()> inputs);
