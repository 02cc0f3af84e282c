#include "sim/noise.h"

#include "sim/in_band_exitance.h"
#include "sim/truncate.h"
#include "sim/truncated_pi.h"

#include <algorithm>
#include <cmath>

namespace {
// 1000 / 32768: turns a 15-bit random value into a quantile index 0 ... 999.
constexpr double quantileIndexScale = 0.030517578;
} // namespace

double noiseSigma(const CameraSet& c, const PointList& response) {
    double netd = c.blurFlag ? 2.0 * c.netd : c.netd;
    auto signal = [&](double celsius) { return signalOfTemperature(response, celsius, noiseIntegrationStep); };
    double atTm = signal(c.tm);
    double difference = atTm - signal(c.tm - netd);
    double ratio = signal(c.backgroundTemperature) / atTm;
    if (c.noiseOption != 0)
        ratio = std::sqrt(ratio);
    double sigma = difference / ratio;
    // A response or reference that gives no signal gives no noise level either.
    return std::isfinite(sigma) ? sigma : 0.0;
}

std::vector<float> buildQuantileTable(double sigma) {
    const int n = noiseQuantileBins;
    const int m2 = 2 * noiseQuantileHalf;
    const double dx = 3.0 * sigma / n;
    const double logBase = std::log(exponentialBase);
    std::vector<float> q(static_cast<std::size_t>(m2), 0.0f);
    double cumulative = 0.0;
    int previous = 0;
    for (int i = 0; i < n; ++i) {
        double x = i * dx;
        cumulative += std::exp(-logBase * x * x / (2.0 * sigma * sigma)) * dx / (std::sqrt(truncatedTwoPi) * sigma);
        int index = std::min(truncToInt(m2 * cumulative + 0.5), m2);
        for (int k = previous; k < index; ++k)
            q[static_cast<std::size_t>(k)] = static_cast<float>(i * dx + (k - previous) * dx / (index - previous));
        previous = std::max(previous, index);
    }
    for (int k = previous; k < m2; ++k)
        q[static_cast<std::size_t>(k)] = previous > 0 ? q[static_cast<std::size_t>(previous - 1)] : 0.0f;
    return q;
}

void BuildNoiseTable(const CameraSet& camera, const PointList& response, SimState& sim, RandomGenerator& random) {
    const double sigma = noiseSigma(camera, response);
    if (sigma == sim.lastNoiseSigma)
        return; // the table is current
    sim.noiseTable.resize(noiseTableSize);
    if (sigma == 0.0) {
        std::fill(sim.noiseTable.begin(), sim.noiseTable.end(), 0.0f);
    } else {
        const std::vector<float> q = buildQuantileTable(sigma);
        for (float& entry : sim.noiseTable) {
            int r1 = random.next();
            int r2 = random.next();
            float magnitude = q[static_cast<std::size_t>(truncToInt(r2 * quantileIndexScale))];
            entry = (r1 % 2 != 0) ? magnitude : -magnitude;
        }
    }
    sim.lastNoiseSigma = sigma;
}
