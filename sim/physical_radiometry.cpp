#include "sim/physical_radiometry.h"

#include "sim/image_model_behaviour.h"
#include "sim/in_band_exitance.h"

#include <cmath>

double physicalExitance(const PointList& response, double kelvin) {
    const int count = response.vertexCount();
    if (count < 2 || !(kelvin > 0.0))
        return 0.0;
    auto planck = [&](double l) {
        return l > 0.0 ? exactC1 / (std::pow(l, 5) * std::expm1(exactC2 / (l * kelvin))) : 0.0;
    };
    double total = 0.0;
    for (int k = 0; k + 1 < count; ++k) {
        const double l0 = response.x(k), l1 = response.x(k + 1);
        const double r0 = response.y(k), r1 = response.y(k + 1);
        if (!(l1 > l0))
            continue;
        const int n = 2 * static_cast<int>(std::ceil((l1 - l0) / physicalIntegrationStep / 2.0));
        const double h = (l1 - l0) / n;
        auto m = [&](int i) {
            const double t = static_cast<double>(i) / n;
            return (r0 + t * (r1 - r0)) * planck(l0 + i * h);
        };
        double sum = m(0) + m(n);
        for (int i = 1; i < n; ++i)
            sum += (i % 2 != 0 ? 4.0 : 2.0) * m(i);
        total += sum * h / 3.0;
    }
    return total;
}

double physicalSignal(const PointList& response, double celsius) {
    return physicalExitance(response, celsius + kelvinOffset);
}

double physicalSignalSlope(const PointList& response, double celsius) {
    // A central difference of 0.05 K: the curvature over it changes the slope by far less than 1e-5.
    constexpr double h = 0.05;
    return (physicalSignal(response, celsius + h) - physicalSignal(response, celsius - h)) / (2.0 * h);
}

double modelSignal(ImageModel model, const PointList& response, double celsius, double specifiedStep) {
    return imageModelBehaviour(model).signal(response, celsius, specifiedStep);
}
