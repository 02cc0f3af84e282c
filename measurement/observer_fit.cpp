#include "measurement/observer_fit.h"

#include "console/session_statistics.h"
#include "console/statistics.h"
#include "measurement/classic_mrtd.h"
#include "measurement/human_chain.h"
#include "text/messages.h"

#include <boost/math/tools/minima.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>

namespace {

// The fit's range for both parameters: far beyond any person.
const double lowestLog = std::log(1e-3), highestLog = std::log(1e3);

struct Points {
    std::vector<double> observed; // ln MRTD
    std::vector<const ChainTerms*> terms;
};

double loss(const Points& p, double logFactor, double logEfficiency) {
    double sum = 0.0;
    for (std::size_t k = 0; k < p.observed.size(); ++k) {
        const double d =
            p.observed[k] - std::log(predictedMrtd(*p.terms[k], std::exp(logFactor), std::exp(logEfficiency)));
        sum += d * d;
    }
    return sum;
}

// The threshold factor that fits best at a noise efficiency: the mean log ratio of the readings to
// the eye's threshold while no reading falls to the classic floor, else the minimum the loss has
// in it alone.
std::pair<double, double> bestFactor(const Points& p, double logEfficiency) {
    const double efficiency = std::exp(logEfficiency);
    double x = 0.0;
    for (std::size_t k = 0; k < p.observed.size(); ++k)
        x += (p.observed[k] - std::log(p.terms[k]->eyeKelvin * std::sqrt(1.0 + p.terms[k]->noiseTerm / efficiency))) /
             static_cast<double>(p.observed.size());
    bool floored = false;
    for (const ChainTerms* t : p.terms)
        floored = floored || std::exp(x) * t->eyeKelvin * std::sqrt(1.0 + t->noiseTerm / efficiency) < t->classic;
    if (!floored && x > lowestLog && x < highestLog)
        return {x, loss(p, x, logEfficiency)};
    const auto [y, value] = boost::math::tools::brent_find_minima(
        [&](double logFactor) { return loss(p, logFactor, logEfficiency); }, lowestLog, highestLog, 40);
    return {y, value};
}

std::pair<double, double> fitPoints(const Points& p) {
    const auto [y, value] = boost::math::tools::brent_find_minima(
        [&](double logEfficiency) { return bestFactor(p, logEfficiency).second; }, lowestLog, highestLog, 40);
    (void)value;
    return {bestFactor(p, y).first, y};
}

double quantile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const double at = p * static_cast<double>(values.size() - 1);
    const std::size_t low = static_cast<std::size_t>(std::floor(at));
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (at - static_cast<double>(low)) * (values[high] - values[low]);
}

} // namespace

Panel panelOf(const Session& session, bool blindOnly) {
    Panel panel;
    const std::vector<bool> blind = blindReadings(session);
    // The statistics of the session group by slot, camera, model, bars and frequency; each display
    // setting is read as a session of its own.
    std::vector<std::pair<ReadingDisplay, Session>> byDisplay;
    for (std::size_t k = 0; k < session.readings.size(); ++k) {
        const SessionReading& r = session.readings[k];
        if (r.struck || (blindOnly && !blind[k]))
            continue;
        const ReadingDisplay display = r.display.value_or(ReadingDisplay{});
        auto found =
            std::find_if(byDisplay.begin(), byDisplay.end(), [&](const auto& d) { return d.first == display; });
        if (found == byDisplay.end())
            found = byDisplay.insert(byDisplay.end(), {display, Session{}});
        found->second.readings.push_back(r);
    }
    std::set<std::string> observers;
    for (const auto& [display, part] : byDisplay)
        for (const SessionGroup& g : sessionStatistics(part)) {
            const std::size_t condition = panel.conditions.size();
            double logSum = 0.0;
            int count = 0;
            for (const ObserverMrtd& o : g.perObserver)
                if (o.mrtd && *o.mrtd > 0.0) {
                    panel.readings.push_back({o.observer, condition, *o.mrtd});
                    observers.insert(o.observer);
                    logSum += std::log(*o.mrtd);
                    ++count;
                }
            if (count > 0)
                panel.conditions.push_back({g.slot, g.cameraFile, g.imageModel, g.orientation, g.frequency, display,
                                            std::exp(logSum / count)});
        }
    panel.observers = static_cast<int>(observers.size());
    return panel;
}

std::string panelRefusal(const Panel& panel) {
    if (panel.observers < 3)
        return "the fit needs both halves read by at least 3 observers, and the readings hold " +
               std::to_string(panel.observers) + ": add readings by " +
               (panel.observers < 2 ? "other observers" : "another observer");
    std::set<std::string> cameras;
    std::vector<ReadingDisplay> displays;
    for (const PanelCondition& c : panel.conditions) {
        cameras.insert(c.cameraFile);
        if (std::find(displays.begin(), displays.end(), c.display) == displays.end())
            displays.push_back(c.display);
    }
    // Both parameters scale the MRTD alike unless the display noise weighs differently against the
    // eye's own threshold across the readings: another camera or another display shows it.
    if (cameras.size() < 2 && displays.size() < 2)
        return "one camera (" + *cameras.begin() +
               ") read with one display setting cannot tell the threshold factor from the noise efficiency: add "
               "readings of a second camera or with a second display window or magnifier";
    return {};
}

double predictedMrtd(const ChainTerms& terms, double thresholdFactor, double noiseEfficiency) {
    return std::max(terms.classic,
                    thresholdFactor * terms.eyeKelvin * std::sqrt(1.0 + terms.noiseTerm / noiseEfficiency));
}

std::optional<ChainTerms> chainTermsOf(const BenchSources& sources, const PanelCondition& condition,
                                       const ObserverSettings& base, std::string& error) {
    const int index = frequencyIndexOf(condition.frequency);
    const auto model = imageModelFromName(condition.imageModel);
    if (index < 0 || !model) {
        error = "the readings of " + condition.cameraFile + " name a frequency or image model the bench does not have";
        return std::nullopt;
    }
    BenchState state;
    MessageLog log;
    Bench bench(state, log);
    BenchCase benchCase;
    benchCase.sources = sources;
    benchCase.sources.imageModel = *model;
    benchCase.orientation =
        condition.orientation == orientationHorizontal ? BarOrientation::Horizontal : BarOrientation::Vertical;
    if (applyBenchCase(bench, benchCase) != BenchOpenFault::None) {
        error = log.messages.empty() ? "the bench does not open on " + condition.cameraFile : log.messages.front();
        return std::nullopt;
    }
    if (condition.display.zoom != bench.electronicZoom())
        bench.setElectronicZoom(condition.display.zoom);
    ObserverSettings settings = base;
    settings.viewing.magnification = condition.display.magnifier;
    settings.displayWindow = condition.display.automatic
                                 ? std::nullopt
                                 : std::optional(LevelContrast{condition.display.level, condition.display.contrast});
    const ClassicTerms terms = classicTerms(state);
    const DisplayTerms display = displayTermsAt(state, settings, condition.frequency, condition.observed);
    const ClassicEyeTerms eye = classicEyeTerms(terms, display, settings, condition.frequency);
    if (!(eye.modulationPerKelvin > 0.0)) {
        error = "the display shows no pattern of " + condition.cameraFile + " at " +
                std::to_string(condition.frequency) + " cycles/mrad";
        return std::nullopt;
    }
    const EyeThreshold eyeAlone = eyeThreshold(eye.view, ObserverProfile{1.0, 1.0, {}});
    return ChainTerms{classicMrtd(terms, condition.frequency, settings.thresholdSnr, settings.integrationTime),
                      eyeAlone.ctf / eye.modulationPerKelvin, eyeAlone.noiseFactor * eyeAlone.noiseFactor - 1.0};
}

ObserverFit fitObserverPanel(const Panel& panel, const std::vector<ChainTerms>& terms, int resamples,
                             std::uint64_t seed) {
    ObserverFit fit;
    std::map<std::string, std::vector<std::size_t>> byObserver;
    for (std::size_t k = 0; k < panel.readings.size(); ++k)
        byObserver[panel.readings[k].observer].push_back(k);
    auto pointsOf = [&](const std::vector<std::string>& observers) {
        Points p;
        for (const std::string& o : observers)
            for (std::size_t k : byObserver[o]) {
                p.observed.push_back(std::log(panel.readings[k].mrtd));
                p.terms.push_back(&terms[panel.readings[k].condition]);
            }
        return p;
    };
    std::vector<std::string> everyone;
    for (const auto& [observer, readings] : byObserver)
        everyone.push_back(observer);
    const Points all = pointsOf(everyone);
    const auto [logFactor, logEfficiency] = fitPoints(all);
    fit.thresholdFactor = std::exp(logFactor);
    fit.noiseEfficiency = std::exp(logEfficiency);
    fit.rmsLogResidual =
        all.observed.empty()
            ? 0.0
            : std::sqrt(loss(all, logFactor, logEfficiency) / static_cast<double>(all.observed.size()));

    // The observers are the sample: a laboratory's next observer differs from these as they differ
    // from each other.
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, everyone.size() - 1);
    std::vector<double> factors, efficiencies;
    for (int r = 0; r < resamples; ++r) {
        std::vector<std::string> drawn;
        for (std::size_t k = 0; k < everyone.size(); ++k)
            drawn.push_back(everyone[pick(random)]);
        const auto [x, y] = fitPoints(pointsOf(drawn));
        factors.push_back(std::exp(x));
        efficiencies.push_back(std::exp(y));
    }
    // The resampled fits spread like a mean over the observers, whose own spread the resampling
    // understates by sqrt((n - 1) / n) and whose few degrees of freedom want Student's t rather than
    // the normal quantile: the percentiles' distances from the fit, on the logarithmic scale, are
    // widened by t(0.975, n - 1) / z(0.975) sqrt(n / (n - 1)), so that five observers' intervals hold
    // the truth 95 % of the time and not 85 %.
    const double n = static_cast<double>(everyone.size());
    const double widen = n > 1.0 ? studentQuantile(0.975, n - 1.0) /
                                       studentQuantile(0.975, std::numeric_limits<double>::infinity()) *
                                       std::sqrt(n / (n - 1.0))
                                 : 1.0;
    auto interval = [widen](double value, const std::vector<double>& draws) {
        const double low = quantile(draws, 0.025), high = quantile(draws, 0.975);
        return std::array<double, 2>{value * std::pow(std::min(low, value) / value, widen),
                                     value * std::pow(std::max(high, value) / value, widen)};
    };
    if (!factors.empty()) {
        fit.thresholdFactorCi95 = interval(fit.thresholdFactor, factors);
        fit.noiseEfficiencyCi95 = interval(fit.noiseEfficiency, efficiencies);
    }

    for (std::size_t c = 0; c < panel.conditions.size(); ++c)
        fit.residuals.emplace_back(panel.conditions[c].observed,
                                   predictedMrtd(terms[c], fit.thresholdFactor, fit.noiseEfficiency));
    return fit;
}
