#include "cli/mrtd_plot_image.h"

#include "camera/mrtd_curve.h"
#include "cli/image_files.h"
#include "drawing/session_plot.h"
#include "measurement/objective_run_of.h"
#include "measurement/range_mrtd.h"

#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr int plotWidth = 800;
constexpr int plotHeight = 500;
} // namespace

double referenceThroughRun(const ObjectiveMrtd& result, double frequency) {
    MrtdCurve points = result.referenceBelow;
    for (const FrequencyResult& r : result.frequencies)
        points.emplace_back(r.frequency, r.classicHuman);
    std::erase_if(points, [](const auto& p) { return !(std::isfinite(p.second) && p.second > 0.0); });
    std::sort(points.begin(), points.end());
    // The reference below ends at the lowest frequency, which the run measured too: one point there.
    points.erase(
        std::unique(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
        points.end());
    if (points.empty() || frequency < points.front().first)
        return 0.0;
    return mrtdAt(points, frequency).value_or(0.0);
}

bool writeMrtdPlotPng(const ObjectiveMrtd& result, const CameraState& camera,
                      const std::function<double(double)>& classic, const std::string& path, std::string& error) {
    QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const std::vector<RunFrequency> frequencies = runFrequenciesOf(result);
    const bool human = result.observer == ObserverKind::Human;
    MrtdPlotContent content;
    content.showGroups = false;
    content.objective = &frequencies;
    content.objectiveLabel =
        u"%1 observer's mean MRTD, 95 % interval"_s.arg(QString::fromLatin1(observerName(result.observer)));
    content.curves = {{cameraFileSeries, u"the camera file's MRTD curve"_s,
                       [&](double f) { return cameraMrtdAt(camera, f, result.horizontalBars); }, Qt::SolidLine},
                      {classicSeries, human ? u"classic chain through the screen and the eye"_s : u"classic formula"_s,
                       classic, Qt::DotLine}};
    paintMrtdPlot(painter, image.rect(), content);
    painter.end();
    return writePng(image, path, error);
}
