#include "gui/mrtd_plot.h"

#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"

#include <QPainter>

using namespace Qt::StringLiterals;

MrtdPlot::MrtdPlot(const MrtdResults& results, QWidget* parent) : QWidget(parent), results_(results) {}

void MrtdPlot::setBlind(bool blind) {
    blind_ = blind;
    showObjectiveValues();
    update();
}

void MrtdPlot::showObjectiveValues() {
    // The model observer's values, which the curve only shows roughly, one line a frequency.
    QStringList lines;
    for (int camera = 0; camera < cameraSlots && !blind_; ++camera)
        if (const auto& run = objective_[static_cast<std::size_t>(camera)]) {
            lines << u"Camera%1, %2 observer (%3 bars):"_s.arg(camera + 1)
                         .arg(QString::fromLatin1(observerName(run->observer)),
                              run->horizontalBars ? u"horizontal"_s : u"vertical"_s);
            for (const FrequencyResult& f : run->frequencies)
                lines << (f.mrtd.valued > 0 ? u"  %1 cycles/mrad: %2 K"_s.arg(f.frequency).arg(f.mrtd.mean, 0, 'f', 3)
                                            : u"  %1 cycles/mrad: not resolved"_s.arg(f.frequency));
        }
    setToolTip(lines.join(u'\n'));
}

QColor MrtdPlot::penColour(int camera) {
    static const QColor pens[cameraSlots] = {QColor(255, 255, 255), QColor(255, 0, 0), QColor(0, 255, 0),
                                             QColor(0, 0, 255), QColor(255, 255, 0)};
    return pens[std::clamp(camera, 0, cameraSlots - 1)];
}

void MrtdPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    std::array<std::array<MrtdRecord, frequencyCount>, cameraSlots> records;
    double smallest = 0.0;
    // Blind, the plot is drawn as if nothing were read.
    for (int camera = 0; camera < cameraSlots && !blind_; ++camera) {
        records[static_cast<std::size_t>(camera)] = results_.records(camera);
        const double m = smallestPositiveMrtd(records[static_cast<std::size_t>(camera)]);
        if (m > 0.0 && (smallest == 0.0 || m < smallest))
            smallest = m;
    }
    // Every recorded value is shown, shown slot or not: the scale reaches down to the smallest.
    const PlotScale s = plotScaleHolding(width(), height(), smallest);
    paintPlotFrame(painter, s);
    for (int camera = 0; camera < cameraSlots; ++camera)
        paintPlotCurve(painter, plotCurve(s, records[static_cast<std::size_t>(camera)]), penColour(camera));
    const QFontMetrics fm = painter.fontMetrics();
    LabelMetrics metrics;
    metrics.digitWidth = 0;
    for (QChar c : u"0123456789.-"_s)
        metrics.digitWidth = std::max(metrics.digitWidth, fm.horizontalAdvance(c));
    metrics.ascent = fm.ascent();
    metrics.descent = fm.descent();
    // Each label in its slot's colour (the shared ones and the scale's bottom in white), placed so
    // that no two overlap.
    // Blind, not even the scale: its numbers would tell where a point would have been.
    for (const PlotLabel& label : blind_ ? std::vector<PlotLabel>{} : plotLabels(s, records, metrics)) {
        painter.setPen(label.slot < 0 ? QColor(Qt::white) : penColour(label.slot));
        painter.drawText(label.x, label.y, QString::fromStdString(label.text));
    }
    // Each objective curve's legend, top right in its slot's colour: which observer measured it.
    int legendLine = 0;
    for (int camera = 0; camera < cameraSlots && !blind_; ++camera)
        if (const auto& objective = objective_[static_cast<std::size_t>(camera)]) {
            paintObjectiveCurve(painter, s, *objective, penColour(camera));
            const QString legend =
                u"Camera%1: %2 observer"_s.arg(camera + 1).arg(QString::fromLatin1(observerName(objective->observer)));
            painter.setPen(penColour(camera));
            painter.drawText(width() - fm.horizontalAdvance(legend) - 8, fm.ascent() + 4 + legendLine++ * fm.height(),
                             legend);
        }
}

void MrtdPlot::setObjectiveResult(int camera, const ObjectiveMrtd& result) {
    objective_[static_cast<std::size_t>(std::clamp(camera, 0, cameraSlots - 1))] = result;
    showObjectiveValues();
    update();
}

const std::optional<ObjectiveMrtd>& MrtdPlot::objectiveResult(int camera) const {
    return objective_[static_cast<std::size_t>(std::clamp(camera, 0, cameraSlots - 1))];
}

AxisLabel::AxisLabel(QWidget* parent) : QWidget(parent) {
    QFont captionFont = font();
    captionFont.setFamily(u"Arial"_s);
    setFont(captionFont);
}

int AxisLabel::textLength() const {
    return fontMetrics().horizontalAdvance(QString::fromLatin1(vertical ? verticalText : horizontalText)) + 4;
}

void AxisLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColour);
    painter.setPen(textColour);
    if (vertical) {
        painter.translate(0, height());
        painter.rotate(-90);
        painter.drawText(QRect(0, 0, height(), width()), Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(verticalText));
    } else {
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(horizontalText));
    }
}
