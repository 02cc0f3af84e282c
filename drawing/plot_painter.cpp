#include "drawing/plot_painter.h"

#include "measurement/model_observer.h"

#include <QPainter>
#include <QPen>

#include <cmath>
#include <vector>

void paintPlotFrame(QPainter& painter, const PlotScale& s) {
    painter.setPen(Qt::white);
    painter.drawLine(10, 5, 10, s.height - 5);
    painter.drawLine(5, s.height - 10, s.width - 5, s.height - 10);
    for (const FrequencyChoice& f : frequencyChoices) {
        const int x = frequencyTickX(s, f.frequency);
        painter.drawLine(x, s.height - 10, x, s.height - 15);
    }
    const int y5 = fullScaleTickY(s);
    painter.drawLine(10, y5, 15, y5);
}

void paintPlotCurve(QPainter& painter, const PlotCurve& curve, const QColor& colour) {
    painter.setPen(colour);
    for (std::size_t k = 1; k < curve.points.size(); ++k)
        painter.drawLine(curve.points[k - 1].x, curve.points[k - 1].y, curve.points[k].x, curve.points[k].y);
    painter.setBrush(Qt::white);
    for (const PlotPoint& p : curve.points)
        painter.drawEllipse(
            QRect(p.x - plotMarkerRadius, p.y - plotMarkerRadius, 2 * plotMarkerRadius + 1, 2 * plotMarkerRadius + 1));
    painter.setBrush(Qt::NoBrush);
}

void paintObjectiveCurve(QPainter& painter, const PlotScale& s, const ObjectiveMrtd& result, const QColor& colour,
                         int lineWidth) {
    QPen pen(colour);
    pen.setWidth(lineWidth);
    const int cap = 3 * lineWidth;
    std::vector<QPoint> means;
    for (const FrequencyResult& r : result.frequencies) {
        if (r.mrtd.valued == 0 || !(r.mrtd.mean > 0.0))
            continue;
        const PlotPoint centre = plotPointOf(s, r.frequency, r.mrtd.mean);
        means.emplace_back(centre.x, centre.y);
        // An interval reaching zero or below runs to the bottom of the plot.
        const int bottom = r.mrtd.ciLow > 0.0 ? plotPointOf(s, r.frequency, r.mrtd.ciLow).y : s.height - 10;
        const int top = r.mrtd.ciHigh > 0.0 ? plotPointOf(s, r.frequency, r.mrtd.ciHigh).y : centre.y;
        pen.setStyle(Qt::SolidLine);
        painter.setPen(pen);
        painter.drawLine(centre.x, bottom, centre.x, top);
        painter.drawLine(centre.x - cap, bottom, centre.x + cap, bottom);
        painter.drawLine(centre.x - cap, top, centre.x + cap, top);
        painter.drawRect(centre.x - lineWidth, centre.y - lineWidth, 2 * lineWidth, 2 * lineWidth);
    }
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    for (std::size_t k = 1; k < means.size(); ++k)
        painter.drawLine(means[k - 1], means[k]);
}

void paintFunctionCurve(QPainter& painter, const PlotScale& s, const std::function<double(double)>& mrtdAt,
                        const QColor& colour, Qt::PenStyle style) {
    QPen pen(colour);
    pen.setStyle(style);
    painter.setPen(pen);
    PlotPoint previous{};
    bool first = true;
    constexpr int steps = 200;
    for (int k = 1; k <= steps; ++k) {
        const double f = plotFullScaleFrequency * k / steps;
        const double m = mrtdAt(f);
        // Values off the top of the plot end the stretch rather than draw a line out of it.
        if (!(m > 0.0) || !std::isfinite(m) || plotPointOf(s, f, m).y < 0) {
            first = true;
            continue;
        }
        const PlotPoint p = plotPointOf(s, f, m);
        if (!first)
            painter.drawLine(previous.x, previous.y, p.x, p.y);
        previous = p;
        first = false;
    }
}
