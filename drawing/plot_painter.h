#pragma once

#include "console/plot_geometry.h"

#include <QColor>

class QPainter;

// The plot's drawing, shared by the console's plot and the command-line tool's picture.
// Axes, frequency ticks and the full-scale tick, in white.
void paintPlotFrame(QPainter& painter, const PlotScale& s);
// A curve's lines in its colour and its markers filled white.
void paintPlotCurve(QPainter& painter, const PlotCurve& curve, const QColor& colour);
