#include "measurement/blurred_pattern.h"

#include <algorithm>
#include <cmath>

namespace {

// ∫ erf(u) du
double erfIntegral(double u) {
    return u * std::erf(u) + std::exp(-u * u) / std::sqrt(M_PI);
}

} // namespace

double blurredBar(double a, double b, double x, double sigma, double w) {
    if (sigma <= 1e-12) {
        if (w <= 1e-12)
            return x >= a && x <= b ? 1.0 : 0.0;
        double overlap = std::min(b, x + w / 2) - std::max(a, x - w / 2);
        return std::max(0.0, overlap) / w;
    }
    const double s = std::sqrt(2.0) * sigma;
    if (w <= 1e-12)
        return 0.5 * (std::erf((b - x) / s) - std::erf((a - x) / s));
    // (1/w) ∫_{x-w/2}^{x+w/2} ½ [erf((b - t)/s) - erf((a - t)/s)] dt
    auto part = [&](double edge) {
        return erfIntegral((edge - (x - w / 2)) / s) - erfIntegral((edge - (x + w / 2)) / s);
    };
    return 0.5 * s / w * (part(b) - part(a));
}

double blurredPatternAt(const std::vector<Interval>& bars, double x, double sigma, double aperture) {
    double v = 0.0;
    for (const Interval& bar : bars)
        v += blurredBar(bar.low, bar.high, x, sigma, aperture);
    return v;
}

double predictedModulation(const BarPattern& p, double sigma, double aperture) {
    double bars = 0.0, gaps = 0.0;
    for (const Interval& bar : p.bars)
        bars += blurredPatternAt(p.bars, p.centreOfColumn(p.columnAt(bar.centre())), sigma, aperture);
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k)
        gaps += blurredPatternAt(p.bars, p.centreOfColumn(p.columnAt(p.gaps[k].centre())), sigma, aperture);
    return bars / p.bars.size() - gaps / (p.gaps.size() - 2);
}

double coltmanModulation(double f, double sigma, double aperture) {
    auto mtf = [&](double v) {
        const double x = M_PI * v * aperture;
        const double sinc = x == 0.0 ? 1.0 : std::sin(x) / x;
        return std::exp(-2.0 * M_PI * M_PI * sigma * sigma * v * v) * sinc;
    };
    // A pattern of bars 1 and gaps 0 is 1/2 plus (2/π) Σ (-1)^j cos((2j+1) 2π f x) / (2j+1); each
    // harmonic passes with the transfer at its frequency, and bar centre minus gap centre doubles it.
    double sum = 0.0;
    for (int j = 0; j < 2000; ++j) {
        const int k = 2 * j + 1;
        sum += (j % 2 == 0 ? 1.0 : -1.0) * mtf(k * f) / k;
    }
    return 4.0 / M_PI * sum;
}
