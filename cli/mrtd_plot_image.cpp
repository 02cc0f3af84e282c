#include "cli/mrtd_plot_image.h"

#include "camera/mrtd_curve.h"
#include "cli/image_files.h"
#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"
#include "measurement/objective_run_of.h"

#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr int plotWidth = 640;
constexpr int plotHeight = 400;
} // namespace

bool writeMrtdPlotPng(const ObjectiveMrtd& result, const CameraState& camera,
                      const std::function<double(double)>& classic, const std::string& path, std::string& error) {
    QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    // The scale moves down to hold the smallest mean and its interval, as the console's plot does.
    double smallest = plotReferenceMrtd;
    for (const FrequencyResult& f : result.frequencies)
        for (double v : {f.mrtd.mean, f.mrtd.ciLow})
            if (f.mrtd.valued > 0 && v > 0.0)
                smallest = std::min(smallest, v);
    const PlotScale s = plotScaleHolding(plotWidth, plotHeight, smallest);
    paintPlotFrame(painter, s);

    const QColor fileColour(160, 160, 160), classicColour(90, 170, 255), observerColour(Qt::white);
    paintFunctionCurve(
        painter, s, [&](double f) { return cameraMrtdAt(camera, f, result.horizontalBars); }, fileColour,
        Qt::SolidLine);
    paintFunctionCurve(painter, s, classic, classicColour, Qt::DotLine);
    paintObjectiveCurve(painter, s, runFrequenciesOf(result), observerColour);

    painter.setPen(fileColour);
    painter.drawText(70, 24, u"grey: the camera file's MRTD curve"_s);
    painter.setPen(classicColour);
    const bool human = result.observer == ObserverKind::Human;
    painter.drawText(70, 40,
                     human ? u"blue dotted: the classic chain through the screen and the eye"_s
                           : u"blue dotted: the classic formula"_s);
    painter.setPen(observerColour);
    painter.drawText(70, 56,
                     u"white dashed: the %1 observer's mean MRTD, bars its 95 % interval"_s.arg(
                         QString::fromLatin1(observerName(result.observer))));
    // The console's logarithmic scale: its range, and the frequencies under their ticks.
    painter.drawText(14, fullScaleTickY(s) + 4,
                     QString::asprintf("%.2f K", plotReferenceMrtd * std::exp(plotFullScaleLog)));
    painter.drawText(14, plotHeight - 14, QString::asprintf("%g K", s.reference));
    for (const FrequencyChoice& f : frequencyChoices)
        painter.drawText(frequencyTickX(s, f.frequency) - 8, plotHeight - 1, QString::number(f.frequency));
    painter.end();
    return writePng(image, path, error);
}
