#pragma once

#include "console/mrtd_results.h"
#include "measurement/model_observer.h"

#include <array>
#include <optional>

#include <QWidget>

// The MRTD plot: every camera slot's recorded values as a curve over spatial frequency, each slot
// in its own colour, on a black ground.
class MrtdPlot : public QWidget {
    Q_OBJECT
public:
    MrtdPlot(const MrtdResults& results, QWidget* parent = nullptr);
    // The slots' pens: white, red, green, blue, yellow.
    static QColor penColour(int camera);
    // The model observer's result for a slot, drawn dashed with its intervals beside the slot's points.
    void setObjectiveResult(int camera, const ObjectiveMrtd& result);
    const std::optional<ObjectiveMrtd>& objectiveResult(int camera) const;
    // Blind: the frame and its scale only, no point and no value.
    void setBlind(bool blind);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The tooltip: each model observer run's values, none while blind.
    void showObjectiveValues();
    const MrtdResults& results_;
    std::array<std::optional<ObjectiveMrtd>, cameraSlots> objective_;
    bool blind_ = false;
};

// An axis caption in the face "Arial", in the camera's text colour on its background colour; the
// vertical one runs upward from the bottom-left corner.
class AxisLabel : public QWidget {
    Q_OBJECT
public:
    explicit AxisLabel(QWidget* parent = nullptr);
    bool vertical = true;
    QColor textColour = Qt::white;
    QColor backgroundColour = Qt::black;

    static constexpr const char* verticalText = "M R T D      [K]";
    // The caption's text length in pixels, along its axis.
    int textLength() const;
    static constexpr const char* horizontalText = "0        Spatial frequency  [1/mrad]";

protected:
    void paintEvent(QPaintEvent* event) override;
};
