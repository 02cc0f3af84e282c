#pragma once

#include <QSlider>

// The temperature-difference trackbar. Assistive tools read its value as the difference in kelvin
// the window shows ("+0.50 K"), not as a trackbar position out of 1000.
class TemperatureSlider : public QSlider {
    Q_OBJECT
public:
    explicit TemperatureSlider(QWidget* parent = nullptr);
    // The value as assistive tools read it; while blind, only that it is hidden.
    QString valueText() const;
    // Blind: the trackbar still moves, but neither its description nor its accessible value tells
    // the difference it sets.
    void setBlind(bool blind);
    bool blind() const { return blind_; }

    // Lets assistive tools reach every TemperatureSlider through the kelvin-speaking interface; once
    // per process is enough, more is harmless.
    static void installAccessibility();

protected:
    void sliderChange(SliderChange change) override;

private:
    bool blind_ = false;
};
