#include "cli/mrtd_plot_image.h"

#include "camera/mrtd_curve.h"
#include "cli/image_files.h"
#include "drawing/session_plot.h"
#include "measurement/objective_run_of.h"

#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
constexpr int plotWidth = 800;
constexpr int plotHeight = 500;
} // namespace

double referenceThroughRun(const ObjectiveMrtd& result, double frequency) {
    std::vector<std::pair<double, double>> points = result.referenceBelow;
    for (const FrequencyResult& r : result.frequencies)
        points.emplace_back(r.frequency, r.classicHuman);
    std::erase_if(points, [](const auto& p) { return !(std::isfinite(p.second) && p.second > 0.0); });
    std::sort(points.begin(), points.end());
    const auto above = std::lower_bound(points.begin(), points.end(), std::pair{frequency, 0.0});
    if (above == points.end() || (above == points.begin() && above->first != frequency))
        return 0.0;
    if (above->first == frequency || above == points.begin())
        return above->second;
    const auto& [f0, k0] = *(above - 1);
    const auto& [f1, k1] = *above;
    return k0 + (k1 - k0) * (frequency - f0) / (f1 - f0);
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
