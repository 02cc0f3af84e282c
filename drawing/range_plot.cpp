#include "drawing/range_plot.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int marginLeft = 56, marginRight = 12, marginTop = 12, marginBottom = 36;

QRect plotArea(const QRect& area) {
    return area.adjusted(marginLeft, marginTop, -marginRight, -marginBottom);
}

// Both pictures are laid out on a page this wide and scaled to the rectangle, so that a 300 dpi
// report and a window draw the same picture with text in proportion.
constexpr double logicalWidth = 480.0;
constexpr int fontPixels = 11;

QRect scaledArea(QPainter& painter, const QRect& area) {
    const double scale = area.width() / logicalWidth;
    painter.translate(area.topLeft());
    painter.scale(scale, scale);
    QFont font = painter.font();
    font.setPixelSize(fontPixels);
    painter.setFont(font);
    return QRect(0, 0, static_cast<int>(logicalWidth), static_cast<int>(area.height() / scale));
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

void paintLegend(QPainter& painter, const QRect& plot, const RangePrediction& prediction) {
    int y = plot.top() + 14;
    for (std::size_t k = 0; k < prediction.tasks.size(); ++k, y += 14) {
        painter.setPen(taskColour(static_cast<int>(k)));
        painter.drawText(plot.right() - 90, y, QString::fromStdString(prediction.tasks[k].task.task));
    }
}

} // namespace

QColor taskColour(int index) {
    static const QColor colours[] = {QColor(0, 150, 60), QColor(200, 130, 0), QColor(30, 100, 220),
                                     QColor(200, 30, 60)};
    return colours[static_cast<std::size_t>(index) % std::size(colours)];
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
        painter.drawText(QPointF(area.left() + 20, y(p) + 4), QString::number(p, 'g', 2));
    }
    painter.drawText(QPointF(plot.center().x() - 30, area.bottom() - 4), u"range (km)"_s);
    painter.drawText(QPointF(area.left() + 2, plot.center().y()), u"P"_s);
    for (std::size_t k = 0; k < prediction.tasks.size(); ++k) {
        const TaskRange& task = prediction.tasks[k];
        const auto curve = probabilityCurve(prediction.mrtd.curve, prediction.scenario, task.task.n50, maxKm);
        QPen pen(taskColour(static_cast<int>(k)), 2);
        for (std::size_t i = 1; i < curve.size(); ++i) {
            pen.setStyle(curve[i].lowerBound ? Qt::DashLine : Qt::SolidLine);
            painter.setPen(pen);
            painter.drawLine(QPointF(x(curve[i - 1].rangeKm), y(curve[i - 1].probability)),
                             QPointF(x(curve[i].rangeKm), y(curve[i].probability)));
        }
        // The range at P = 0.5: a tick where the curve crosses, a capped bar over a bracket.
        const double low = task.crossing.rangeKm, high = task.crossing.highKm.value_or(low);
        if (high > 0.0) {
            painter.setPen(QPen(taskColour(static_cast<int>(k)), 1));
            for (double km : {low, high})
                painter.drawLine(QPointF(x(km), y(0.5) - 5), QPointF(x(km), y(0.5) + 5));
            painter.drawLine(QPointF(x(low), y(0.5)), QPointF(x(high), y(0.5)));
        }
    }
    paintLegend(painter, plot, prediction);
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
    auto y = [&](double dt) {
        return plot.bottom() - plot.height() * (std::log10(dt) - logLow) / std::max(1.0, logHigh - logLow);
    };
    const double step = tickStep(maxF);
    for (double f = 0.0; f <= maxF + 1e-9; f += step) {
        painter.drawLine(QPointF(x(f), plot.bottom()), QPointF(x(f), plot.bottom() + 4));
        painter.drawText(QPointF(x(f) - 10, plot.bottom() + 16), QString::number(f, 'g', 3));
    }
    for (double e = logLow; e <= logHigh; e += 1.0)
        painter.drawText(QPointF(area.left() + 2, y(std::pow(10.0, e)) + 4),
                         QString::number(std::pow(10.0, e), 'g', 3));
    painter.drawText(QPointF(plot.center().x() - 60, area.bottom() - 4), u"frequency (cycles/mrad)"_s);
    painter.drawText(QPointF(plot.left() + 4, plot.top() + 12), u"MRTD and dimmed ΔT (K)"_s);
    painter.setPen(QPen(foreground, 2));
    QPainterPath mrtd;
    for (double f = curve.front().first; f <= curve.back().first; f += curve.back().first / 200.0)
        if (const auto m = mrtdAt(curve, f))
            extend(mrtd, x(f), y(*m));
    painter.drawPath(mrtd);
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
        QPainterPath line;
        for (double f = maxF / 200.0; f <= maxF; f += maxF / 200.0) {
            const double dt = prediction.scenario.apparentDt(f * hc / prediction.tasks[k].task.n50);
            if (dt < std::pow(10.0, logLow))
                break;
            extend(line, x(f), y(dt));
        }
        painter.setPen(QPen(taskColour(static_cast<int>(k)), 1, Qt::DashLine));
        painter.drawPath(line);
    }
    paintLegend(painter, plot, prediction);
    painter.restore();
}
