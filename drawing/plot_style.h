#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QString>

#include <array>
#include <optional>
#include <vector>

class QPainter;

// The look every printed plot shares: one palette, one marker list, one way to title an axis, to label
// a logarithmic one, to draw a legend and to draw a value known only between two ends or from one side.

// The line colours: Okabe and Ito's colour-blind-safe set (Okabe, M. and Ito, K., "Color Universal
// Design (CUD): how to make figures and presentations that are friendly to colorblind people", 2008),
// told apart under each common kind of colour blindness. Their black is kept for axes and text; the
// yellow, faint on white, comes last.
inline constexpr std::array<QRgb, 7> plotPalette = {0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7,
                                                    0x56B4E9, 0xE69F00, 0xF0E442};

// The markers, one per line beside its colour, so that a line is told even in grey print.
enum class PlotMarker { Circle, Square, TriangleUp, Diamond, TriangleDown, Hexagon, Star };
inline constexpr std::array<PlotMarker, 7> plotMarkers = {
    PlotMarker::Circle,       PlotMarker::Square,  PlotMarker::TriangleUp, PlotMarker::Diamond,
    PlotMarker::TriangleDown, PlotMarker::Hexagon, PlotMarker::Star};

struct PlotLineStyle {
    QColor colour;
    PlotMarker marker = PlotMarker::Circle;
};
// Line k's colour and marker. Past the palette's length the marker moves on one more each round, so
// that no two of the first 49 lines share both.
PlotLineStyle plotLineStyle(int k);
// The marker's outline, centred on at, about 2 r across.
QPainterPath plotMarkerPath(PlotMarker marker, QPointF at, double r);
// The marker in the style's colour, filled in it (a value) or in white (open: a bracket or a bound).
void paintPlotMarker(QPainter& painter, const PlotLineStyle& style, QPointF at, double r, bool filled);

// A value between two ends: a bar from one to the other with a cap across each end, so that it reads
// as an interval and never as a point. The caps stand square to the bar, `cap` each side of it.
QPainterPath bracketPath(QPointF from, QPointF to, double cap);
// A bound: an arrow from the known end towards where the value may lie.
QPainterPath boundArrowPath(QPointF from, QPointF to, double head);

// An axis title in one form everywhere: the quantity and its unit in brackets.
QString axisTitle(const QString& quantity, const QString& unit);

// The labels of a logarithmic axis: each power of ten from low to high (both > 0, ends included when
// they are powers of ten), written in plain decimals ("0.001", "1", "100").
struct AxisTick {
    double value = 0.0;
    QString label;
};
std::vector<AxisTick> decadeTicks(double low, double high);

// The titles of both axes in the painter's pen: x centred under the plot at the area's bottom, y
// turned upright at the area's left edge.
void paintAxisTitles(QPainter& painter, const QRect& area, const QRect& plot, const QString& xTitle,
                     const QString& yTitle);

// One row of a legend: a short stretch of the line, its marker when it has one, and its name.
struct LegendEntry {
    QString text;
    PlotLineStyle style;
    Qt::PenStyle line = Qt::SolidLine;
    bool marker = true;
    bool filled = true;
    bool interval = false; // an interval bar through the marker
};
// The height of a legend of that many rows, for a plot to leave it room.
int legendHeight(const QFontMetrics& metrics, std::size_t rows);
// The legend in a framed white box whose top left (Qt::AlignLeft) or top right (Qt::AlignRight) corner
// is at corner, where the plot leaves room; returns the box.
QRect paintLegend(QPainter& painter, QPoint corner, Qt::Alignment side, const std::vector<LegendEntry>& entries,
                  double lineWidth);
