#include "measurement/range_probability.h"

#include <cmath>

double taskProbability(double cyclesRatio) {
    if (!(cyclesRatio > 0.0))
        return 0.0;
    const double e = 2.7 + 0.7 * cyclesRatio;
    const double power = std::pow(cyclesRatio, e);
    return std::isfinite(power) ? power / (1.0 + power) : 1.0;
}

double cyclesRatioFor(double p) {
    // taskProbability rises with the ratio: halve the bracket on the logarithmic scale.
    double low = 1e-6, high = 1e3;
    for (int k = 0; k < 200; ++k) {
        const double mid = std::sqrt(low * high);
        (taskProbability(mid) < p ? low : high) = mid;
    }
    return std::sqrt(low * high);
}
