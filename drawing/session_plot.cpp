#include "drawing/session_plot.h"

#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The observers' blue and red, the model observer's green apart from them, the requirement in
// neither.
const QColor meanColour(0, 70, 160);
const QColor barColour(200, 40, 40);
const QColor objectiveColour(0, 130, 60);
const QColor requirementColour(120, 60, 160);

// The smallest and largest positive value the plot draws, so that the scale holds them all.
std::pair<double, double> valueRange(const std::vector<SessionGroup>& groups, const ObjectiveRun* objective,
                                     const RequirementCurve* requirement) {
    double smallest = plotReferenceMrtd, largest = 0.0;
    auto take = [&](double v) {
        if (v > 0.0 && std::isfinite(v)) {
            smallest = std::min(smallest, v);
            largest = std::max(largest, v);
        }
    };
    for (const SessionGroup& g : groups)
        if (g.mean && *g.mean > 0.0) {
            take(*g.mean);
            if (g.ci95) {
                take(g.ci95->first);
                take(g.ci95->second);
            }
        }
    if (objective)
        for (const RunFrequency& r : objective->frequencies)
            if (r.mrtd.hasMean())
                for (double v : {r.mrtd.mean, r.mrtd.ciLow, r.mrtd.ciHigh})
                    take(v);
    if (requirement)
        for (const RequirementPoint& p : *requirement)
            if (p.frequency <= plotFullScaleFrequency)
                take(p.limit);
    return {smallest, largest};
}

} // namespace

void paintSessionPlot(QPainter& painter, const QRect& area, const std::vector<SessionGroup>& groups,
                      const ObjectiveRun* objective, const RequirementCurve* requirement) {
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
    // The console's plot geometry inside margins for the scale's labels.
    const int left = width / 9;
    const int bottom = std::max(height / 9, font.pixelSize() * 5 / 2);
    const int top = height / 30;
    const auto [smallest, largest] = valueRange(groups, objective, requirement);
    const PlotScale s = plotScaleSpanning(width - left - width / 30, height - bottom - top, smallest, largest);
    painter.translate(left, top);
    const QPen axisPen(Qt::black, std::max(1, width / 600));
    paintPlotFrame(painter, s, axisPen);
    for (const FrequencyChoice& choice : frequencyChoices) {
        const int x = frequencyTickX(s, choice.frequency);
        painter.drawText(QRect(x - 40, s.height - 5, 80, bottom / 2), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(choice.frequency));
    }
    painter.drawText(QRect(0, s.height + bottom / 3, s.width, bottom / 2), Qt::AlignHCenter | Qt::AlignTop,
                     u"Spatial frequency [cycles/mrad]"_s);
    // Every decade of the logarithmic scale from its bottom to its top.
    const double topValue = plotTopMrtd(s) * 1.0001;
    for (double decade = s.reference; decade <= topValue; decade *= 10.0) {
        const int y = plotPointOf(s, 1.0, decade).y;
        painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DashLine));
        painter.drawLine(10, y, s.width - 5, y);
        painter.setPen(axisPen);
        painter.drawText(QRect(-left, y - 20, left + 2, 40), Qt::AlignRight | Qt::AlignVCenter,
                         QString(u"%1 K "_s).arg(decade, 0, 'g', 6));
    }
    painter.setClipRect(QRect(10, 0, s.width, s.height - 10 + 8));
    std::vector<PlotErrorBar> bars;
    for (const SessionGroup& g : groups)
        if (g.mean && *g.mean > 0.0)
            bars.push_back(plotErrorBar(s, g.frequency, *g.mean, g.ci95));
    const int line = std::max(2, width / 400);
    const int thin = std::max(1, width / 600);
    paintMeanSeries(
        painter, bars,
        {meanColour, barColour, Qt::SolidLine, line, thin, std::max(4, width / 120), std::max(3, width / 200), true});
    if (objective)
        paintObjectiveCurve(painter, s, objective->frequencies, objectiveColour, std::max(1, width / 500));
    if (requirement && !requirement->empty()) {
        painter.setPen(QPen(requirementColour, line, Qt::DashDotLine));
        for (std::size_t k = 1; k < requirement->size(); ++k) {
            const RequirementPoint& a = (*requirement)[k - 1];
            const RequirementPoint& b = (*requirement)[k];
            const PlotPoint pa = plotPointOf(s, a.frequency, a.limit);
            const PlotPoint pb = plotPointOf(s, b.frequency, b.limit);
            painter.drawLine(pa.x, pa.y, pb.x, pb.y);
        }
        for (const RequirementPoint& p : *requirement) {
            const PlotPoint pp = plotPointOf(s, p.frequency, p.limit);
            painter.drawLine(pp.x - 3 * line, pp.y, pp.x + 3 * line, pp.y);
        }
    }
    painter.setClipping(false);

    // The legend, in the plot's upper right corner.
    struct Entry {
        QString text;
        QPen pen;
        bool bar;
    };
    std::vector<Entry> entries{{u"observers' mean, 95 % interval"_s, QPen(meanColour, line), true}};
    if (objective)
        entries.push_back({u"objective MRTD (model observer)"_s, QPen(objectiveColour, line, Qt::DashLine), false});
    if (requirement && !requirement->empty())
        entries.push_back({u"requirement"_s, QPen(requirementColour, line, Qt::DashDotLine), false});
    const int row = font.pixelSize() * 3 / 2;
    const int sample = font.pixelSize() * 3;
    int textWidth = 0;
    for (const Entry& e : entries)
        textWidth = std::max(textWidth, painter.fontMetrics().horizontalAdvance(e.text));
    const QRect box(10 + row, row / 2, textWidth + sample + row * 3 / 2,
                    row * static_cast<int>(entries.size()) + row / 2);
    painter.setPen(QPen(Qt::black, thin));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    painter.setBrush(Qt::NoBrush);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const int y = box.top() + row * static_cast<int>(k) + row * 3 / 4;
        const int x = box.left() + row / 2;
        painter.setPen(entries[k].pen);
        painter.drawLine(x, y, x + sample, y);
        if (entries[k].bar) {
            painter.setPen(QPen(barColour, thin));
            painter.drawLine(x + sample / 2, y - row / 3, x + sample / 2, y + row / 3);
            painter.setBrush(meanColour);
            painter.setPen(QPen(meanColour, thin));
            painter.drawEllipse(QPoint(x + sample / 2, y), row / 6, row / 6);
            painter.setBrush(Qt::NoBrush);
        }
        painter.setPen(Qt::black);
        painter.drawText(QRect(x + sample + row / 2, y - row / 2, textWidth + row, row), Qt::AlignVCenter,
                         entries[k].text);
    }

    painter.restore();
    painter.save();
    painter.translate(area.left() + font.pixelSize(), area.top() + height / 2);
    painter.rotate(-90);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(-height / 2, -font.pixelSize(), height, 2 * font.pixelSize()), Qt::AlignCenter,
                     u"MRTD [K]"_s);
    painter.restore();
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
