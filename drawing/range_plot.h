#pragma once

#include "measurement/range_prediction.h"

#include <QColor>
#include <QRect>

class QPainter;

// The two pictures of a range prediction, shared by the window, the report and the command-line
// tool, drawn into the rectangle in the foreground colour on whatever is there already.

// The chance of each task against range, one colour per task, dashed where the measured curve ended
// and the chance is a lower bound; a tick marks each task's range at P = 0.5.
void paintRangeProbabilityPlot(QPainter& painter, const QRect& area, const RangePrediction& prediction,
                               const QColor& foreground);

// The 2-D MRTD against frequency on a log scale, and for each task the apparent difference the
// target shows at the range where its bars reach that frequency: each task's range is where its
// line meets the MRTD.
void paintRangeCrossingPlot(QPainter& painter, const QRect& area, const RangePrediction& prediction,
                            const QColor& foreground);

// The colour of a task in both pictures and in tables that refer to them.
QColor taskColour(int index);
