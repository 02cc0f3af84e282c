#include "drawing/study_plot.h"

#include "drawing/plot_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr double markerRadius = 4.5;

double niceStep(double span) {
    const double raw = span / 5.0, power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10.0 * power;
}

QString number(double v) {
    return QString::number(std::fabs(v) < 1e-12 ? 0.0 : v, 'g', 4);
}

} // namespace

void paintStudyPlot(QPainter& painter, const QRect& area, std::vector<StudyPlotLine> lines, const QString& xTitle) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    double minX = 1e300, maxX = -1e300, maxKm = 0.0;
    for (StudyPlotLine& line : lines) {
        std::sort(line.points.begin(), line.points.end(), [](auto& a, auto& b) { return a.x < b.x; });
        for (const StudyPlotPoint& p : line.points) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            maxKm = std::max({maxKm, p.km, p.highKm.value_or(0.0)});
        }
    }
    if (minX > maxX)
        minX = 0.0, maxX = 1.0;
    if (maxX - minX < 1e-12)
        minX -= 0.5 * std::max(std::fabs(minX), 1.0), maxX += 0.5 * std::max(std::fabs(maxX), 1.0);
    // A little room either side, so that no marker sits on the frame.
    const double pad = 0.04 * (maxX - minX);
    minX -= pad, maxX += pad;
    const double kmStep = niceStep(maxKm > 0.0 ? maxKm * 1.15 : 1.0), xStep = niceStep(maxX - minX);
    const double topKm = std::ceil((maxKm > 0.0 ? maxKm * 1.15 : 1.0) / kmStep) * kmStep;
    const QFontMetrics metrics = painter.fontMetrics();
    // The legend as wide as its longest name, so that no name is cut.
    int legendWidth = metrics.horizontalAdvance(u"open, arrow: at least"_s);
    for (const StudyPlotLine& line : lines)
        legendWidth = std::max(legendWidth, metrics.horizontalAdvance(line.label));
    legendWidth += 56;
    const QRect plot = area.adjusted(64, 16, -legendWidth, -48);
    auto x = [&](double v) { return plot.left() + plot.width() * (v - minX) / (maxX - minX); };
    auto y = [&](double km) { return plot.bottom() - plot.height() * km / topKm; };

    painter.setPen(Qt::black);
    painter.drawRect(plot);
    for (double km = 0.0; km <= topKm + 1e-9; km += kmStep) {
        painter.drawLine(QPointF(plot.left() - 4, y(km)), QPointF(plot.left(), y(km)));
        const QString label = number(km);
        painter.drawText(QPointF(plot.left() - 8 - metrics.horizontalAdvance(label), y(km) + 4), label);
    }
    for (double v = std::ceil(minX / xStep - 1e-9) * xStep; v <= maxX + 1e-9; v += xStep) {
        painter.drawLine(QPointF(x(v), plot.bottom()), QPointF(x(v), plot.bottom() + 4));
        const QString label = number(v);
        painter.drawText(QPointF(x(v) - metrics.horizontalAdvance(label) / 2.0, plot.bottom() + 18), label);
    }
    paintAxisTitles(painter, area.adjusted(0, 0, 0, -4), plot, xTitle, axisTitle(u"Range"_s, u"km"_s));

    const int n = static_cast<int>(lines.size());
    int legendY = plot.top() + 10;
    for (int k = 0; k < n; ++k) {
        const PlotLineStyle style = plotLineStyle(k);
        const QColor colour = style.colour;
        QPainterPath path;
        for (const StudyPlotPoint& p : lines[static_cast<std::size_t>(k)].points)
            path.elementCount() == 0 ? path.moveTo(x(p.x), y(p.km)) : path.lineTo(x(p.x), y(p.km));
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        for (const StudyPlotPoint& p : lines[static_cast<std::size_t>(k)].points) {
            const QPointF at(x(p.x), y(p.km));
            const bool number = p.highKm && p.lowKm && *p.highKm - *p.lowKm <= 1e-9 * std::max(1.0, *p.highKm);
            if (p.highKm && !number) {
                painter.drawPath(
                    bracketPath(QPointF(at.x(), y(p.lowKm.value_or(p.km))), QPointF(at.x(), y(*p.highKm)), 4));
            } else if (!p.highKm) {
                // At least this far: an arrow up from the marker.
                painter.drawPath(
                    boundArrowPath(QPointF(at.x(), at.y() - markerRadius - 1), QPointF(at.x(), at.y() - 22), 6));
            }
            paintPlotMarker(painter, style, at, markerRadius, number);
        }
        paintPlotMarker(painter, style, QPointF(plot.right() + 16, legendY - 4), markerRadius, true);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(plot.right() + 28, legendY), lines[static_cast<std::size_t>(k)].label);
        legendY += 16;
    }
    // What the markers say, under the lines' names.
    legendY += 8;
    painter.setPen(Qt::black);
    for (const QString& key : {u"filled: the range"_s, u"open, bar: a bracket"_s, u"open, arrow: at least"_s}) {
        painter.drawText(QPointF(plot.right() + 16, legendY), key);
        legendY += 16;
    }
    painter.restore();
}
