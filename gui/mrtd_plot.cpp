#include "gui/mrtd_plot.h"

#include "console/bench.h"
#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"
#include "drawing/record_rows.h"
#include "gui/bench_signals.h"

#include <QPainter>

using namespace Qt::StringLiterals;

MrtdPlot::MrtdPlot(const BenchSignals& bench, QWidget* parent) : QWidget(parent), bench_(bench.bench()) {
    auto changed = [this] {
        showObjectiveValues();
        update();
    };
    for (auto signal : {&BenchSignals::readingRecorded, &BenchSignals::readingStruck, &BenchSignals::objectiveRunAdded})
        connect(&bench, signal, this, changed);
    connect(&bench, &BenchSignals::stateChanged, this, changed);
}

const ObjectiveRun* MrtdPlot::objectiveRun(int camera) const {
    if (bench_.blind())
        return nullptr;
    return bench_.objectiveRun(std::clamp(camera, 0, cameraSlots - 1) + 1,
                               bench_.orientation() == BarOrientation::Horizontal ? orientationHorizontal
                                                                                  : orientationVertical);
}

void MrtdPlot::showObjectiveValues() {
    // The model observer's values, which the curve only shows roughly, one line a frequency.
    QStringList lines;
    for (int camera = 0; camera < cameraSlots; ++camera)
        if (const ObjectiveRun* run = objectiveRun(camera)) {
            lines << objectiveRunTitle(*run) + u":"_s;
            for (const RunFrequency& f : run->frequencies)
                lines << u"  "_s + objectiveValueText(f);
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
    const bool blind = bench_.blind();
    // Blind, the plot is drawn as if nothing were read.
    for (int camera = 0; camera < cameraSlots && !blind; ++camera) {
        records[static_cast<std::size_t>(camera)] = bench_.results().records(camera);
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
    for (const PlotLabel& label : blind ? std::vector<PlotLabel>{} : plotLabels(s, records, metrics)) {
        painter.setPen(label.slot < 0 ? QColor(Qt::white) : penColour(label.slot));
        painter.drawText(label.x, label.y, QString::fromStdString(label.text));
    }
    // Each objective curve's legend, top right in its slot's colour: which observer measured it, and
    // on which bars.
    int legendLine = 0;
    for (int camera = 0; camera < cameraSlots; ++camera)
        if (const ObjectiveRun* objective = objectiveRun(camera)) {
            paintObjectiveCurve(painter, s, objective->frequencies, penColour(camera));
            const QString legend = objectiveRunTitle(*objective);
            painter.setPen(penColour(camera));
            painter.drawText(width() - fm.horizontalAdvance(legend) - 8, fm.ascent() + 4 + legendLine++ * fm.height(),
                             legend);
        }
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
