#include "cli/mrtd_plot_image.h"

#include "measurement/model_observer.h"
#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"

#include <QImage>
#include <QPainter>
#include <QString>

using namespace Qt::StringLiterals;

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
    paintPlotFrame(painter, s);

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
    painter.drawText(20, 20, u"grey: the camera file's MRTD curve"_s);

    // The measured points, as the console draws Camera1's.
    paintPlotCurve(painter, plotCurve(s, records), Qt::white);
    painter.setPen(Qt::white);
    painter.drawText(20, 36, u"white: measured by the model observer"_s);
    painter.end();
    return image.save(QString::fromStdString(path), "PNG");
}
