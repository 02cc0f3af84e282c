#include "measurement/range_uncertainty.h"

#include "console/statistics.h"
#include "measurement/range_crossing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <random>
#include <set>

namespace {

// The standard normal deviate from two draws (Box-Muller): the library's normal law may differ
// between standard libraries, and the intervals must not.
double normalDeviate(std::mt19937& random) {
    const double u1 = (random() + 0.5) / 4294967296.0;
    const double u2 = (random() + 0.5) / 4294967296.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

std::vector<std::string> observersOf(const RangeMrtd& mrtd) {
    std::set<std::string> names;
    for (const MrtdSamples* samples : {&mrtd.horizontal, &mrtd.vertical})
        for (const MrtdSample& s : *samples)
            for (const auto& entry : s.observers)
                names.insert(entry.first);
    return {names.begin(), names.end()};
}

bool hasIntervals(const RangeMrtd& mrtd) {
    for (const MrtdSamples* samples : {&mrtd.horizontal, &mrtd.vertical})
        for (const MrtdSample& s : *samples)
            if (s.ci95)
                return true;
    return false;
}

// One sample's mean over the drawn observers (each as often as drawn), spread as described above;
// zero when none of them has a value there.
double drawnMean(const MrtdSample& s, const std::map<std::string, int>& drawn) {
    double sum = 0.0, count = 0.0;
    for (const auto& [name, value] : s.observers) {
        const auto k = drawn.find(name);
        if (k == drawn.end() || !(value > 0.0))
            continue;
        sum += k->second * value;
        count += k->second;
    }
    if (count == 0.0 || s.observers.size() < 2)
        return count == 0.0 ? 0.0 : sum / count;
    const double n = static_cast<double>(s.observers.size());
    const double spread = std::sqrt(n / (n - 1.0));
    return std::exp(std::log(s.mrtd) + spread * (std::log(sum / count) - std::log(s.mrtd)));
}

} // namespace

void addRangeIntervals(RangePrediction& prediction, const RangeMrtd& mrtd, int resamples, std::uint32_t seed) {
    const std::vector<std::string> observers = observersOf(mrtd);
    const bool bootstrap = observers.size() >= 2;
    if ((!bootstrap && !hasIntervals(mrtd)) || resamples < 2)
        return;
    std::mt19937 random(seed);
    // The JSON keeps the interval, not the repeats it came from: its half-width read as 1.96 errors.
    const double normal975 = studentQuantile(0.975, std::numeric_limits<double>::infinity());
    std::vector<std::vector<double>> ranges(prediction.tasks.size());
    for (int draw = 0; draw < resamples; ++draw) {
        std::map<std::string, int> drawn;
        if (bootstrap)
            for (std::size_t k = 0; k < observers.size(); ++k)
                ++drawn[observers[random() % observers.size()]];
        RangeMrtd again = mrtd;
        for (MrtdSamples* samples : {&again.horizontal, &again.vertical})
            for (MrtdSample& s : *samples) {
                if (bootstrap)
                    s.mrtd = drawnMean(s, drawn);
                else if (s.ci95)
                    s.mrtd += normalDeviate(random) * (s.ci95->second - s.ci95->first) / (2.0 * normal975);
            }
        const Mrtd2d curve = mrtd2d(curveOf(again.horizontal), curveOf(again.vertical));
        for (std::size_t t = 0; t < prediction.tasks.size(); ++t) {
            const RangeCrossing c = rangeCrossing(curve.curve, prediction.scenario, prediction.tasks[t].task.n50);
            ranges[t].push_back(c.rangeKm);
            prediction.tasks[t].ciBound = prediction.tasks[t].ciBound || c.bound;
        }
    }
    for (std::size_t t = 0; t < prediction.tasks.size(); ++t) {
        std::vector<double>& r = ranges[t];
        std::sort(r.begin(), r.end());
        const double last = static_cast<double>(r.size() - 1);
        prediction.tasks[t].ci95 = std::pair{r[static_cast<std::size_t>(std::floor(0.025 * last))],
                                             r[static_cast<std::size_t>(std::ceil(0.975 * last))]};
    }
}
