#include "sim/in_band_exitance.h"

#include "sim/trapezoid.h"

#include <cmath>
#include <limits>

namespace {

// The point from j on that closes the segment holding wavelength l: the first one at or past l, or
// the last. For a wavelength at or above the one before, the point found for that one is where the
// search may start (the points past l only get fewer as l grows), so a pass over a band in
// ascending wavelengths walks the table once, not once per sample.
template <class Wavelength>
int segmentEnd(const PointList& response, Wavelength l, int j) {
    const int count = response.vertexCount();
    while (j < count - 1 && response.x(j) < l)
        ++j;
    return j;
}

// Where the next search of a pass starts: from the last point found while the wavelengths ascend,
// from the first segment again when one does not.
template <class Wavelength>
class SegmentWalk {
public:
    explicit SegmentWalk(const PointList& response) : response_(response) {}
    int operator()(Wavelength l) {
        if (!(l >= previous_))
            j_ = 1;
        previous_ = l;
        j_ = segmentEnd(response_, l, j_);
        return j_;
    }

private:
    const PointList& response_;
    Wavelength previous_ = -std::numeric_limits<Wavelength>::infinity();
    int j_ = 1;
};

double interpolate(const PointList& response, float l, int j) {
    float x0 = response.x(j - 1), y0 = response.y(j - 1);
    float x1 = response.x(j), y1 = response.y(j);
    if (l == x1 || y0 == y1)
        return y1;
    if (l == x0)
        return y0;
    if (x1 == x0)
        return y1;
    double t = (static_cast<double>(l) - x0) / (static_cast<double>(x1) - x0);
    // Past the last point the response stays at its end value instead of running on.
    t = std::fmin(std::fmax(t, 0.0), 1.0);
    return y0 + t * (static_cast<double>(y1) - y0);
}

} // namespace

double responseAt(const PointList& response, float l) {
    return interpolate(response, l, segmentEnd(response, l, 1));
}

double InBandExitance(const PointList& response, double l0, double l1, double step, double t) {
    if (step == 0.0 || response.vertexCount() < 2)
        return 0.0;
    const double samples = (l1 - l0) / step + 1.0;
    if (!(samples >= 2.0) || samples > 1e7)
        return 0.0;
    // The table's wavelengths are single floats: 5.2 is stored a little below 5.2, and truncating the
    // count would drop the last step of the band. A count within a ten-thousandth of a whole one is it.
    const int n = static_cast<int>(samples + 1e-4);
    const float first = response.x(0);
    const double logBase = std::log(exponentialBase);
    SegmentWalk<float> walk(response);
    return step * trapezoidSum(n, [&](int k) {
               float l = static_cast<float>(k) * static_cast<float>(step) + first;
               double r = interpolate(response, l, walk(l));
               double lk = l0 + k * step;
               double m = 0.0;
               if (lk > 0.0 && t > 0.0) // a wavelength or temperature at or below zero emits nothing
                   m = r * planckC1 / (std::expm1(logBase * planckC2 / (t * lk)) * std::pow(lk, 5));
               return m;
           });
}

double SimpsonExitance(const PointList& response, double kelvin, double c1, double c2, double step) {
    if (response.vertexCount() < 2)
        return 0.0;
    const double l0 = response.x(0), l1 = response.x(response.vertexCount() - 1);
    const int n = 2 * static_cast<int>(std::ceil((l1 - l0) / step / 2.0));
    const double h = (l1 - l0) / n;
    SegmentWalk<double> walk(response);
    auto m = [&](double l) {
        const int j = walk(l);
        const double x0 = response.x(j - 1), x1 = response.x(j);
        const double r = x1 > x0 ? response.y(j - 1) +
                                       (l - x0) / (x1 - x0) * (static_cast<double>(response.y(j)) - response.y(j - 1))
                                 : response.y(j);
        return r * c1 / (std::pow(l, 5) * std::expm1(c2 / (l * kelvin)));
    };
    double sum = m(l0) + m(l1);
    for (int k = 1; k < n; ++k)
        sum += (k % 2 ? 4.0 : 2.0) * m(l0 + k * h);
    return sum * h / 3.0;
}

double signalOfTemperature(const PointList& response, double celsius, double step) {
    if (response.vertexCount() < 2)
        return 0.0;
    return InBandExitance(response, response.x(0), response.x(response.vertexCount() - 1), step,
                          celsius + absoluteZeroOffset);
}
