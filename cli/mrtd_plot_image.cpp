#include "cli/mrtd_plot_image.h"

#include "console/model_observer.h"
#include "console/plot_geometry.h"

#include <QImage>
#include <QPainter>
#include <QString>

namespace {
constexpr int plotWidth = 640;
constexpr int plotHeight = 400;
} // namespace

bool writeMrtdPlotPng(const std::array<MrtdRecord, frequencyCount>& records, const CameraState& camera,
                      const std::string& path) {
    QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const PlotScale s = plotScale(plotWidth, plotHeight);
    painter.setPen(Qt::white);
    painter.drawLine(10, 5, 10, plotHeight - 5);
    painter.drawLine(5, plotHeight - 10, plotWidth - 5, plotHeight - 10);
    for (double f : plotFrequencies) {
        const int x = frequencyTickX(s, f);
        painter.drawLine(x, plotHeight - 10, x, plotHeight - 15);
    }
    const int top = fullScaleTickY(s);
    painter.drawLine(10, top, 15, top);

    // The camera file's own curve, in grey, over the frequencies it covers.
    painter.setPen(QColor(160, 160, 160));
    PlotPoint previous{};
    bool first = true;
    for (int k = 0; k <= 200; ++k) {
        const double f = plotFullScaleFrequency * k / 200.0;
        const double m = cameraMrtdAt(camera, f);
        if (!(m > 0.0)) {
            first = true;
            continue;
        }
        const PlotPoint p = plotPointOf(s, f, m);
        if (!first)
            painter.drawLine(previous.x, previous.y, p.x, p.y);
        previous = p;
        first = false;
    }
    painter.drawText(20, 20, "grey: the camera file's MRTD curve");

    // The measured points, as the console draws Camera1's.
    const PlotCurve curve = plotCurve(s, records);
    painter.setPen(Qt::white);
    for (std::size_t k = 1; k < curve.points.size(); ++k)
        painter.drawLine(curve.points[k - 1].x, curve.points[k - 1].y, curve.points[k].x, curve.points[k].y);
    painter.setBrush(Qt::white);
    for (const PlotPoint& p : curve.points)
        painter.drawEllipse(QRect(p.x - plotMarkerRadius, p.y - plotMarkerRadius, 2 * plotMarkerRadius + 1,
                                  2 * plotMarkerRadius + 1));
    painter.drawText(20, 36, "white: measured by the model observer");
    painter.end();
    return image.save(QString::fromStdString(path), "PNG");
}
