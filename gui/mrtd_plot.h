#pragma once

#include "console/mrtd_results.h"

#include <QWidget>

class Bench;
class BenchSignals;
struct ObjectiveRun;

// The MRTD plot: every camera slot's recorded values as a curve over spatial frequency, each slot
// in its own colour, on a black ground; beside them, dashed with their intervals, the model
// observer's latest run of each slot in the orientation the lists show, labelled with it. Everything
// is derived from the bench when drawn; the plot repaints at every change the bench reports.
class MrtdPlot : public QWidget {
    Q_OBJECT
public:
    MrtdPlot(const BenchSignals& bench, QWidget* parent = nullptr);
    // The slots' pens: white, red, green, blue, yellow.
    static QColor penColour(int camera);
    // The model observer's run drawn for a slot (0 ... 4), in the orientation shown; none when there
    // is none or while blind.
    const ObjectiveRun* objectiveRun(int camera) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The tooltip: each model observer run's values, none while blind.
    void showObjectiveValues();
    const Bench& bench_;
};

// An axis caption in the face "Arial", in the camera's text colour on its background colour; the
// vertical one runs upward from the bottom-left corner.
class AxisLabel : public QWidget {
    Q_OBJECT
public:
    explicit AxisLabel(QWidget* parent = nullptr);
    bool vertical = true;
    QColor textColour = Qt::white;
    QColor backgroundColour = Qt::black;

    static constexpr const char* verticalText = "M R T D      [K]";
    // The caption's text length in pixels, along its axis.
    int textLength() const;
    static constexpr const char* horizontalText = "0        Spatial frequency  [1/mrad]";

protected:
    void paintEvent(QPaintEvent* event) override;
};
