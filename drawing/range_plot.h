#pragma once

#include "measurement/range_prediction.h"

#include <QColor>
#include <QRect>

class QPainter;

// The two pictures of a range prediction, shared by the window, the report and the command-line
// tool, drawn into the rectangle in the foreground colour on whatever is there already.

// The chance of each task against range, one colour and marker per task, dashed with open markers
// where the measured curve ended and the chance is a lower bound; at P = 0.5 each task's range as a
// filled marker (an open one with an arrow when it is only a bound) on its 95 % interval's bracket.
void paintRangeProbabilityPlot(QPainter& painter, const QRect& area, const RangePrediction& prediction,
                               const QColor& foreground);

// The 2-D MRTD against frequency on a log scale labelled by decade, and for each task the apparent
// difference the target shows at the range where its bars reach that frequency: each task's range is
// where its line meets the MRTD, marked there.
void paintRangeCrossingPlot(QPainter& painter, const QRect& area, const RangePrediction& prediction,
                            const QColor& foreground);

// The colour of a task in both pictures and in tables that refer to them.
QColor taskColour(int index);
