#include "fuzz/fuzz_targets.h"

#include "camera/camera_file.h"
#include "console/bench.h"
#include "console/bench_case.h"
#include "console/bench_state.h"
#include "console/plot_geometry.h"
#include "console/session.h"
#include "console/session_statistics.h"
#include "drawing/requirement_curve.h"
#include "measurement/range_prediction.h"
#include "measurement/range_sources.h"
#include "measurement/range_study.h"
#include "measurement/study_table.h"
#include "target/target_file.h"
#include "text/messages.h"
#include "text/strict_json.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

// Keeps the messages and checks nothing lies about the load.
class QuietMessages : public MessageSink {
public:
    void message(const std::string& text) override { count += text.empty() ? 0 : 1; }
    int count = 0;
};

std::string textOf(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A curve that reads is what the range's arithmetic assumes: finite values above zero at distinct
// rising frequencies; the ranges from it are numbers, whatever the curve's shape.
void checkCurvesAndRanges(const RangeMrtd& mrtd) {
    for (const MrtdSamples* samples : {&mrtd.horizontal, &mrtd.vertical})
        for (std::size_t k = 0; k < samples->size(); ++k) {
            const MrtdSample& s = (*samples)[k];
            if (!std::isfinite(s.frequency) || !(s.frequency > 0.0) || !std::isfinite(s.mrtd) || !(s.mrtd > 0.0) ||
                (k > 0 && !(s.frequency > (*samples)[k - 1].frequency)) ||
                (s.ci95 && !(s.ci95->first <= s.ci95->second)))
                std::abort();
        }
    if (hasNoValue(mrtd))
        return;
    const RangePrediction prediction = predictRanges(mrtd, RangeScenario{});
    for (const TaskRange& task : prediction.tasks)
        if (!std::isfinite(task.crossing.rangeKm) || !std::isfinite(task.crossing.frequency))
            std::abort();
    for (const TtpRange& ttp : prediction.ttp)
        if (!std::isfinite(ttp.rangeKm))
            std::abort();
}

// A detector this size at most keeps each pipeline run short.
constexpr int fuzzDetectorSide = 64;

} // namespace

int fuzzCameraFile(const std::uint8_t* data, std::size_t size) {
    for (CameraLoadMode mode : {CameraLoadMode::Full, CameraLoadMode::SwitchCamera}) {
        CameraState camera = defaultCameraState();
        const CameraState before = camera;
        QuietMessages messages;
        const bool loaded = readCameraText(textOf(data, size), "fuzz.par", mode, camera, messages);
        // A refused file says so and changes nothing; a loaded one says nothing.
        if (loaded != (messages.count == 0) || (!loaded && !(camera == before)))
            std::abort();
    }
    return 0;
}

int fuzzTargetFile(const std::uint8_t* data, std::size_t size) {
    Target target;
    QuietMessages messages;
    // A refused file says so and leaves the target empty.
    if (!readTargetText(textOf(data, size), target, 0, "fuzz.tag", messages) &&
        (messages.count == 0 || !target.items.empty()))
        std::abort();
    for (int index : target.distanceOrder) {
        const TargetItem& item = target.items.at(static_cast<std::size_t>(index));
        if (item.vertices.size() != static_cast<std::size_t>(item.vertexCount * item.dimension))
            std::abort();
    }
    return 0;
}

int fuzzAtmosphereFile(const std::uint8_t* data, std::size_t size) {
    AtmosphereTable table;
    const AtmosphereTable before = table;
    std::string error;
    // A refused file says why and leaves the table as it was; a read one holds only finite values.
    if (!readAtmosphereText(textOf(data, size), "fuzz.ini", table, error)) {
        if (error.empty() || table.atmosphereBlur != before.atmosphereBlur || table.row3 != before.row3)
            std::abort();
        return 0;
    }
    for (float blur : table.atmosphereBlur)
        if (!std::isfinite(blur) || blur < 0.0f)
            std::abort();
    return 0;
}

int fuzzPipeline(const std::uint8_t* data, std::size_t size) {
    const std::string text = textOf(data, size);
    const std::size_t split = text.find("\n%%\n");
    if (split == std::string::npos)
        return 0;
    const unsigned char choice = size > 0 ? data[size - 1] : 0;
    BenchState state;
    QuietMessages messages;
    Bench bench(state, messages);
    BenchCase benchCase;
    BenchSources& sources = benchCase.sources;
    sources.atmosphere =
        BenchSource{"fuzz.ini", "0 0 0 0 0 0 0\n0 0 0 0 0 0 0\n1 1 1 1 1 1 1\n1\n0 .01 .02 .04 .06 .1 .2 .4\n0\n"};
    sources.camera = {"fuzz.par", text.substr(0, split)};
    sources.target = {"fuzz.tag", text.substr(split + 4)};
    sources.adjustCamera = [](CameraSet& c) {
        for (std::int32_t* side : {&c.sensorWidth, &c.sensorHeight, &c.detectorColumns, &c.detectorRows, &c.scanLines})
            *side = std::min(*side, fuzzDetectorSide);
        if (c.matrixDetector == 0 && c.fovTable[2][0] / c.fovTable[2][1] > 1.0f)
            c.scanLines = std::max(1, static_cast<int>(c.scanLines * c.fovTable[2][1] / c.fovTable[2][0]));
    };
    benchCase.randomise = (choice & 0x80) != 0;
    benchCase.frequency = frequencyChoices[choice % frequencyChoices.size()].frequency;
    benchCase.temperatureDifference =
        ((choice * 7) % (2 * temperatureGridSteps + 1) - temperatureGridSteps) / temperatureGridStepsPerKelvin;
    if (applyBenchCase(bench, benchCase) != BenchOpenFault::None)
        return 0;
    std::vector<std::uint8_t> frame;
    auto displayWhole = [&state] {
        return state.sim.displayImage.size() ==
               static_cast<std::size_t>(state.sim.imageWidth) * state.sim.imageHeight * 3;
    };
    nextFrame(state, false, frame);
    if (!displayWhole())
        std::abort();
    // The same scene through the physical image model.
    bench.setImageModel(ImageModel::Physical);
    nextFrame(state, false, frame);
    if (!displayWhole())
        std::abort();
    return 0;
}

int fuzzSessionFile(const std::uint8_t* data, std::size_t size) {
    std::string reason;
    const auto session = parseSession(textOf(data, size), reason);
    // A refusal always says why.
    if (!session && reason.empty())
        std::abort();
    if (!session)
        return 0;
    std::string again;
    const auto reread = parseSession(sessionText(*session), again);
    if (!reread || !(*reread == *session))
        std::abort();
    const std::vector<SessionGroup> groups = sessionStatistics(*session);
    // Each output has at least its header, whatever the groups.
    if (statisticsJson(groups).empty() || statisticsCsv(groups).empty() || statisticsTable(groups).empty() ||
        sessionJson(*session).empty())
        std::abort();
    // The report's plot, at the size the report draws it, places every mean and interval.
    double smallest = 0.0, largest = 0.0;
    for (const SessionGroup& g : groups)
        if (g.mean && *g.mean > 0.0) {
            smallest = smallest == 0.0 ? *g.mean : std::min(smallest, *g.mean);
            largest = std::max(largest, *g.mean);
        }
    const PlotScale scale = plotScaleSpanning(1500, 900, smallest, largest);
    for (const SessionGroup& g : groups)
        if (g.mean && *g.mean > 0.0)
            plotErrorBar(scale, g.frequency, *g.mean, g.ci95);
    for (const SessionReading& r : session->readings)
        resultsOf(*session, r.observer, r.orientation);
    return 0;
}

int fuzzMrtdTable(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto mrtd = rangeMrtdOfCsv(textOf(data, size), error);
    if (!mrtd && error.empty())
        std::abort();
    if (mrtd)
        checkCurvesAndRanges(*mrtd);
    return 0;
}

int fuzzObjectiveJson(const std::uint8_t* data, std::size_t size) {
    std::string reason;
    const auto json = parseStrictJson(textOf(data, size), reason);
    const auto curve = json ? objectiveCurveOfJson(*json, reason) : std::nullopt;
    if (!curve && reason.empty())
        std::abort();
    if (curve) {
        RangeMrtd mrtd;
        mrtd.horizontal = mrtd.vertical = curve->samples;
        mrtd.horizontalEnd = mrtd.verticalEnd = curve->end;
        mrtd.horizontalBelow = mrtd.verticalBelow = curve->below;
        checkCurvesAndRanges(mrtd);
    }
    return 0;
}

int fuzzRequirement(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto curve = parseRequirement(textOf(data, size), "fuzz.csv", error);
    if (!curve && error.empty())
        std::abort();
    for (std::size_t k = 0; curve && k < curve->size(); ++k) {
        const double low = (*curve)[k].frequency, high = k + 1 < curve->size() ? (*curve)[k + 1].frequency : low;
        for (double f : {low, 0.5 * (low + high)}) {
            const auto limit = requirementAt(*curve, f);
            if (!limit || !std::isfinite(*limit) || !(*limit > 0.0))
                std::abort();
        }
    }
    return 0;
}

int fuzzStudyPlan(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto plan = parseStudyPlan(textOf(data, size), 100000, error);
    if (!plan) {
        if (error.empty())
            std::abort();
        return 0;
    }
    const std::size_t jobs = studyJobCount(*plan);
    if (jobs == 0 || jobs > 100000)
        std::abort();
    canonicalStudyPlan(*plan);
    static const std::string base = [] {
        std::string problem;
        return readBoundedTextFile(TERVIX_SHIPPED_DATA_DIR "/camera1.par", cameraFileLimits, problem).value_or("");
    }();
    for (std::size_t job : {std::size_t(1), jobs})
        if (!studyCameraText(base, *plan, studyPoint(*plan, job), error) && error.empty())
            std::abort();
    return 0;
}

int fuzzStudyResult(const std::uint8_t* data, std::size_t size) {
    // A job's result file as the merge takes it: strict JSON with the job's tasks and its study block.
    // Older corpus entries put a plan before "%%"; the result is what follows it.
    std::string text = textOf(data, size);
    if (const std::size_t split = text.find("\n%%\n"); split != std::string::npos)
        text.erase(0, split + 4);
    std::string reason;
    const auto json = parseStrictJson(text, reason);
    if (!json) {
        if (reason.empty())
            std::abort();
        return 0;
    }
    if (!json->is_object() || !json->contains("tasks") || !json->contains("study") || !(*json)["study"].is_object())
        return 0;
    static const StudyTableLayout layout{
        {"netd"}, {"detection", "recognition", "identification"}, {"detection", "recognition", "identification"}};
    if (studyTableRow(layout, 1, {0.1}, *json).empty())
        std::abort();
    return 0;
}
