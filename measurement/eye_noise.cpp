#include "measurement/eye_noise.h"

#include "measurement/eye_constants.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// One degree in milliradians: the eye's MTF is written per milliradian at the eye.
constexpr double milliradiansPerDegree = 1000.0 * std::numbers::pi / 180.0;

// Simpson's rule over n (even) intervals.
template <typename F>
double simpson(F f, double low, double high, int n) {
    const double h = (high - low) / n;
    double sum = f(low) + f(high);
    for (int k = 1; k < n; ++k)
        sum += (k % 2 ? 4.0 : 2.0) * f(low + k * h);
    return sum * h / 3.0;
}

EyeNoiseBandwidths bandwidthsAt(double u, double pupil, double across, double along) {
    EyeNoiseBandwidths q;
    // Across: on a logarithmic scale about u, where the channel is a Gaussian of ln(v / u) that has
    // fallen below 1e-13 three natural units away. Both signs of frequency: twice the positive half.
    q.across = 2.0 * simpson(
                         [&](double t) {
                             const double v = u * std::exp(t);
                             const double h = std::exp(-eyeChannelWidth * t * t) * eyeMtf(v, pupil) * sinc(v * across);
                             return h * h * v;
                         },
                         -3.0, 3.0, 120);
    // Along: the bars' length passes sinc² of it, whose integral is the reciprocal of the length;
    // eight of its lobes leave 0.6 % of it out, which the lobes' mean 1 / (2 pi² x²) puts back.
    const double length = barPatternCycles / u;
    const double end = 8.0 / length;
    q.along = 2.0 * simpson(
                        [&](double v) {
                            const double h = eyeMtf(v, pupil) * sinc(v * along) * sinc(v * length);
                            return h * h;
                        },
                        0.0, end, 320);
    const double tail = eyeMtf(end, pupil) * sinc(end * along);
    q.along += 2.0 * tail * tail / (2.0 * std::numbers::pi * std::numbers::pi * length * length * end);
    return q;
}

} // namespace

double sinc(double x) {
    const double y = std::numbers::pi * x;
    return y == 0.0 ? 1.0 : std::sin(y) / y;
}

double pupilDiameter(double luminance) {
    return pupilOffset + pupilScale * std::exp(-std::log10(std::max(luminance, 1e-6)) / pupilDecades) - pupilBinocular;
}

double eyeMtf(double cyclesPerDegree, double pupil) {
    const double v = std::abs(cyclesPerDegree) / milliradiansPerDegree;
    const double d = std::max(pupil, 0.5);
    const double e0 = std::exp(eyeOpticsE0Offset - eyeOpticsE0Slope * d * d * std::log10(d)) / eyeOpticsE0Divisor;
    const double i0 = std::pow(eyeOpticsI0Offset + eyeOpticsI0Slope / std::sqrt(d), 2.0);
    return std::exp(-std::pow(v / e0, i0) - eyeRetinaScale * std::pow(v, eyeRetinaExponent) - eyeTremorScale * v * v);
}

double eyeNoiseWeight(double luminance) {
    const double footLamberts = std::max(luminance, 1e-6) / candelasPerFootLambert;
    const double d = pupilDiameter(luminance);
    const double area = std::numbers::pi * d * d / 4.0;
    return eyeCount * eyeNoiseGamma * eyeNoiseGamma /
           (1.0 + eyePhotonNoiseBeta * eyePhotonNoiseBeta * eyeTemporalBandwidth / (footLamberts * area));
}

EyeNoiseBandwidths eyeNoiseBandwidths(double u, double luminance, double across, double along) {
    if (!(u > 0.0))
        return {};
    // The pupil follows the luminance in steps of 1 %, which move the eye's MTF by far less than that:
    // a search, whose trials differ in luminance by less, then integrates once per frequency.
    const double step = std::round(100.0 * std::log(std::max(luminance, 1e-6)));
    struct Cached {
        double u, step, across, along;
        EyeNoiseBandwidths q;
    };
    thread_local Cached last{0.0, 0.0, 0.0, 0.0, {}};
    if (last.u != u || last.step != step || last.across != across || last.along != along)
        last = {u, step, across, along, bandwidthsAt(u, pupilDiameter(std::exp(step / 100.0)), across, along)};
    return last.q;
}
