#include "measurement/model_observer.h"

#include "camera/mrtd_curve.h"
#include "console/statistics.h"
#include "console/temperature_grid.h"
#include "measurement/classic_mrtd.h"
#include "measurement/human_chain.h"
#include "measurement/threshold_search.h"
#include "sim/truncate.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <sstream>
#include <thread>

int integratedFrames(double frameRate, double integrationTime) {
    return std::max(2, truncToInt(integrationTime * frameRate + 0.5));
}

const char* observerName(ObserverKind kind) {
    return kind == ObserverKind::Ideal ? "ideal" : "human";
}

std::optional<ObserverKind> observerNamed(const std::string& name) {
    for (ObserverKind kind : {ObserverKind::Ideal, ObserverKind::Human})
        if (name == observerName(kind))
            return kind;
    return std::nullopt;
}

ObserverSettings shownObserverSettings(const Bench& bench, ObserverSettings settings) {
    settings.viewing.magnification = bench.magnifier();
    settings.displayWindow = bench.automaticDisplay() ? std::nullopt : std::optional(bench.levelContrast());
    return settings;
}

std::string observerViewing(const ObserverSettings& settings) {
    std::ostringstream text;
    if (settings.observer == ObserverKind::Ideal) {
        text << "ideal observer (noise-limited, grey levels)";
        return text.str();
    }
    const ScreenViewing& v = settings.viewing;
    const ObserverProfile& profile = settings.profile;
    text << "human observer (";
    if (profile.name.empty())
        text << "published eye, ";
    else
        text << "observer profile " << profile.name << ": threshold factor " << profile.thresholdFactor
             << ", noise efficiency " << profile.noiseEfficiency << ", ";
    text << v.peakLuminance << " cd/m2 display";
    if (v.blackLuminance > 0.0)
        text << " over a black of " << v.blackLuminance << " cd/m2";
    text << ", gamma " << v.gamma << ", " << v.screenPixel << " mm pixels at " << v.distance << " m, magnifier "
         << v.magnification << ", ";
    if (settings.displayWindow)
        text << "level " << settings.displayWindow->level << ", contrast " << settings.displayWindow->contrast << ")";
    else
        text << "automatic level and contrast)";
    return text.str();
}

std::vector<double> autoFrequencies(double nyquist) {
    // Two significant figures, rounded down so that no step grows past its size: 0.25, 0.5, ..., 2.5,
    // 2.7, 2.9, 3.1, ... A camera's sampling limit lies below the bench's finest pixel's
    // (maxMeasuredFrequency), so the list ends well before its cap.
    constexpr std::size_t cap = 400;
    std::vector<double> grid{autoLowestFrequency};
    while (grid.back() <= nyquist && grid.size() < cap) {
        const double f = grid.back();
        const double next = f + std::max(autoStep, autoRelativeStep * f);
        const double unit = std::pow(10.0, std::floor(std::log10(next)) - 1.0);
        double rounded = std::floor(next / unit + 1e-9) * unit;
        if (!(rounded > f + 1e-9))
            rounded = next;
        grid.push_back(std::round(rounded * 1e6) / 1e6);
    }
    return grid;
}

std::vector<double> listedFrequencies(const ObserverSettings& settings) {
    std::vector<double> list = settings.frequencies;
    if (list.empty())
        for (const FrequencyChoice& choice : frequencyChoices)
            list.push_back(choice.frequency);
    return list;
}

const char* outcomeText(ObserverOutcome outcome) {
    switch (outcome) {
    case ObserverOutcome::Resolved:
        return "resolved";
    case ObserverOutcome::NotResolved:
        return "not resolved";
    case ObserverOutcome::CutAtRange:
        return "cut at the range";
    case ObserverOutcome::BeyondSamplingLimit:
        return "beyond the sampling limit";
    }
    return "";
}

RepeatSummary summarise(const std::vector<HalfResult>& results) {
    RepeatSummary s;
    s.repeats = static_cast<int>(results.size());
    bool cut = false;
    for (const HalfResult& r : results) {
        if (r.outcome != ObserverOutcome::Resolved && r.outcome != ObserverOutcome::CutAtRange)
            continue;
        s.values.push_back(r.value);
        s.resolved += r.outcome == ObserverOutcome::Resolved;
        cut = cut || r.outcome == ObserverOutcome::CutAtRange;
    }
    const SampleStatistics statistics = sampleStatistics(s.values);
    s.valued = statistics.count;
    if (s.valued == 0)
        return s;
    if (2 * s.valued >= s.repeats)
        s.outcome = cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved;
    s.mean = statistics.mean;
    s.sd = statistics.sd;
    s.ciLow = statistics.ciLow;
    s.ciHigh = statistics.ciHigh;
    return s;
}

namespace {

// The observer's reference curve, the formula it is calibrated against, at a frequency.
double referenceMrtd(const ClassicTerms& terms, const DisplayTerms& display, const ObserverSettings& settings,
                     double f) {
    return settings.observer == ObserverKind::Human
               ? classicHumanMrtd(terms, display, settings, f)
               : classicMrtd(terms, f, settings.thresholdSnr, settings.integrationTime);
}

// The reference curve at eight frequencies up to the lowest measured one, which is the last.
constexpr int referencePointsBelow = 8;

} // namespace

ObjectiveMrtd measureObjectiveMrtd(const BenchState& prepared, const ObserverSettings& settings,
                                   const ObserverProgress& progress, const std::atomic<bool>* cancel) {
    ObjectiveMrtd out;
    out.observer = settings.observer;
    out.viewing = observerViewing(settings);
    out.horizontalBars = prepared.console.horizontalBars;
    out.sampling = samplingLimit(prepared.camera.set, out.horizontalBars);
    const double nyquist = out.sampling.nyquist;
    const int repeats = std::max(1, settings.repeats);
    const ClassicTerms terms = classicTerms(prepared);
    // A frequency's row with its references, its repeats to be measured; none past the sampling limit.
    auto rowAt = [&](double f) {
        FrequencyResult r;
        r.frequency = f;
        r.classic = classicMrtd(terms, f, settings.thresholdSnr, settings.integrationTime);
        r.classicHuman = classicHumanAt(prepared, settings, f);
        r.cameraCurve = cameraMrtdAt(prepared.camera, f, out.horizontalBars);
        if (f > nyquist) {
            for (RepeatSummary* summary : {&r.mrtd, &r.plus, &r.minus})
                summary->outcome = ObserverOutcome::BeyondSamplingLimit;
        } else {
            r.repeats.resize(static_cast<std::size_t>(repeats));
        }
        return r;
    };
    const std::vector<double> frequencies =
        settings.toCameraLimit ? autoFrequencies(nyquist) : listedFrequencies(settings);
    for (double f : frequencies)
        out.frequencies.push_back(rowAt(f));
    if (!frequencies.empty()) {
        const double lowest = *std::min_element(frequencies.begin(), frequencies.end());
        // The display as it shows the lowest frequency's bars at their reference threshold.
        const double shown = out.frequencies.front().frequency == lowest ? out.frequencies.front().classicHuman : 0.0;
        const DisplayTerms display = displayTermsAt(
            prepared, settings, lowest, std::isfinite(shown) && shown <= temperatureGridLimit ? shown : 0.0);
        for (int k = 1; k <= referencePointsBelow; ++k) {
            const double f = lowest * k / referencePointsBelow;
            out.referenceBelow.emplace_back(f, referenceMrtd(terms, display, settings, f));
        }
    }

    // Every (frequency, repeat) pair is a task on a bench of its own; each result depends only on
    // its own frequency and repeat, whichever thread runs it. A list is measured at once; a run to the
    // camera's limit one frequency at a time, since whether the next is measured depends on this one.
    const bool stepping = settings.toCameraLimit;
    int measured = 0;
    for (const FrequencyResult& r : out.frequencies)
        measured += r.repeats.empty() ? 0 : 1;
    const int total = (measured + (stepping ? autoEndSteps : 0)) * repeats;
    int done = 0;
    std::mutex progressLock;
    auto runTasks = [&](std::size_t first, std::size_t last) {
        std::vector<std::pair<std::size_t, int>> tasks;
        for (std::size_t i = first; i < last; ++i)
            for (int k = 0; k < static_cast<int>(out.frequencies[i].repeats.size()); ++k)
                tasks.emplace_back(i, k);
        std::atomic<std::size_t> next{0};
        auto work = [&]() {
            for (std::size_t task = next++; task < tasks.size(); task = next++) {
                if (cancel && *cancel)
                    return;
                const auto [i, k] = tasks[task];
                FrequencyResult& r = out.frequencies[i];
                BenchState state = prepared;
                r.repeats[static_cast<std::size_t>(k)] = measureRepeat(state, settings, r.frequency, k, cancel);
                std::lock_guard lock(progressLock);
                ++done;
                if (progress)
                    progress(std::min(done, total), total);
            }
        };
        int threads = settings.threads > 0 ? settings.threads : static_cast<int>(std::thread::hardware_concurrency());
        threads = std::clamp(threads, 1, std::max(1, static_cast<int>(tasks.size())));
        std::vector<std::jthread> pool;
        for (int t = 1; t < threads; ++t)
            pool.emplace_back(work);
        work();
        pool.clear();
        for (std::size_t i = first; i < last; ++i) {
            FrequencyResult& r = out.frequencies[i];
            if (r.repeats.empty())
                continue;
            std::vector<HalfResult> plus, minus, mrtd;
            for (const RepeatResult& run : r.repeats) {
                plus.push_back(run.plus);
                minus.push_back(run.minus);
                mrtd.push_back(run.mrtd);
            }
            r.plus = summarise(plus);
            r.minus = summarise(minus);
            r.mrtd = summarise(mrtd);
        }
    };
    auto stopped = [&] { return cancel && *cancel; };
    if (!stepping) {
        runTasks(0, out.frequencies.size());
    } else {
        std::size_t i = 0;
        while (i < out.frequencies.size() && !stopped()) {
            runTasks(i, i + 1);
            if (out.frequencies[i++].mrtd.outcome == ObserverOutcome::NotResolved)
                break;
        }
        out.frequencies.resize(i);
        // The end between the last frequency resolved and the first not, or the sampling limit.
        const auto resolved = [](const FrequencyResult& r) {
            return r.mrtd.outcome == ObserverOutcome::Resolved || r.mrtd.outcome == ObserverOutcome::CutAtRange;
        };
        if (out.frequencies.size() >= 2 && resolved(out.frequencies[out.frequencies.size() - 2])) {
            double low = out.frequencies[out.frequencies.size() - 2].frequency;
            double high =
                resolved(out.frequencies.back()) ? nyquist : std::min(nyquist, out.frequencies.back().frequency);
            for (int step = 0; step < autoEndSteps && high > autoEndRatio * low && !stopped(); ++step) {
                out.frequencies.push_back(rowAt(std::round((low + high) / 2 * 1e4) / 1e4));
                runTasks(out.frequencies.size() - 1, out.frequencies.size());
                (resolved(out.frequencies.back()) ? low : high) = out.frequencies.back().frequency;
            }
            std::sort(out.frequencies.begin(), out.frequencies.end(),
                      [](const FrequencyResult& a, const FrequencyResult& b) { return a.frequency < b.frequency; });
        }
        if (progress && !stopped())
            progress(total, total);
    }
    out.cancelled = cancel && *cancel;
    return out;
}
