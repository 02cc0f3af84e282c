#pragma once

#include "console/objective_run.h"
#include "console/plot_geometry.h"
#include "drawing/plot_style.h"

#include <QColor>
#include <QPen>

#include <functional>
#include <vector>

class QPainter;

// The plot's drawing, shared by the console's plot and the command-line tool's picture.
// Axes, frequency ticks and the full-scale tick, in the pen (the console's white by default).
void paintPlotFrame(QPainter& painter, const PlotScale& s, const QPen& pen);
void paintPlotFrame(QPainter& painter, const PlotScale& s);
// A curve's lines in the style's colour and its markers, in the style's shape, filled white.
void paintPlotCurve(QPainter& painter, const PlotCurve& curve, const PlotLineStyle& style);

// How a series of means with their intervals is drawn.
struct MeanSeriesStyle {
    PlotLineStyle line; // the colour of everything and the means' marker
    Qt::PenStyle lineStyle = Qt::DashLine;
    double lineWidth = 1;
    double barWidth = 1;
    double cap = 3;             // half the width of a bar's caps
    double markerRadius = 1.5;  // about half a marker's width
    bool filledMarkers = false; // markers filled in the colour rather than open
};
// The series: each interval as a bracket, the means joined in order, each mean's marker.
void paintMeanSeries(QPainter& painter, const std::vector<PlotErrorBar>& bars, const MeanSeriesStyle& style);

// The model observer's MRTD: its means joined by a dashed line in the colour, each with its 95 %
// interval as an error bar; frequencies without a value are left out. A picture larger than the
// console's takes a wider line and caps in proportion.
void paintObjectiveCurve(QPainter& painter, const PlotScale& s, const std::vector<RunFrequency>& frequencies,
                         const PlotLineStyle& style, double lineWidth = 1);
// A smooth curve m(f) over the plot's frequency range, in the style's colour and the pen style, where
// m(f) > 0, with its marker at each of the bench's frequencies so that it is told apart without colour.
void paintFunctionCurve(QPainter& painter, const PlotScale& s, const std::function<double(double)>& mrtdAt,
                        const PlotLineStyle& style, Qt::PenStyle penStyle, double lineWidth = 1,
                        double markerRadius = 3);
