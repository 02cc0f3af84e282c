#include "drawing/plot_painter.h"

#include <QPainter>
#include <QPen>

#include <cmath>
#include <vector>

void paintPlotFrame(QPainter& painter, const PlotScale& s) {
    paintPlotFrame(painter, s, QPen(Qt::white));
}

void paintPlotFrame(QPainter& painter, const PlotScale& s, const QPen& pen) {
    painter.setPen(pen);
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

void paintMeanSeries(QPainter& painter, const std::vector<PlotErrorBar>& bars, const MeanSeriesStyle& style) {
    painter.setPen(QPen(style.barColour, style.barWidth));
    for (const PlotErrorBar& b : bars) {
        if (!b.hasInterval)
            continue;
        const int x = b.mean.x;
        painter.drawLine(x, b.bottom, x, b.top);
        painter.drawLine(x - style.cap, b.bottom, x + style.cap, b.bottom);
        painter.drawLine(x - style.cap, b.top, x + style.cap, b.top);
    }
    painter.setPen(QPen(style.colour, style.lineWidth, style.lineStyle));
    for (std::size_t k = 1; k < bars.size(); ++k)
        painter.drawLine(bars[k - 1].mean.x, bars[k - 1].mean.y, bars[k].mean.x, bars[k].mean.y);
    painter.setPen(QPen(style.colour, style.lineWidth));
    painter.setBrush(style.filledMarkers ? QBrush(style.colour) : QBrush(Qt::NoBrush));
    const int r = style.markerRadius;
    for (const PlotErrorBar& b : bars) {
        if (style.filledMarkers)
            painter.drawEllipse(QPoint(b.mean.x, b.mean.y), r, r);
        else
            painter.drawRect(b.mean.x - r, b.mean.y - r, 2 * r, 2 * r);
    }
    painter.setBrush(Qt::NoBrush);
}

void paintObjectiveCurve(QPainter& painter, const PlotScale& s, const std::vector<RunFrequency>& frequencies,
                         const QColor& colour, int lineWidth) {
    std::vector<PlotErrorBar> bars;
    for (const RunFrequency& r : frequencies)
        if (r.mrtd.hasMean())
            bars.push_back(plotErrorBar(s, r.frequency, r.mrtd.mean, std::pair{r.mrtd.ciLow, r.mrtd.ciHigh}));
    paintMeanSeries(painter, bars,
                    {colour, colour, Qt::DashLine, lineWidth, lineWidth, 3 * lineWidth, lineWidth, false});
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
