#include "camera/camera_file.h"
#include "measurement/model_observer.h"
#include "python/module_parts.h"
#include "sim/spatial_frequencies.h"

#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

py::object orNone(bool known, double value) {
    return known ? py::object(py::float_(value)) : py::object(py::none());
}

// One quantity over the repeats under its prefix, as tervix-cli mrtd --json gives it: the mean from
// one value on, the deviation and the interval from two.
void addSummary(py::dict& record, const std::string& prefix, const RepeatSummary& s) {
    record[py::str(prefix + "_k")] = orNone(s.valued > 0, s.mean);
    record[py::str(prefix + "_sd_k")] = orNone(s.valued > 1, s.sd);
    record[py::str(prefix + "_ci95_low_k")] = orNone(s.valued > 1, s.ciLow);
    record[py::str(prefix + "_ci95_high_k")] = orNone(s.valued > 1, s.ciHigh);
    record[py::str(prefix + "_resolved_count")] = s.resolved;
    record[py::str(prefix + "_repeats_count")] = s.repeats;
    record[py::str(prefix + "_outcome")] = outcomeText(s.outcome);
}

py::list records(const ObjectiveMrtd& result) {
    py::list rows;
    for (const FrequencyResult& r : result.frequencies) {
        py::dict record;
        record["observer"] = observerName(result.observer);
        record["frequency_cy_per_mrad"] = r.frequency;
        addSummary(record, "mrtd", r.mrtd);
        addSummary(record, "mrtd_plus", r.plus);
        addSummary(record, "mrtd_minus", r.minus);
        record["classic_k"] = orNone(std::isfinite(r.classic), r.classic);
        record["classic_human_k"] = orNone(std::isfinite(r.classicHuman), r.classicHuman);
        record["camera_curve_k"] = orNone(r.cameraCurve > 0.0, r.cameraCurve);
        rows.append(record);
    }
    return rows;
}

void requirePositive(double value, const char* name) {
    if (!(std::isfinite(value) && value > 0.0))
        throw py::value_error(std::string(name) + " must be a number above zero");
}

void requirePosition(const std::optional<int>& position, const char* name) {
    if (position && (*position < 0 || *position > sliderRange))
        throw py::value_error(std::string(name) + " must be a position from 0 to " + std::to_string(sliderRange));
}

// Runs the measurement on a thread of its own while this one, the interpreter's, looks for Ctrl-C:
// an interrupted measurement is cancelled and the interrupt raised.
ObjectiveMrtd measureInterruptibly(const BenchState& prepared, const ObserverSettings& settings) {
    std::atomic<bool> cancel{false};
    py::gil_scoped_release release;
    auto pending =
        std::async(std::launch::async, [&] { return measureObjectiveMrtd(prepared, settings, {}, &cancel); });
    while (pending.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        py::gil_scoped_acquire acquire;
        if (PyErr_CheckSignals() != 0) {
            cancel = true;
            pending.wait();
            throw py::error_already_set();
        }
    }
    return pending.get();
}

py::list measureMrtd(const PythonBench& self, const std::string& observer, double thresholdSnr, double integrationTime,
                     int repeats, std::uint32_t seed, bool grid, double resolution, int threads, double screenPixelMm,
                     double viewingDistanceM, double magnification, double peakLuminance, std::optional<int> level,
                     std::optional<int> contrast, const std::optional<std::vector<double>>& frequencies) {
    ObserverSettings settings;
    const auto kind = observerNamed(observer);
    if (!kind)
        throw py::value_error(std::string("the observer must be ") + observerName(ObserverKind::Ideal) + " or " +
                              observerName(ObserverKind::Human));
    for (auto [value, name] : {std::pair{thresholdSnr, "threshold_snr"},
                               {integrationTime, "integration_time"},
                               {resolution, "resolution"},
                               {screenPixelMm, "screen_pixel_mm"},
                               {viewingDistanceM, "viewing_distance_m"},
                               {magnification, "magnification"},
                               {peakLuminance, "peak_luminance"}})
        requirePositive(value, name);
    if (repeats < 1)
        throw py::value_error("repeats must be 1 or more");
    if (threads < 0)
        throw py::value_error("threads must be 0 (every core) or more");
    requirePosition(level, "level");
    requirePosition(contrast, "contrast");
    settings.observer = *kind;
    settings.thresholdSnr = thresholdSnr;
    settings.integrationTime = integrationTime;
    settings.repeats = repeats;
    settings.seed = seed;
    settings.grid = grid;
    settings.resolution = resolution;
    settings.threads = threads;
    settings.viewing = {screenPixelMm, viewingDistanceM, magnification, peakLuminance};
    if (level || contrast)
        settings.displayWindow =
            LevelContrast{level.value_or(LevelContrast{}.level), contrast.value_or(LevelContrast{}.contrast)};
    for (double f : frequencies.value_or(std::vector<double>{})) {
        if (const std::string problem = frequencyProblem(f); !problem.empty())
            throw py::value_error(problem);
        settings.frequencies.push_back(f);
    }

    BenchCase benchCase = self.benchCase;
    benchCase.sources.seed = settings.seed;
    std::optional<OpenedBench> opened;
    {
        py::gil_scoped_release release;
        opened.emplace(benchCase);
        if (settings.displayWindow)
            opened->bench.setDisplayWindow(settings.displayWindow->level, settings.displayWindow->contrast);
    }
    opened->warn();
    return records(measureInterruptibly(opened->state, settings));
}

} // namespace

void bindObserver(py::class_<PythonBench>& bench) {
    const ObserverSettings defaults;
    bench.def("measure_mrtd", &measureMrtd, py::arg("observer") = observerName(defaults.observer),
              py::arg("threshold_snr") = defaults.thresholdSnr, py::arg("integration_time") = defaults.integrationTime,
              py::arg("repeats") = defaults.repeats, py::arg("seed") = defaults.seed, py::arg("grid") = defaults.grid,
              py::arg("resolution") = defaults.resolution, py::arg("threads") = defaults.threads,
              py::arg("screen_pixel_mm") = defaults.viewing.screenPixel,
              py::arg("viewing_distance_m") = defaults.viewing.distance,
              py::arg("magnification") = defaults.viewing.magnification,
              py::arg("peak_luminance") = defaults.viewing.peakLuminance, py::arg("level") = py::none(),
              py::arg("contrast") = py::none(), py::arg("frequencies") = py::none(),
              R"(Measures the MRTD with the model observer, as tervix-cli mrtd does.

observer: "human" (through the screen and the eye) or "ideal" (limited by the
noise alone); threshold_snr: the classic formula's threshold signal-to-noise ratio;
integration_time: the eye's, in seconds; repeats: independent runs per frequency,
each with its own noise and target phase; seed: seeds the noise and the phases (the
same seed gives the same numbers as tervix-cli mrtd --seed); grid: step the
difference on the trackbar's grid instead of searching it; resolution: where the
search stops, in kelvin; threads: worker threads, 0 for every core (the numbers do
not depend on it); screen_pixel_mm, viewing_distance_m, magnification,
peak_luminance (cd/m2): the screen and the person before it; level, contrast: hold
the display window at these positions (0 to 1000) instead of following each image;
frequencies: the frequencies to measure in cycles/mrad, None for all of
tervix.frequencies.

Returns one dict per frequency: the MRTD and each half ("mrtd", "mrtd_plus",
"mrtd_minus") with mean ("_k"), standard deviation ("_sd_k"), 95 % interval of the
mean ("_ci95_low_k", "_ci95_high_k"), resolved repeats ("_resolved_count"), repeats
("_repeats_count") and outcome; the
classic formula ("classic_k", "classic_human_k") and the camera file's curve
("camera_curve_k"). None where there is no value. The interpreter is free for other
threads meanwhile; Ctrl-C cancels the measurement and raises KeyboardInterrupt.)");
}
