#include "measurement/model_observer.h"

#include "camera/mrtd_curve.h"
#include "console/statistics.h"
#include "measurement/classic_mrtd.h"
#include "measurement/human_chain.h"
#include "measurement/threshold_search.h"
#include "sim/truncate.h"

#include <algorithm>
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

const char* outcomeText(ObserverOutcome outcome) {
    switch (outcome) {
    case ObserverOutcome::Resolved:
        return "resolved";
    case ObserverOutcome::NotResolved:
        return "not resolved";
    case ObserverOutcome::CutAtRange:
        return "cut at the range";
    }
    return "";
}

RepeatSummary summarise(const std::vector<HalfResult>& results) {
    RepeatSummary s;
    s.repeats = static_cast<int>(results.size());
    std::vector<double> values;
    bool cut = false;
    for (const HalfResult& r : results) {
        if (r.outcome == ObserverOutcome::NotResolved)
            continue;
        values.push_back(r.value);
        s.resolved += r.outcome == ObserverOutcome::Resolved;
        cut = cut || r.outcome == ObserverOutcome::CutAtRange;
    }
    const SampleStatistics statistics = sampleStatistics(values);
    s.valued = statistics.count;
    if (s.valued == 0)
        return s;
    s.outcome = cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved;
    s.mean = statistics.mean;
    s.sd = statistics.sd;
    s.ciLow = statistics.ciLow;
    s.ciHigh = statistics.ciHigh;
    return s;
}

ObjectiveMrtd measureObjectiveMrtd(const BenchState& prepared, const ObserverSettings& settings,
                                   const ObserverProgress& progress, const std::atomic<bool>* cancel) {
    ObjectiveMrtd out;
    out.observer = settings.observer;
    out.viewing = observerViewing(settings);
    out.horizontalBars = prepared.console.horizontalBars;
    std::vector<int> indices = settings.frequencies;
    if (indices.empty())
        for (int i = 0; i < frequencyCount; ++i)
            indices.push_back(i);
    const int repeats = std::max(1, settings.repeats);
    const ClassicTerms terms = classicTerms(prepared);
    for (int i : indices) {
        FrequencyResult r;
        r.frequencyIndex = i;
        r.frequency = frequencyChoices[static_cast<std::size_t>(i)].frequency;
        r.repeats.resize(static_cast<std::size_t>(repeats));
        r.classic = classicMrtd(terms, r.frequency, settings.thresholdSnr, settings.integrationTime);
        r.classicHuman = classicHumanAt(prepared, settings, i);
        r.cameraCurve = cameraMrtdAt(prepared.camera, r.frequency, out.horizontalBars);
        out.frequencies.push_back(std::move(r));
    }

    // Every (frequency, repeat) pair is a task on a bench of its own; each result depends only on
    // its own indices, whichever thread runs it.
    const int tasks = static_cast<int>(out.frequencies.size()) * repeats;
    std::atomic<int> next{0};
    int done = 0;
    std::mutex progressLock;
    auto work = [&]() {
        for (int task = next++; task < tasks; task = next++) {
            if (cancel && *cancel)
                return;
            FrequencyResult& r = out.frequencies[static_cast<std::size_t>(task / repeats)];
            BenchState state = prepared;
            r.repeats[static_cast<std::size_t>(task % repeats)] =
                measureRepeat(state, settings, r.frequencyIndex, task % repeats, cancel);
            std::lock_guard lock(progressLock);
            ++done;
            if (progress)
                progress(done, tasks);
        }
    };
    int threads = settings.threads > 0 ? settings.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, tasks));
    std::vector<std::jthread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    pool.clear();
    out.cancelled = cancel && *cancel;

    for (FrequencyResult& r : out.frequencies) {
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
    return out;
}
