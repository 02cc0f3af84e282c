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

void paintPlotCurve(QPainter& painter, const PlotCurve& curve, const PlotLineStyle& style) {
    painter.setPen(style.colour);
    for (std::size_t k = 1; k < curve.points.size(); ++k)
        painter.drawLine(curve.points[k - 1].x, curve.points[k - 1].y, curve.points[k].x, curve.points[k].y);
    for (const PlotPoint& p : curve.points)
        paintPlotMarker(painter, style, QPointF(p.x, p.y), plotMarkerRadius + 0.5, false);
}

void paintMeanSeries(QPainter& painter, const std::vector<PlotErrorBar>& bars, const MeanSeriesStyle& style) {
    painter.setPen(QPen(style.line.colour, style.barWidth));
    painter.setBrush(Qt::NoBrush);
    for (const PlotErrorBar& b : bars)
        if (b.hasInterval)
            painter.drawPath(bracketPath(QPointF(b.mean.x, b.bottom), QPointF(b.mean.x, b.top), style.cap));
    painter.setPen(QPen(style.line.colour, style.lineWidth, style.lineStyle));
    for (std::size_t k = 1; k < bars.size(); ++k)
        painter.drawLine(bars[k - 1].mean.x, bars[k - 1].mean.y, bars[k].mean.x, bars[k].mean.y);
    for (const PlotErrorBar& b : bars)
        paintPlotMarker(painter, style.line, QPointF(b.mean.x, b.mean.y), style.markerRadius, style.filledMarkers);
}

void paintObjectiveCurve(QPainter& painter, const PlotScale& s, const std::vector<RunFrequency>& frequencies,
                         const PlotLineStyle& style, double lineWidth) {
    std::vector<PlotErrorBar> bars;
    for (const RunFrequency& r : frequencies)
        if (r.mrtd.hasMean())
            bars.push_back(plotErrorBar(s, r.frequency, r.mrtd.mean, std::pair{r.mrtd.ciLow, r.mrtd.ciHigh}));
    paintMeanSeries(painter, bars, {style, Qt::DashLine, lineWidth, lineWidth, 3 * lineWidth, 1.5 + lineWidth, false});
}

void paintFunctionCurve(QPainter& painter, const PlotScale& s, const std::function<double(double)>& mrtdAt,
                        const PlotLineStyle& style, Qt::PenStyle penStyle, double lineWidth, double markerRadius) {
    painter.setPen(QPen(style.colour, lineWidth, penStyle));
    PlotPoint previous{};
    bool first = true;
    constexpr int steps = 200;
    auto inside = [&](double f, double m) { return m > 0.0 && std::isfinite(m) && plotPointOf(s, f, m).y >= 0; };
    for (int k = 1; k <= steps; ++k) {
        const double f = plotFullScaleFrequency * k / steps;
        const double m = mrtdAt(f);
        // Values off the top of the plot end the stretch rather than draw a line out of it.
        if (!inside(f, m)) {
            first = true;
            continue;
        }
        const PlotPoint p = plotPointOf(s, f, m);
        if (!first)
            painter.drawLine(previous.x, previous.y, p.x, p.y);
        previous = p;
        first = false;
    }
    for (const FrequencyChoice& choice : frequencyChoices)
        if (const double m = mrtdAt(choice.frequency); inside(choice.frequency, m)) {
            const PlotPoint p = plotPointOf(s, choice.frequency, m);
            paintPlotMarker(painter, style, QPointF(p.x, p.y), markerRadius, true);
        }
}
