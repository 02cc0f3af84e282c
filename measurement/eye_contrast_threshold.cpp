#include "measurement/eye_contrast_threshold.h"

#include "measurement/eye_constants.h"

#include <cmath>
#include <limits>

double bartenSensitivity(double u, double luminance, double field) {
    if (!(u > 0.0) || !(luminance > 0.0) || !(field > 0.0))
        return 0.0;
    const double fieldFactor = 1.0 + u / bartenFieldFrequency;
    const double a = bartenA * std::pow(1.0 + bartenALuminance / luminance, bartenAExponent) /
                     (1.0 + bartenFieldTerm / (field * fieldFactor * fieldFactor));
    const double b = bartenB * std::pow(1.0 + bartenBLuminance / luminance, bartenBExponent);
    return a * u * std::exp(-b * u) * std::sqrt(1.0 + bartenC * std::exp(b * u));
}

double eyeThresholdModulation(double u, double luminance) {
    const double s = bartenSensitivity(u, luminance, barPatternCycles / u);
    return s > 0.0 ? 1.0 / s : std::numeric_limits<double>::infinity();
}
