#include "console/mrtd_plot.h"

#include "console/plot_geometry.h"

#include <QPainter>

MrtdPlot::MrtdPlot(const MrtdResults& results, QWidget* parent) : QWidget(parent), results_(results) {}

QColor MrtdPlot::penColour(int camera) {
    static const QColor pens[cameraSlots] = {QColor(255, 255, 255), QColor(255, 0, 0), QColor(0, 255, 0),
                                            QColor(0, 0, 255), QColor(255, 255, 0)};
    return pens[std::clamp(camera, 0, cameraSlots - 1)];
}

void MrtdPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), Qt::black);
    const PlotScale s = plotScale(w, h);
    // Every slot is drawn, shown or not, in camera order; each repeats the axes, ticks and labels
    // as the bench always has.
    for (int camera = 0; camera < cameraSlots; ++camera) {
        const PlotCurve curve = plotCurve(s, results_.records(camera));
        painter.setPen(Qt::white);
        painter.drawLine(10, 5, 10, h - 5);
        painter.drawLine(5, h - 10, w - 5, h - 10);
        // The labels are drawn in white, where the plot's default black would vanish on its ground.
        painter.drawText(10, labelY(s, curve.smallest), QString::asprintf("%4.3f", curve.smallest));
        painter.drawText(10, labelY(s, curve.largest), QString::asprintf("%4.3f", curve.largest));
        for (double f : plotFrequencies) {
            const int x = frequencyTickX(s, f);
            painter.drawLine(x, h - 10, x, h - 15);
        }
        const int y5 = fullScaleTickY(s);
        painter.drawLine(10, y5, 15, y5);
        painter.setPen(penColour(camera));
        for (std::size_t k = 1; k < curve.points.size(); ++k)
            painter.drawLine(curve.points[k - 1].x, curve.points[k - 1].y, curve.points[k].x, curve.points[k].y);
        painter.setBrush(Qt::white);
        for (const PlotPoint& p : curve.points)
            painter.drawEllipse(QRect(p.x - plotMarkerRadius, p.y - plotMarkerRadius, 2 * plotMarkerRadius + 1,
                                      2 * plotMarkerRadius + 1));
        painter.setBrush(Qt::NoBrush);
    }
}

AxisLabel::AxisLabel(QWidget* parent) : QWidget(parent) {}

void AxisLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont font = painter.font();
    font.setFamily("Arial");
    painter.setFont(font);
    painter.fillRect(rect(), backgroundColour);
    painter.setPen(textColour);
    if (vertical) {
        painter.translate(0, height());
        painter.rotate(-90);
        painter.drawText(QRect(0, 0, height(), width()), Qt::AlignLeft | Qt::AlignTop, verticalText);
    } else {
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, horizontalText);
    }
}
