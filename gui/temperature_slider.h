#pragma once

#include <QSlider>

// The temperature-difference trackbar. Assistive tools read its value as the difference in kelvin
// the window shows ("+0.50 K"), not as a trackbar position out of 1000.
class TemperatureSlider : public QSlider {
    Q_OBJECT
public:
    explicit TemperatureSlider(QWidget* parent = nullptr);
    // The value as assistive tools read it.
    QString valueText() const;

    // Lets assistive tools reach every TemperatureSlider through the kelvin-speaking interface; once
    // per process is enough, more is harmless.
    static void installAccessibility();

protected:
    void sliderChange(SliderChange change) override;
};
