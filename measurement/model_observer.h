#pragma once

#include "console/bench.h"
#include "measurement/bar_pattern.h"
#include "measurement/screen_viewing.h"
#include "sim/display_window.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A model observer in place of the human one: it looks at the same noisy frames the observer sees,
// over the frames the eye integrates, and calls the bars resolved when the bars stand apart from the
// gaps between them by K times the noise that remains in that difference.

// K = observerThresholdFactor × SNR_th. The factor makes the observer agree with the classic static
// formula on an ideal camera (the guide gives the derivation and the calibration runs).
inline constexpr double observerThresholdFactor = 0.75;

// The human observer's factor on the eye's threshold modulation, the one number calibrated for it: it
// puts the human's MRTD on Camera1's file curve, measured by people, from 0.5 to 1.5 cycles/mrad
// (the guide gives the runs). classicHuman carries the same factor.
inline constexpr double humanThresholdFactor = 12.0;

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
    // Frequencies to measure (indices into frequencyChoices); empty means all six.
    std::vector<int> frequencies{};

    double threshold() const { return observerThresholdFactor * thresholdSnr; }
};

// The noise a stack of frames shows in its analysed rows and columns, as variances in grey levels²
// of one frame: independent per pixel, shared along a row, shared down a column.
struct NoiseComponents {
    double pixel = 0.0;
    double row = 0.0;
    double column = 0.0;
};

// The bar-minus-gap contrast over a set of frames and its standard error from the noise components.
struct BarContrast {
    double contrast = 0.0; // mean over bar pixels minus mean over gap pixels, grey levels
    double level = 0.0;    // the mean of the bar and gap means
    double standardError = 0.0;
    NoiseComponents noise;
    int frames = 0;
    int pixels = 0; // analysed pixels of one frame
    double snr() const;
};

// Accumulates frames over the bars' and gaps' columns and the bars' middle rows. Row noise cancels in
// the difference because bars and gaps share their rows; column noise stays, once per column.
class BarFrameStatistics {
public:
    // transfer, when given, maps each grey level to the quantity analysed (a screen's luminance).
    BarFrameStatistics(std::vector<std::vector<int>> barColumns, std::vector<std::vector<int>> gapColumns, int rowLow,
                       int rowHigh, const std::array<double, 256>* transfer = nullptr);
    // Adds one frame of width columns (row-major, one byte a pixel). columnShift maps an analysed
    // column to the frame column it shows in this frame (the presented image's jitter); null is none.
    void addFrame(const std::uint8_t* frame, int width, int height, const std::function<int(int)>& columnShift = {});
    BarContrast result() const;

private:
    std::vector<int> columns_; // every analysed column, left to right
    std::vector<char> inBar_;  // per analysed column: 1 in a bar, 0 in a gap
    int rowLow_ = 0, rowHigh_ = 0;
    int frames_ = 0;
    std::array<double, 256> transfer_{};
    // Per analysed pixel over the frames: sum and sum of squares.
    std::vector<double> sum_, squares_;
    // Per frame: the mean of each analysed column over the rows, of each row over the columns, and
    // of the whole block; the noise components follow from these by a three-way analysis of variance.
    std::vector<std::vector<double>> columnMeans_, rowMeans_;
    std::vector<double> blockMeans_;
};

struct ObserverDecision {
    bool resolved = false;
    double snr = 0.0; // the contrast in standard errors, signed so that the right direction is positive
    BarContrast contrast;
    double eyeThreshold = 0.0; // the human observer's: the eye's threshold modulation
};

// Judges the current image: frames are drawn as the view presents them, for the integration time.
ObserverDecision judgeBars(BenchState& state, const ObserverSettings& settings);

// How one half (or the MRTD) of one run came out.
enum class ObserverOutcome { Resolved, NotResolved, CutAtRange };
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
    ObserverOutcome outcome = ObserverOutcome::NotResolved;
};
RepeatSummary summarise(const std::vector<HalfResult>& results);

struct FrequencyResult {
    int frequencyIndex = 0;
    double frequency = 0.0;
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
};

// Called from worker threads (one call at a time) with the finished and total run counts.
using ObserverProgress = std::function<void(int done, int total)>;

// Measures the objective MRTD of the bench as prepared (camera activated, target read, image model
// chosen): every repeat copies it, seeds its own noise and target phase from settings.seed and its
// own index, and searches both halves at each frequency. The results do not depend on the number
// of threads. Stops early, with cancelled set, when cancel becomes true.
ObjectiveMrtd measureObjectiveMrtd(const BenchState& prepared, const ObserverSettings& settings,
                                   const ObserverProgress& progress = {}, const std::atomic<bool>* cancel = nullptr);

// The physical model's SensorImage at any temperature difference from two renders of one target
// phase: every item's signal, the background's and the blur are affine in the bars' in-band signal,
// so the image at a difference is the image at none plus the bars' signal step over that at one
// kelvin times the difference the two renders give. The search then renders twice per run rather
// than at every trial.
class LinearSensorImage {
public:
    // Renders the bench at one kelvin and at none; the bench is left at none.
    explicit LinearSensorImage(Bench& console);
    // The bench as a render at this difference leaves it for the physical frames: the difference,
    // SensorImage and, while automatic, the display window. DisplayImage is not mapped again (the
    // physical frames map the signal themselves).
    void show(double kelvin);

private:
    double barSignal(double kelvin) const;
    Bench& console_;
    std::vector<float> none_, step_; // step_ over the pixels the bars reach only
    std::vector<std::size_t> reached_;
    double noneSignal_ = 0.0, stepSignal_ = 0.0;
};

// One run at one frequency on a bench of its own (used by the above).
RepeatResult measureRepeat(BenchState& state, const ObserverSettings& settings, int frequencyIndex, int repeat,
                           const std::atomic<bool>* cancel = nullptr);

// The classic static formula MRTD(f) = π²/(4√14) · SNR_th · NETD_scene · f / MTF(f) · √(αβ/(t_e F_R))
// for the camera in use, with MTF the Gaussian blur times the pixel aperture.
struct ClassicTerms {
    double netdScene = 0.0; // K, per-pixel noise at the scene temperature
    double alpha = 0.0;     // the pixel angles across and along the bars, mrad (horizontal and
    double beta = 0.0;      // vertical for vertical bars, the other way round for horizontal ones)
    double sigma = 0.0;     // the Gaussian blur across the bars, mrad
    double frameRate = 0.0;
    double signalPerKelvin = 0.0; // the in-band signal's slope at the scene temperature
};
ClassicTerms classicTerms(const BenchState& state);
double classicMrtd(const ClassicTerms& terms, double f, double thresholdSnr, double integrationTime);
double classicMtf(const ClassicTerms& terms, double f);

// What the screen makes of a kelvin: the display gain in grey levels, the pattern's mean grey and
// the angle of a camera pixel at the eye.
struct DisplayTerms {
    double greyPerKelvin = 0.0;
    double meanGrey = 0.0;
    double pixelDegrees = 0.0;      // across the bars
    double pixelDegreesAlong = 0.0; // along them
};
DisplayTerms displayTerms(const BenchState& state, const ScreenViewing& viewing);
// The screen as a run at this frequency shows it near the threshold: the Level and Contrast
// positions held, or the automatic window over the bars at no difference.
DisplayTerms displayTermsNearThreshold(const BenchState& prepared, const ObserverSettings& settings,
                                       int frequencyIndex);
// The bar-minus-gap difference of a long pattern of unit bars through the MTF: the odd harmonics'
// sum 8/(pi² k²) MTF(k f).
double barGapTransfer(const ClassicTerms& terms, double f);
// The spectral density of a noise modulation as the eye integrates it: its standard error over a
// stretch of seconds and an area of square degrees at the eye, times the root of both.
double eyeNoiseDensity(double standardError, double seconds, double squareDegrees);
// classicHuman: the eye's threshold modulation at the pattern's frequency and luminance, raised by
// the noise over the eye's own, turned back through the screen's luminance law, the display gain
// and the optics into kelvin; never below the classic (noise-limited) MRTD.
double classicHumanMrtd(const ClassicTerms& terms, const DisplayTerms& display, const ScreenViewing& viewing, double f,
                        double thresholdSnr, double integrationTime);
// The settings of a measurement of the bench as it is shown: its view magnifier and, unless the
// display window is automatic, its Level and Contrast positions; the rest as given.
ObserverSettings shownObserverSettings(const Bench& bench, ObserverSettings settings = {});
// The observer and its screen in words.
std::string observerViewing(const ObserverSettings& settings);

// The camera file's own MRTD at frequency f, from its curve for the field and orientation in use
// (mrtdCurveOf), linear between its points; a negative number outside the curve.
double cameraMrtdAt(const CameraState& camera, double f, bool horizontalBars = false);
