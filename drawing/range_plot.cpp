#include "drawing/range_plot.h"

#include "drawing/plot_style.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int marginLeft = 60, marginRight = 12, marginTop = 12, marginBottom = 40;
constexpr double markerRadius = 3.5;

QRect plotArea(const QRect& area) {
    return area.adjusted(marginLeft, marginTop, -marginRight, -marginBottom);
}

// Both pictures are laid out on a page this wide and scaled to the rectangle, so that a 300 dpi
// report and a window draw the same picture with text in proportion.
constexpr double logicalWidth = 480.0;
// A wide, low area (the window's dialog) scales to its height instead, so that the legend and the
// axes keep room for the curves.
constexpr double leastLogicalHeight = 300.0;
constexpr int fontPixels = 11;

QRect scaledArea(QPainter& painter, const QRect& area) {
    const double scale = std::min(area.width() / logicalWidth, area.height() / leastLogicalHeight);
    painter.translate(area.topLeft());
    painter.scale(scale, scale);
    QFont font = painter.font();
    font.setPixelSize(fontPixels);
    painter.setFont(font);
    return QRect(0, 0, static_cast<int>(area.width() / scale), static_cast<int>(area.height() / scale));
}

// Adds a point to a path, starting it at the first.
void extend(QPainterPath& path, double x, double y) {
    if (path.elementCount() == 0)
        path.moveTo(x, y);
    else
        path.lineTo(x, y);
}

// A tick step of 1, 2 or 5 times a power of ten giving about five ticks up to top.
double tickStep(double top) {
    const double raw = top / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

// The tasks' names in their styles, then what the shapes say, in the plot's corner.
void paintTaskLegend(QPainter& painter, const QRect& plot, const RangePrediction& prediction, Qt::PenStyle taskLine,
                     std::vector<LegendEntry> extra) {
    std::vector<LegendEntry> entries;
    for (std::size_t k = 0; k < prediction.tasks.size(); ++k)
        entries.push_back(
            {QString::fromStdString(prediction.tasks[k].task.task), plotLineStyle(static_cast<int>(k)), taskLine});
    for (LegendEntry& e : extra)
        entries.push_back(std::move(e));
    paintLegend(painter, QPoint(plot.right() - 4, plot.top() + 4), Qt::AlignRight, entries, 1.5);
}

} // namespace

QColor taskColour(int index) {
    return plotLineStyle(index).colour;
}

void paintRangeProbabilityPlot(QPainter& painter, const QRect& target, const RangePrediction& prediction,
                               const QColor& foreground) {
    painter.save();
    const QRect area = scaledArea(painter, target);
    const QRect plot = plotArea(area);
    const double maxKm = plotRangeKm(prediction);
    auto x = [&](double km) { return plot.left() + plot.width() * km / maxKm; };
    auto y = [&](double p) { return plot.bottom() - plot.height() * p; };
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(foreground);
    painter.drawRect(plot);
    const double step = tickStep(maxKm);
    for (double km = 0.0; km <= maxKm + 1e-9; km += step) {
        painter.drawLine(QPointF(x(km), plot.bottom()), QPointF(x(km), plot.bottom() + 4));
        painter.drawText(QPointF(x(km) - 10, plot.bottom() + 16), QString::number(km, 'g', 3));
    }
    for (double p = 0.0; p <= 1.0001; p += 0.25) {
        painter.drawLine(QPointF(plot.left() - 4, y(p)), QPointF(plot.left(), y(p)));
        painter.drawText(QRectF(area.left(), y(p) - 8, plot.left() - area.left() - 6, 16),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(p, 'g', 2));
    }
    paintAxisTitles(painter, area, plot, axisTitle(u"Range"_s, u"km"_s),
                    axisTitle(u"Probability of the task"_s, u"0 to 1"_s));
    for (std::size_t k = 0; k < prediction.tasks.size(); ++k) {
        const TaskRange& task = prediction.tasks[k];
        const PlotLineStyle style = plotLineStyle(static_cast<int>(k));
        const auto curve = probabilityCurve(prediction.mrtd.curve, prediction.scenario, task.task.n50, maxKm);
        // Each stretch of one kind as one path: a dash pattern restarts with every line drawn, and the
        // curve's steps are shorter than a dash.
        for (std::size_t i = 1; i < curve.size();) {
            const bool bound = curve[i].lowerBound;
            QPainterPath stretch;
            extend(stretch, x(curve[i - 1].rangeKm), y(curve[i - 1].probability));
            for (; i < curve.size() && curve[i].lowerBound == bound; ++i)
                extend(stretch, x(curve[i].rangeKm), y(curve[i].probability));
            painter.setPen(QPen(style.colour, 2, bound ? Qt::DashLine : Qt::SolidLine));
            painter.drawPath(stretch);
        }
        // A few markers along the line, staggered by task so that lines which run together still show
        // each marker; open where the chance is only a lower bound.
        const std::size_t every = std::max<std::size_t>(1, curve.size() / 6);
        for (std::size_t i = every * (k + 1) / (prediction.tasks.size() + 1); i < curve.size(); i += every)
            paintPlotMarker(painter, style, QPointF(x(curve[i].rangeKm), y(curve[i].probability)), markerRadius,
                            !curve[i].lowerBound);
        // The range at P = 0.5: its 95 % interval as a bracket, a bound as an arrow towards longer range
        // from an open marker, a value as a filled one.
        const double range = task.crossing.rangeKm;
        if (range <= 0.0)
            continue;
        painter.setPen(QPen(style.colour, 1.5));
        if (task.ci95) {
            const double highKm = std::min(task.ci95->second, maxKm);
            painter.drawPath(bracketPath(QPointF(x(task.ci95->first), y(0.5)), QPointF(x(highKm), y(0.5)), 5));
            if (task.ciBound)
                painter.drawPath(boundArrowPath(QPointF(x(highKm), y(0.5)), QPointF(x(highKm) + 16, y(0.5)), 6));
        }
        // A bracket: the curve ended before crossing, so the range lies between its two ends; drawn a
        // little below the interval's so that both show.
        const bool bracket = task.crossing.bracket();
        if (bracket && task.crossing.highKm)
            painter.drawPath(bracketPath(QPointF(x(range), y(0.5) + 9),
                                         QPointF(x(std::min(*task.crossing.highKm, maxKm)), y(0.5) + 9), 5));
        // One arrow says "further" enough: the interval's, when it has one.
        if (bracket && !task.crossing.highKm && !(task.ci95 && task.ciBound))
            painter.drawPath(boundArrowPath(QPointF(x(range) + markerRadius, y(0.5)),
                                            QPointF(x(range) + markerRadius + 22, y(0.5)), 6));
        paintPlotMarker(painter, style, QPointF(x(range), y(0.5)), markerRadius + 1, !bracket);
    }
    paintTaskLegend(
        painter, plot, prediction, Qt::SolidLine,
        {{u"range at P = 0.5, 95 % interval"_s, {Qt::black, PlotMarker::Circle}, Qt::NoPen, true, true, true},
         {u"open: a bracket below, or at least (arrow)"_s,
          {Qt::black, PlotMarker::Circle},
          Qt::DashLine,
          true,
          false}});
    painter.restore();
}

void paintRangeCrossingPlot(QPainter& painter, const QRect& target, const RangePrediction& prediction,
                            const QColor& foreground) {
    painter.save();
    const QRect area = scaledArea(painter, target);
    const QRect plot = plotArea(area);
    const MrtdCurve& curve = prediction.mrtd.curve;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(foreground);
    painter.drawRect(plot);
    if (curve.empty()) {
        painter.drawText(plot, Qt::AlignCenter, u"no MRTD values"_s);
        painter.restore();
        return;
    }
    const auto& end = prediction.mrtd.end;
    const double maxF = std::max(curve.back().first, end ? end->frequency : 0.0) * 1.05;
    double low = curve.front().second, high = std::fabs(prediction.scenario.target.dt);
    for (const auto& point : curve)
        low = std::min(low, point.second), high = std::max(high, point.second);
    const double logLow = std::floor(std::log10(low)), logHigh = std::ceil(std::log10(high));
    auto x = [&](double f) { return plot.left() + plot.width() * f / maxF; };
    // The top decade sits under the legend's band, so that no line runs beneath the legend.
    const double band = plot.height() - legendHeight(painter.fontMetrics(), prediction.tasks.size() + 1) - 8;
    auto y = [&](double dt) {
        return plot.bottom() - band * (std::log10(dt) - logLow) / std::max(1.0, logHigh - logLow);
    };
    const double step = tickStep(maxF);
    for (double f = 0.0; f <= maxF + 1e-9; f += step) {
        painter.drawLine(QPointF(x(f), plot.bottom()), QPointF(x(f), plot.bottom() + 4));
        painter.drawText(QPointF(x(f) - 10, plot.bottom() + 16), QString::number(f, 'g', 3));
    }
    for (const AxisTick& decade : decadeTicks(std::pow(10.0, logLow), std::pow(10.0, logHigh))) {
        painter.drawLine(QPointF(plot.left() - 4, y(decade.value)), QPointF(plot.left(), y(decade.value)));
        painter.drawText(QRectF(area.left(), y(decade.value) - 8, plot.left() - area.left() - 6, 16),
                         Qt::AlignRight | Qt::AlignVCenter, decade.label);
    }
    paintAxisTitles(painter, area, plot, axisTitle(u"Spatial frequency"_s, u"cycles/mrad"_s),
                    axisTitle(u"MRTD, dimmed ΔT"_s, u"K"_s));
    // The MRTD in the foreground colour, its measured points marked; each task's dimmed difference in
    // the task's style, its marker where it meets the MRTD (open when the MRTD ended first: at least).
    const PlotLineStyle mrtdStyle{foreground, PlotMarker::Circle};
    painter.setPen(QPen(foreground, 2));
    QPainterPath mrtd;
    for (double f = curve.front().first; f <= curve.back().first; f += curve.back().first / 200.0)
        if (const auto m = mrtdAt(curve, f))
            extend(mrtd, x(f), y(*m));
    painter.drawPath(mrtd);
    for (const auto& [f, m] : curve)
        if (m > 0.0)
            paintPlotMarker(painter, mrtdStyle, QPointF(x(f), y(m)), markerRadius - 1, true);
    // Where the curve ends: nothing past this frequency is resolved.
    if (end) {
        painter.setPen(QPen(foreground, 1, Qt::DotLine));
        painter.drawLine(QPointF(x(end->frequency), plot.top()), QPointF(x(end->frequency), plot.bottom()));
        // Left of the line at the foot, clear of the legend.
        const QString label = QString::fromLatin1(rangeLimitName(end->limit)) + u" limit"_s;
        painter.drawText(
            QPointF(x(end->frequency) - painter.fontMetrics().horizontalAdvance(label) - 4, plot.bottom() - 6), label);
    }
    const double hc = prediction.scenario.criticalDimensionM();
    for (std::size_t k = 0; k < prediction.tasks.size(); ++k) {
        const TaskRange& task = prediction.tasks[k];
        const PlotLineStyle style = plotLineStyle(static_cast<int>(k));
        QPainterPath line;
        for (double f = maxF / 200.0; f <= maxF; f += maxF / 200.0) {
            const double dt = prediction.scenario.apparentDt(f * hc / task.task.n50);
            if (dt < std::pow(10.0, logLow))
                break;
            extend(line, x(f), y(dt));
        }
        painter.setPen(QPen(style.colour, 1.5, Qt::DashLine));
        painter.drawPath(line);
        if (task.crossing.rangeKm > 0.0 && task.crossing.frequency > 0.0) {
            const double dt = prediction.scenario.apparentDt(task.crossing.frequency * hc / task.task.n50);
            if (dt > 0.0)
                paintPlotMarker(painter, style, QPointF(x(task.crossing.frequency), y(dt)), markerRadius + 1,
                                !task.crossing.bracket());
        }
    }
    paintTaskLegend(painter, plot, prediction, Qt::DashLine, {{u"2-D MRTD"_s, mrtdStyle}});
    painter.restore();
}
