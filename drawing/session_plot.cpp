#include "drawing/session_plot.h"

#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"
#include "drawing/plot_style.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The smallest and largest positive value the plot draws, so that the scale holds them all.
std::pair<double, double> valueRange(const MrtdPlotContent& content) {
    double smallest = plotReferenceMrtd, largest = 0.0;
    auto take = [&](double v) {
        if (v > 0.0 && std::isfinite(v)) {
            smallest = std::min(smallest, v);
            largest = std::max(largest, v);
        }
    };
    for (const SessionGroup& g : content.groups)
        if (g.mean && *g.mean > 0.0) {
            take(*g.mean);
            if (g.ci95) {
                take(g.ci95->first);
                take(g.ci95->second);
            }
        }
    if (content.objective)
        for (const RunFrequency& r : *content.objective)
            if (r.mrtd.hasMean())
                for (double v : {r.mrtd.mean, r.mrtd.ciLow, r.mrtd.ciHigh})
                    take(v);
    if (content.requirement)
        for (const RequirementPoint& p : *content.requirement)
            if (p.frequency <= plotFullScaleFrequency)
                take(p.limit);
    // A smooth curve may run off the top: it is cut there, but its bottom must show.
    for (const MrtdPlotContent::Curve& c : content.curves)
        for (const FrequencyChoice& choice : frequencyChoices) {
            const double m = c.mrtdAt(choice.frequency);
            if (m > 0.0 && m < smallest)
                smallest = m;
        }
    return {smallest, largest};
}

} // namespace

void paintMrtdPlot(QPainter& painter, const QRect& area, const MrtdPlotContent& content) {
    const int width = area.width();
    const int height = area.height();
    painter.save();
    painter.translate(area.topLeft());
    painter.fillRect(QRect(0, 0, width, height), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(u"DejaVu Sans"_s);
    // Labels as large as the width allows, whatever the plot's proportions.
    font.setPixelSize(std::max(10, std::min(height / 20, width / 55)));
    painter.setFont(font);
    // The plot geometry inside margins for the scale's labels and the axes' titles.
    const int left = std::max(width / 9, font.pixelSize() * 6);
    const int bottom = std::max(height / 9, font.pixelSize() * 3);
    const int top = height / 30;
    const auto [smallest, largest] = valueRange(content);
    const PlotScale s = plotScaleSpanning(width - left - width / 30, height - bottom - top, smallest, largest);
    paintAxisTitles(painter, QRect(0, 0, width, height), QRect(left + 10, top, s.width - 15, s.height - 10),
                    axisTitle(u"Spatial frequency"_s, u"cycles/mrad"_s), axisTitle(u"MRTD"_s, u"K"_s));
    painter.translate(left, top);
    const QPen axisPen(Qt::black, std::max(1, width / 600));
    paintPlotFrame(painter, s, axisPen);
    for (const FrequencyChoice& choice : frequencyChoices) {
        const int x = frequencyTickX(s, choice.frequency);
        painter.drawText(QRect(x - 40, s.height - 5, 80, bottom / 2), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(choice.frequency));
    }
    // Every decade of the logarithmic scale from its bottom to its top, with a faint line across.
    for (const AxisTick& decade : decadeTicks(s.reference, plotTopMrtd(s))) {
        const int y = plotPointOf(s, 1.0, decade.value).y;
        painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DashLine));
        painter.drawLine(10, y, s.width - 5, y);
        painter.setPen(axisPen);
        painter.drawLine(10, y, 15, y);
        painter.drawText(QRect(-left, y - 20, left + 6, 40), Qt::AlignRight | Qt::AlignVCenter, decade.label + u' ');
    }
    painter.setClipRect(QRect(10, 0, s.width, s.height - 10 + 8));
    const double line = std::max(2.0, width / 400.0);
    const double thin = std::max(1.0, width / 600.0);
    const double marker = std::max(3.0, width / 200.0);
    for (const MrtdPlotContent::Curve& c : content.curves)
        paintFunctionCurve(painter, s, c.mrtdAt, plotLineStyle(c.series), c.pen, line, marker);
    if (content.requirement && !content.requirement->empty()) {
        const PlotLineStyle style = plotLineStyle(requirementSeries);
        const RequirementCurve& requirement = *content.requirement;
        painter.setPen(QPen(style.colour, line, Qt::DashDotLine));
        for (std::size_t k = 1; k < requirement.size(); ++k) {
            const PlotPoint pa = plotPointOf(s, requirement[k - 1].frequency, requirement[k - 1].limit);
            const PlotPoint pb = plotPointOf(s, requirement[k].frequency, requirement[k].limit);
            painter.drawLine(pa.x, pa.y, pb.x, pb.y);
        }
        for (const RequirementPoint& p : requirement) {
            const PlotPoint pp = plotPointOf(s, p.frequency, p.limit);
            paintPlotMarker(painter, style, QPointF(pp.x, pp.y), marker, true);
        }
    }
    std::vector<PlotErrorBar> bars;
    for (const SessionGroup& g : content.groups)
        if (g.mean && *g.mean > 0.0)
            bars.push_back(plotErrorBar(s, g.frequency, *g.mean, g.ci95));
    paintMeanSeries(
        painter, bars,
        {plotLineStyle(observersSeries), Qt::SolidLine, line, thin, std::max(4.0, width / 120.0), marker, true});
    if (content.objective)
        paintObjectiveCurve(painter, s, *content.objective, plotLineStyle(objectiveSeries), line);
    painter.setClipping(false);

    std::vector<LegendEntry> entries;
    if (content.showGroups)
        entries.push_back(
            {u"observers' mean, 95 % interval"_s, plotLineStyle(observersSeries), Qt::SolidLine, true, true, true});
    if (content.objective)
        entries.push_back({content.objectiveLabel, plotLineStyle(objectiveSeries), Qt::DashLine, true, false, true});
    if (content.requirement && !content.requirement->empty())
        entries.push_back({u"requirement"_s, plotLineStyle(requirementSeries), Qt::DashDotLine});
    for (const MrtdPlotContent::Curve& c : content.curves)
        entries.push_back({c.label, plotLineStyle(c.series), c.pen});
    if (!entries.empty())
        paintLegend(painter, QPoint(10 + font.pixelSize() * 2, font.pixelSize() / 2), Qt::AlignLeft, entries, line);
    painter.restore();
}

void paintSessionPlot(QPainter& painter, const QRect& area, const std::vector<SessionGroup>& groups,
                      const ObjectiveRun* objective, const RequirementCurve* requirement) {
    MrtdPlotContent content;
    content.groups = groups;
    content.objective = objective ? &objective->frequencies : nullptr;
    content.requirement = requirement;
    paintMrtdPlot(painter, area, content);
}

QImage sessionPlotImage(const std::vector<SessionGroup>& groups, int width, int height, const ObjectiveRun* objective,
                        const RequirementCurve* requirement) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintSessionPlot(painter, QRect(0, 0, width, height), groups, objective, requirement);
    painter.end();
    return image;
}
