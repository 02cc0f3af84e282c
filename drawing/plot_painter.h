#pragma once

#include "console/objective_run.h"
#include "console/plot_geometry.h"

#include <QColor>
#include <QPen>

#include <functional>
#include <vector>

class QPainter;

// The plot's drawing, shared by the console's plot and the command-line tool's picture.
// Axes, frequency ticks and the full-scale tick, in the pen (the console's white by default).
void paintPlotFrame(QPainter& painter, const PlotScale& s, const QPen& pen);
void paintPlotFrame(QPainter& painter, const PlotScale& s);
// A curve's lines in its colour and its markers filled white.
void paintPlotCurve(QPainter& painter, const PlotCurve& curve, const QColor& colour);

// How a series of means with their intervals is drawn.
struct MeanSeriesStyle {
    QColor colour;    // the means' markers and the line joining them
    QColor barColour; // the intervals' bars and caps
    Qt::PenStyle lineStyle = Qt::DashLine;
    int lineWidth = 1;
    int barWidth = 1;
    int cap = 3;                // half the width of a bar's caps
    int markerRadius = 1;       // half the side of an open square, or the radius of a filled disc
    bool filledMarkers = false; // discs filled in the colour rather than open squares
};
// The series: each interval as a bar with caps, the means joined in order, each mean's marker.
void paintMeanSeries(QPainter& painter, const std::vector<PlotErrorBar>& bars, const MeanSeriesStyle& style);

// The model observer's MRTD: its means joined by a dashed line in the colour, each with its 95 %
// interval as an error bar; frequencies without a value are left out. A picture larger than the
// console's takes a wider line and caps in proportion.
void paintObjectiveCurve(QPainter& painter, const PlotScale& s, const std::vector<RunFrequency>& frequencies,
                         const QColor& colour, int lineWidth = 1);
// A smooth curve m(f) over the plot's frequency range, in the colour and pen style, where m(f) > 0.
void paintFunctionCurve(QPainter& painter, const PlotScale& s, const std::function<double(double)>& mrtdAt,
                        const QColor& colour, Qt::PenStyle style);
