#pragma once

#include "console/plot_geometry.h"

#include <QColor>

#include <functional>

class QPainter;

// The plot's drawing, shared by the console's plot and the command-line tool's picture.
// Axes, frequency ticks and the full-scale tick, in white.
void paintPlotFrame(QPainter& painter, const PlotScale& s);
// A curve's lines in its colour and its markers filled white.
void paintPlotCurve(QPainter& painter, const PlotCurve& curve, const QColor& colour);

struct ObjectiveMrtd;
// The model observer's MRTD: its means joined by a dashed line in the colour, each with its 95 %
// interval as an error bar; frequencies without a value are left out. A picture larger than the
// console's takes a wider line and caps in proportion.
void paintObjectiveCurve(QPainter& painter, const PlotScale& s, const ObjectiveMrtd& result, const QColor& colour,
                         int lineWidth = 1);
// A smooth curve m(f) over the plot's frequency range, in the colour and pen style, where m(f) > 0.
void paintFunctionCurve(QPainter& painter, const PlotScale& s, const std::function<double(double)>& mrtdAt,
                        const QColor& colour, Qt::PenStyle style);
