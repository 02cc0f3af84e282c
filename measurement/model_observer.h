#pragma once

#include "camera/sampling_limit.h"
#include "console/bench.h"
#include "measurement/observer_profile.h"
#include "measurement/screen_viewing.h"
#include "sim/display_window.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A model observer in place of the human one: it looks at the same noisy frames the observer sees,
// over the frames the eye integrates, and calls the bars resolved when the bars stand apart from the
// gaps between them by K times the noise that remains in that difference. This file holds its
// settings, its results and the run over frequencies and repeats; the parts of the work each have
// their own: bar_frame_statistics (the contrast and its noise over frames), bar_judgement (one
// judgement of the image), human_chain (the screen and the eye), classic_mrtd (the static formula),
// threshold_search (one repeat's search on both halves) and linear_sensor_image.

// K = observerThresholdFactor × SNR_th. The factor makes the observer agree with the classic static
// formula on an ideal camera (the guide gives the derivation and the calibration runs).
inline constexpr double observerThresholdFactor = 0.79;

// Ideal: limited by the noise alone, reading grey levels. Human: reads the frames' luminance on a
// screen, needing the eye's own threshold modulation on top of the noise-limited contrast.
enum class ObserverKind { Ideal, Human };
const char* observerName(ObserverKind kind);
std::optional<ObserverKind> observerNamed(const std::string& name);

struct ObserverSettings {
    ObserverKind observer = ObserverKind::Human;
    // The threshold signal-to-noise ratio of the classic formula; K follows from it.
    double thresholdSnr = 2.5;
    // The eye's integration time in seconds; the frames it spans at the camera's frame rate are averaged.
    double integrationTime = 0.2;
    // Independent runs, each with its own noise and its own sub-pixel target phase.
    int repeats = 8;
    std::uint32_t seed = 1;
    // Step the temperature difference on the trackbar's grid, as a person does, instead of searching it.
    bool grid = false;
    // The continuous search stops when the bracket is this narrow, in kelvin.
    double resolution = 1e-4;
    // Worker threads; 0 takes every core.
    int threads = 0;
    // The screen and the person before it (the human observer only).
    ScreenViewing viewing{};
    // The Level and Contrast positions held over the run; none follows each image as the window's
    // automatic setting does.
    std::optional<LevelContrast> displayWindow{};
    // Frequencies to measure in cycles/mrad; empty means the bench's six.
    std::vector<double> frequencies{};
    // Instead of a list, the camera's own range (autoFrequencies): up from the lowest frequency in
    // small steps, to the first frequency not resolved within the bench's largest difference or to
    // the sampling limit, whichever comes first.
    bool toCameraLimit = false;
    // The person's threshold factor and noise efficiency: the published eye's, or a laboratory's own.
    ObserverProfile profile{};

    double threshold() const { return observerThresholdFactor * thresholdSnr; }
};

// The frames the eye integrates at the camera's frame rate; two at least, so that the temporal
// noise can be told from the image.
int integratedFrames(double frameRate, double integrationTime);

// The frequencies a measurement to the camera's limit steps through: from autoLowestFrequency up in
// steps of autoStep or autoRelativeStep of the frequency they start from, whichever is larger (the
// MRTD is flat where the steps are coarse in proportion), to the first not resolved or the first past
// the Nyquist frequency (which is not measured); every one up to the Nyquist frequency and that one.
// The last step is then halved until the end is known within autoEndRatio: between the last frequency
// resolved and the first not resolved, or the Nyquist frequency, at most autoEndSteps times.
inline constexpr double autoLowestFrequency = 0.25; // cycles/mrad
inline constexpr double autoStep = 0.25;            // cycles/mrad
inline constexpr double autoRelativeStep = 0.10;
inline constexpr double autoEndRatio = 1.05;
inline constexpr int autoEndSteps = 4;
std::vector<double> autoFrequencies(double nyquist);
// The frequencies a run of a list measures: the settings' list, or the bench's six when it is empty.
std::vector<double> listedFrequencies(const ObserverSettings& settings);
// The finest pattern any camera the bench takes can sample: the Nyquist frequency of its smallest
// pixel angle (minPixelAngle, 0.01 mrad).
inline constexpr double maxMeasuredFrequency = 50.0; // cycles/mrad

// How one half (or the MRTD) of one run, or of a frequency's repeats, came out. Above the Nyquist
// frequency of the direction measured nothing is judged: the bars could show only as an alias.
enum class ObserverOutcome { Resolved, NotResolved, CutAtRange, BeyondSamplingLimit };
const char* outcomeText(ObserverOutcome outcome);

struct HalfResult {
    ObserverOutcome outcome = ObserverOutcome::NotResolved;
    double value = 0.0; // kelvin, signed as the difference applied; valid unless NotResolved
};

// One run at one frequency: both halves and the MRTD (ΔT+ − ΔT−)/2.
struct RepeatResult {
    HalfResult plus, minus, mrtd;
    double phaseX = 0.0, phaseY = 0.0; // the target's sub-pixel phase, pixels
};

// The spread of one quantity over the repeats: mean, sample standard deviation and the Student-t 95 %
// confidence interval of the mean, over the repeats that gave a value.
struct RepeatSummary {
    double mean = 0.0;
    double sd = 0.0;
    double ciLow = 0.0, ciHigh = 0.0;
    int resolved = 0; // repeats that resolved within the range
    int valued = 0;   // repeats with a value (resolved or cut at the range)
    int repeats = 0;
    // Resolved (or cut at the range) when at least half the repeats gave a value; the mean of fewer
    // would be that of the lucky ones, and the frequency counts as not resolved.
    ObserverOutcome outcome = ObserverOutcome::NotResolved;
    // The values of the repeats that gave one, in repeat order.
    std::vector<double> values;
};
RepeatSummary summarise(const std::vector<HalfResult>& results);

struct FrequencyResult {
    double frequency = 0.0; // cycles/mrad
    std::vector<RepeatResult> repeats;
    RepeatSummary mrtd, plus, minus;
    double classic = 0.0;      // the classic formula for this camera, kelvin
    double classicHuman = 0.0; // the same chain through the screen and the eye, kelvin
    double cameraCurve = -1;   // the camera file's curve, kelvin; negative outside it
};

struct ObjectiveMrtd {
    ObserverKind observer = ObserverKind::Human;
    std::string viewing; // the observer and its screen in words, for tables and reports
    std::vector<FrequencyResult> frequencies;
    bool horizontalBars = false; // the target as measured: turned, so the vertical MRTD
    bool cancelled = false;
    // The pixel angle and Nyquist frequency across the bars measured, from the camera file.
    SamplingLimit sampling;
    // The observer's own reference curve (classicHuman for the human observer, the classic formula
    // for the ideal one) below the lowest frequency measured, ascending, as (frequency, kelvin):
    // what the bars there would need, where the bench has no room to show them.
    std::vector<std::pair<double, double>> referenceBelow;
};

// Called from worker threads (one call at a time) with the finished and total run counts.
using ObserverProgress = std::function<void(int done, int total)>;

// Measures the objective MRTD of the bench as prepared (camera activated, target read, image model
// chosen): every repeat copies it, seeds its own noise and target phase from settings.seed, its own
// index and the frequency, and searches both halves at each frequency. A frequency above the
// Nyquist frequency across the bars is not measured: its outcome is BeyondSamplingLimit, with no
// value. The results do not depend on the number of threads. Stops early, with cancelled set, when
// cancel becomes true.
ObjectiveMrtd measureObjectiveMrtd(const BenchState& prepared, const ObserverSettings& settings,
                                   const ObserverProgress& progress = {}, const std::atomic<bool>* cancel = nullptr);

// The settings of a measurement of the bench as it is shown: its view magnifier and, unless the
// display window is automatic, its Level and Contrast positions; the rest as given.
ObserverSettings shownObserverSettings(const Bench& bench, ObserverSettings settings = {});
// The observer and its screen in words.
std::string observerViewing(const ObserverSettings& settings);
