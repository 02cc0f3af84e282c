#include "drawing/plot_painter.h"

#include <QPainter>

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
        painter.drawEllipse(QRect(p.x - plotMarkerRadius, p.y - plotMarkerRadius, 2 * plotMarkerRadius + 1,
                                  2 * plotMarkerRadius + 1));
    painter.setBrush(Qt::NoBrush);
}
