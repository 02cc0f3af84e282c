#include "measurement/linear_sensor_image.h"

#include "sim/in_band_exitance.h"
#include "sim/physical_radiometry.h"

LinearSensorImage::LinearSensorImage(Bench& console) : console_(console) {
    console_.setTemperatureDifference(1.0);
    const std::vector<float> atStep = console_.state().sim.sceneImage;
    stepSignal_ = barSignal(1.0);
    console_.setTemperatureDifference(0.0);
    none_ = console_.state().sim.sceneImage;
    noneSignal_ = barSignal(0.0);
    // Most pixels never see the bars; each trial writes only those that do.
    for (std::size_t k = 0; k < atStep.size() && k < none_.size(); ++k)
        if (atStep[k] != none_[k]) {
            reached_.push_back(k);
            step_.push_back(atStep[k] - none_[k]);
        }
}

double LinearSensorImage::barSignal(double kelvin) const {
    const BenchState& s = console_.state();
    // The difference as the console holds it, a float, as the render reads it.
    const double difference = static_cast<float>(kelvin);
    return modelSignal(s.sim.imageModel, s.camera.tables.currentSpectralResponse(),
                       static_cast<double>(s.camera.set.backgroundTemperature) + difference, sceneIntegrationStep);
}

void LinearSensorImage::show(double kelvin) {
    BenchState& s = console_.state();
    s.console.temperatureDifference = static_cast<float>(kelvin);
    const double perStep =
        stepSignal_ != noneSignal_ ? (barSignal(kelvin) - noneSignal_) / (stepSignal_ - noneSignal_) : 0.0;
    const auto w = static_cast<float>(perStep);
    std::vector<float>& image = s.sim.sceneImage;
    if (image.size() != none_.size())
        image = none_;
    for (std::size_t i = 0; i < reached_.size(); ++i)
        image[reached_[i]] = none_[reached_[i]] + w * step_[i];
    console_.autoLevelContrast();
}
