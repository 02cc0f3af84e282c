#include "fuzz/fuzz_targets.h"

#include "camera/camera_file.h"
#include "console/bench.h"
#include "console/bench_case.h"
#include "console/bench_state.h"
#include "console/plot_geometry.h"
#include "console/session.h"
#include "console/session_statistics.h"
#include "target/target_file.h"
#include "text/messages.h"

#include <algorithm>
#include <cstdlib>
#include <string>

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
    readAtmosphereText(textOf(data, size), table);
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
