#include "cli/mrtd_plot_image.h"

#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"

#include <QImage>
#include <QPainter>
#include <QString>

namespace {
constexpr int plotWidth = 640;
constexpr int plotHeight = 400;
} // namespace

bool writeMrtdPlotPng(const ObjectiveMrtd& result, const CameraState& camera, const std::function<double(double)>& classic,
                      const std::string& path) {
    QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const PlotScale s = plotScale(plotWidth, plotHeight);
    paintPlotFrame(painter, s);

    const QColor fileColour(160, 160, 160), classicColour(90, 170, 255), observerColour(Qt::white);
    paintFunctionCurve(painter, s, [&](double f) { return cameraMrtdAt(camera, f); }, fileColour, Qt::SolidLine);
    paintFunctionCurve(painter, s, classic, classicColour, Qt::DotLine);
    paintObjectiveCurve(painter, s, result, observerColour);

    painter.setPen(fileColour);
    painter.drawText(20, 20, "grey: the camera file's MRTD curve");
    painter.setPen(classicColour);
    painter.drawText(20, 36, "blue dotted: the classic formula");
    painter.setPen(observerColour);
    painter.drawText(20, 52, "white dashed: the model observer's mean MRTD, bars its 95 % interval");
    painter.end();
    return image.save(QString::fromStdString(path), "PNG");
}
