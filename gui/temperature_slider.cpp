#include "gui/temperature_slider.h"

#include "console/bench.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionSlider>

int sliderPositionOf(double kelvin) {
    return truncToInt(std::round(nearestGridDifference(kelvin) * temperatureGridStepsPerKelvin)) + temperatureGridSteps;
}

double temperatureDifferenceOf(int position) {
    return nearestGridDifference((position - temperatureGridSteps) / temperatureGridStepsPerKelvin);
}

namespace {

class TemperatureSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TemperatureSliderAccessible(TemperatureSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return slider()->valueText();
        return QAccessibleWidget::text(t);
    }
    // In kelvin, so that tools which speak the number say the difference.
    QVariant currentValue() const override {
        if (slider()->blind())
            return {};
        return slider()->difference();
    }
    void setCurrentValue(const QVariant& value) override { slider()->setDifference(value.toDouble()); }
    QVariant maximumValue() const override { return temperatureDifferenceOf(slider()->maximum()); }
    QVariant minimumValue() const override { return temperatureDifferenceOf(slider()->minimum()); }
    QVariant minimumStepSize() const override { return 1.0 / temperatureGridStepsPerKelvin; }

private:
    TemperatureSlider* slider() const { return static_cast<TemperatureSlider*>(widget()); }
};

QAccessibleInterface* temperatureSliderFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TemperatureSlider") && object && object->isWidgetType())
        return new TemperatureSliderAccessible(static_cast<TemperatureSlider*>(object));
    return nullptr;
}

} // namespace

TemperatureSlider::TemperatureSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 2 * temperatureGridSteps);
    setValue(temperatureGridSteps);
    setTickPosition(QSlider::NoTicks);
    setSingleStep(1);
    setPageStep(10);
    setAccessibleDescription(valueText());
}

void TemperatureSlider::sliderChange(SliderChange change) {
    QSlider::sliderChange(change);
    // Also when the window sets the position with its signals blocked.
    if (change == SliderValueChange)
        setAccessibleDescription(valueText());
}

void TemperatureSlider::setBlind(bool blind) {
    blind_ = blind;
    setAccessibleDescription(valueText());
    update();
}

void TemperatureSlider::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit applyRequested();
        return;
    }
    QSlider::keyPressEvent(event);
}

void TemperatureSlider::paintEvent(QPaintEvent* event) {
    if (!blind_) {
        QSlider::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove;
    // Some styles fill the groove up to the handle: drawn as at its end, the fill tells nothing.
    option.sliderPosition = option.sliderValue = option.minimum;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

QString TemperatureSlider::valueText() const {
    if (blind_)
        return QStringLiteral("hidden while blind");
    return QString::fromStdString(temperatureDifferenceText(static_cast<float>(difference())));
}

void TemperatureSlider::installAccessibility() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(temperatureSliderFactory);
    installed = true;
}
