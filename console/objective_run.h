#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the model observer measured, as the session keeps it: everything a reader needs to know what
// was measured and how, in the bench's own terms, so that the record outlives the window that ran it
// and the observer's code may change without the files changing.

// How a half (or the MRTD) came out: a value found, none within the trackbar's range, one the range
// cut (the value is the range's end), or none because the frequency lies past the Nyquist frequency
// across the bars, where the observer judges nothing.
enum class RunOutcome { Resolved, NotResolved, CutAtRange, BeyondSamplingLimit };
inline constexpr std::array<const char*, 4> runOutcomeNames{"resolved", "not resolved", "cut at the range",
                                                            "beyond the sampling limit"};
const char* runOutcomeName(RunOutcome outcome);
std::optional<RunOutcome> runOutcomeNamed(const std::string& name);

struct RunHalf {
    RunOutcome outcome = RunOutcome::NotResolved;
    double value = 0.0; // K, signed as the difference applied; no value unless resolved or cut

    bool operator==(const RunHalf&) const = default;
};

// One repeat at one frequency: both halves and the MRTD, half their distance.
struct RunRepeat {
    RunHalf plus, minus, mrtd;

    bool operator==(const RunRepeat&) const = default;
};

// One quantity over the repeats: mean, sample deviation and the 95 % interval of the mean over the
// repeats with a value (sd and interval from two on).
struct RunSummary {
    RunOutcome outcome = RunOutcome::NotResolved;
    double mean = 0.0, sd = 0.0, ciLow = 0.0, ciHigh = 0.0;
    int resolved = 0; // repeats resolved within the range
    int valued = 0;   // repeats with a value, resolved or cut at the range
    int repeats = 0;

    bool hasMean() const { return valued > 0 && mean > 0.0; }
    bool operator==(const RunSummary&) const = default;
};

struct RunFrequency {
    double frequency = 0.0; // cycles per mrad
    RunSummary mrtd, plus, minus;
    std::optional<double> classic;      // K, the classic formula for the camera
    std::optional<double> classicHuman; // K, the same chain through the screen and the eye
    std::optional<double> cameraCurve;  // K, the camera file's curve; none outside it
    std::vector<RunRepeat> repeats;     // in the order of their seeds

    bool operator==(const RunFrequency&) const = default;
};

// The display window held over a run: the Level and Contrast positions.
struct RunDisplayWindow {
    int level = 0;
    int contrast = 0;

    bool operator==(const RunDisplayWindow&) const = default;
};

// The observer's settings and the screen it read: what decides its threshold.
struct RunViewing {
    std::string words;           // the observer and its screen as one sentence, for tables and reports
    double thresholdSnr = 0.0;   // the classic formula's threshold signal-to-noise ratio
    double integrationTime = 0.; // s, the eye's
    bool grid = false;           // stepped on the trackbar's grid rather than searched
    double resolution = 0.0;     // K, where the continuous search stops
    double screenPixel = 0.0;    // mm
    double distance = 0.0;       // m, eye to screen
    double magnifier = 1.0;      // the view's
    double peakLuminance = 0.0;  // cd/m² at grey 255
    std::optional<RunDisplayWindow> displayWindow; // none: automatic, following each image
    // The screen's luminance law below its peak and the person's profile. Runs of earlier releases
    // recorded none of them: gamma 0 and no profile then.
    double gamma = 0.0;                 // the luminance law's exponent
    double blackLuminance = 0.0;        // cd/m² at grey 0
    std::optional<std::string> profile; // the observer profile's file; empty: the published eye's

    bool operator==(const RunViewing&) const = default;
};

// One run of the model observer on one camera slot and bar orientation.
struct ObjectiveRun {
    std::string time; // ISO 8601, UTC: when the run ended
    int slot = 1;     // 1 ... 5, as the window numbers it
    std::string cameraFile;
    std::string cameraSha256; // hex; empty when the file could not be read to hash it
    std::string imageModel;
    std::string observer; // "ideal" or "human", as the model observer names its kinds
    RunViewing viewing;
    std::string orientation; // orientationVertical or orientationHorizontal
    std::vector<RunFrequency> frequencies;
    // cycles/mrad across the bars, where the run's sampling limit lies; none in runs of earlier
    // releases, which did not stop there.
    std::optional<double> nyquist;
    // The observer's reference curve (frequency in cycles/mrad, K) up to the lowest frequency
    // measured, which is its last point: what a range takes below the measured band.
    std::vector<std::pair<double, double>> referenceBelow;
    std::uint32_t seed = 1;
    int repeats = 0;
    std::string version; // of the bench that measured

    bool operator==(const ObjectiveRun&) const = default;
};

// The latest run of a slot in an orientation among runs kept in the order they were made; none when
// there is none.
const ObjectiveRun* latestObjectiveRun(const std::vector<ObjectiveRun>& runs, int slot, const std::string& orientation);
// The latest run of each slot and orientation, in slot order, vertical bars before horizontal.
std::vector<const ObjectiveRun*> latestObjectiveRuns(const std::vector<ObjectiveRun>& runs);
// The run that belongs beside the observers' readings of a slot, camera file, image model and
// orientation: the latest of the slot and orientation, when it measured that file with that model.
const ObjectiveRun* objectiveRunBeside(const std::vector<ObjectiveRun>& runs, int slot, const std::string& cameraFile,
                                       const std::string& imageModel, const std::string& orientation);
// A run's frequency row; none when the run did not measure that frequency.
const RunFrequency* runFrequencyAt(const ObjectiveRun& run, double frequency);

// A run as the session file and `tervix-cli session --json` write it, and its strict reading: a
// value that is not a run gives false and a reason naming the run's place ("objective run 2: ...").
nlohmann::json objectiveRunJson(const ObjectiveRun& run);
bool readObjectiveRun(const nlohmann::json& item, std::size_t index, ObjectiveRun& run, std::string& reason);
