#include "console/statistics.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

// ln Γ(a + 1/2) - ln Γ(a). For large a both logarithms are huge and nearly equal, so their
// difference is taken from Stirling's series term by term instead of by subtraction.
double logGammaHalfStep(double a) {
    if (a < 20.0)
        return std::lgamma(a + 0.5) - std::lgamma(a);
    auto series = [](double z) {
        const double r = 1.0 / (z * z);
        return (1.0 / 12.0 - r * (1.0 / 360.0 - r * (1.0 / 1260.0 - r / 1680.0))) / z;
    };
    return 0.5 * std::log(a) + (a * std::log1p(0.5 / a) - 0.5) + series(a + 0.5) - series(a);
}

// The continued fraction of the regularised incomplete beta function I_x(a, b), by the modified
// Lentz method; it converges quickly for x below (a + 1) / (a + b + 2).
double betaFraction(double a, double b, double x) {
    constexpr double tiny = 1e-300;
    auto guard = [](double v) { return std::fabs(v) < tiny ? tiny : v; };
    double c = 1.0;
    double d = 1.0 / guard(1.0 - (a + b) * x / (a + 1.0));
    double h = d;
    for (int m = 1; m < 1'000'000; ++m) {
        const double m2 = 2.0 * m;
        const double even = m * (b - m) * x / ((a + m2 - 1.0) * (a + m2));
        d = 1.0 / guard(1.0 + even * d);
        c = guard(1.0 + even / c);
        h *= d * c;
        const double odd = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1.0));
        d = 1.0 / guard(1.0 + odd * d);
        c = guard(1.0 + odd / c);
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < 1e-15)
            break;
    }
    return h;
}

// P(T > t) for t >= 0: one half of I_x(nu/2, 1/2) at x = nu / (nu + t²). Both x and 1 - x are
// formed without subtracting from 1, which would lose the small one's digits.
double upperTail(double t, double nu) {
    if (std::isinf(nu))
        return 0.5 * std::erfc(t / std::numbers::sqrt2);
    if (t <= 0.0)
        return 0.5;
    const double a = nu / 2.0, b = 0.5;
    const double x = nu / (nu + t * t), y = t * t / (nu + t * t);
    const double logBeta = 0.5 * std::log(std::numbers::pi) - logGammaHalfStep(a);
    const double front = std::exp(-a * std::log1p(t * t / nu) + b * std::log(y) - logBeta);
    const double beta =
        x < (a + 1.0) / (a + b + 2.0) ? front * betaFraction(a, b, x) / a : 1.0 - front * betaFraction(b, a, y) / b;
    return 0.5 * beta;
}

double density(double t, double nu) {
    if (std::isinf(nu))
        return std::exp(-0.5 * t * t) / std::sqrt(2.0 * std::numbers::pi);
    return std::exp(logGammaHalfStep(nu / 2.0) - 0.5 * std::log(nu * std::numbers::pi) -
                    (nu + 1.0) / 2.0 * std::log1p(t * t / nu));
}

} // namespace

double studentQuantile(double p, double degreesOfFreedom) {
    if (!(p > 0.0 && p < 1.0) || !(degreesOfFreedom > 0.0))
        return std::numeric_limits<double>::quiet_NaN();
    if (p < 0.5)
        return -studentQuantile(1.0 - p, degreesOfFreedom);
    // Past this many degrees of freedom the incomplete beta function's continued fraction needs
    // ever more terms, while Fisher's expansion about the normal quantile has become exact: its
    // first neglected term is below 1e-18 of the quantile.
    constexpr double expansionFrom = 1e5;
    const bool expand = degreesOfFreedom > expansionFrom;
    const double nu = expand ? std::numeric_limits<double>::infinity() : degreesOfFreedom;
    // Newton's method on the upper tail from the centre. The tail is convex for t > 0, so every
    // step stays short of the root and the iteration climbs to it without overshooting.
    const double tail = 1.0 - p;
    double t = 0.0;
    for (int k = 0; k < 500; ++k) {
        const double step = (upperTail(t, nu) - tail) / density(t, nu);
        t += step;
        if (!(std::fabs(step) > 1e-15 * t))
            break;
    }
    if (!expand)
        return t;
    const double n = degreesOfFreedom, z = t, z2 = z * z;
    return z + z * (z2 + 1.0) / (4.0 * n) + z * ((5.0 * z2 + 16.0) * z2 + 3.0) / (96.0 * n * n) +
           z * (((3.0 * z2 + 19.0) * z2 + 17.0) * z2 - 15.0) / (384.0 * n * n * n);
}

SampleStatistics sampleStatistics(const std::vector<double>& values) {
    SampleStatistics s;
    s.count = static_cast<int>(values.size());
    if (s.count == 0)
        return s;
    double sum = 0.0;
    for (double v : values)
        sum += v;
    s.mean = sum / s.count;
    s.ciLow = s.ciHigh = s.mean;
    if (s.count < 2)
        return s;
    double squares = 0.0;
    for (double v : values)
        squares += (v - s.mean) * (v - s.mean);
    s.sd = std::sqrt(squares / (s.count - 1));
    const double half = studentQuantile(0.975, s.count - 1) * s.sd / std::sqrt(static_cast<double>(s.count));
    s.ciLow = s.mean - half;
    s.ciHigh = s.mean + half;
    return s;
}
