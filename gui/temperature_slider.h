#pragma once

#include <QSlider>

// The trackbar's position of a temperature difference: one position a step of the bench's grid,
// none at the middle, the nearest step within the grid's limits.
int sliderPositionOf(double kelvin);
// The temperature difference a trackbar position sets, in kelvin.
double temperatureDifferenceOf(int position);

// The temperature-difference trackbar, over the bench's grid. Assistive tools read its value as the
// difference in kelvin the window shows ("+0.50 K"), not as a trackbar position out of 1000.
class TemperatureSlider : public QSlider {
    Q_OBJECT
public:
    explicit TemperatureSlider(QWidget* parent = nullptr);
    // The difference in kelvin the trackbar's position sets, and the position showing one.
    double difference() const { return temperatureDifferenceOf(value()); }
    void setDifference(double kelvin) { setValue(sliderPositionOf(kelvin)); }
    // The value as assistive tools read it; while blind, only that it is hidden.
    QString valueText() const;
    // Blind: the trackbar still moves, but neither its description nor its accessible value tells
    // the difference it sets.
    void setBlind(bool blind);
    bool blind() const { return blind_; }

    // Lets assistive tools reach every TemperatureSlider through the kelvin-speaking interface; once
    // per process is enough, more is harmless.
    static void installAccessibility();

signals:
    // Enter on the trackbar: the observer takes the difference set, as with Apply.
    void applyRequested();

protected:
    void sliderChange(SliderChange change) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Blind, only the groove is drawn: the handle's place would tell the difference (a pixel is a
    // few millikelvin).
    void paintEvent(QPaintEvent* event) override;

private:
    bool blind_ = false;
};
