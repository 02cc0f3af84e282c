#include "gui/mrtd_plot.h"

#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"

#include <QPainter>

using namespace Qt::StringLiterals;

MrtdPlot::MrtdPlot(const MrtdResults& results, QWidget* parent) : QWidget(parent), results_(results) {}

QColor MrtdPlot::penColour(int camera) {
    static const QColor pens[cameraSlots] = {QColor(255, 255, 255), QColor(255, 0, 0), QColor(0, 255, 0),
                                            QColor(0, 0, 255), QColor(255, 255, 0)};
    return pens[std::clamp(camera, 0, cameraSlots - 1)];
}

void MrtdPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const PlotScale s = plotScale(width(), height());
    // Every slot is drawn, shown or not, in camera order; each repeats the axes, ticks and labels
    // as the bench always has.
    for (int camera = 0; camera < cameraSlots; ++camera) {
        const PlotCurve curve = plotCurve(s, results_.records(camera));
        paintPlotFrame(painter, s);
        // The labels are drawn in white, where the plot's default black would vanish on its ground.
        painter.drawText(10, labelY(s, curve.smallest), QString::asprintf("%4.3f", curve.smallest));
        painter.drawText(10, labelY(s, curve.largest), QString::asprintf("%4.3f", curve.largest));
        paintPlotCurve(painter, curve, penColour(camera));
    }
    for (int camera = 0; camera < cameraSlots; ++camera)
        if (const auto& objective = objective_[static_cast<std::size_t>(camera)])
            paintObjectiveCurve(painter, s, *objective, penColour(camera));
}

void MrtdPlot::setObjectiveResult(int camera, const ObjectiveMrtd& result) {
    objective_[static_cast<std::size_t>(std::clamp(camera, 0, cameraSlots - 1))] = result;
    update();
}

const std::optional<ObjectiveMrtd>& MrtdPlot::objectiveResult(int camera) const {
    return objective_[static_cast<std::size_t>(std::clamp(camera, 0, cameraSlots - 1))];
}

AxisLabel::AxisLabel(QWidget* parent) : QWidget(parent) {}

void AxisLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont font = painter.font();
    font.setFamily(u"Arial"_s);
    painter.setFont(font);
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
