#include "cli/range_command.h"

#include "camera/camera_file.h"
#include "cli/command_words.h"
#include "cli/image_files.h"
#include "cli/provenance.h"
#include "cli/range_output.h"
#include "console/session_statistics.h"
#include "drawing/range_plot.h"
#include "measurement/range_sources.h"
#include "measurement/range_uncertainty.h"
#include "text/messages.h"
#include "text/text_scanner.h"
#include "text/whole_file.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>

namespace {

// An objective run's JSON is a few kilobytes; anything far larger is not one.
constexpr std::size_t maxObjectiveJsonBytes = 16 * 1024 * 1024;
constexpr int plotWidth = 640, plotHeight = 400;

// The camera and session readers word their messages for the window, some over two lines.
std::string oneLine(std::string text) {
    for (char& c : text)
        c = c == '\n' ? ' ' : c;
    return text;
}

int fail(const std::string& error) {
    std::cerr << "tervix-cli: " << oneLine(error) << '\n';
    return 1;
}

// The bars each objective option takes: vertical bars give the horizontal MRTD.
const char* barsOf(const std::string& option) {
    return option == "objective" ? "vertical" : "horizontal";
}

std::optional<MrtdSamples> objectiveSamples(const std::string& option, const std::string& path, std::string& error) {
    const auto text = readTextFile(path, maxObjectiveJsonBytes);
    if (!text) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    const nlohmann::json json = nlohmann::json::parse(*text, nullptr, false);
    // A run that names its orientation must be given as that orientation's curve; older runs name none.
    const auto* measured = json.is_object() && json.contains("provenance") && json["provenance"].is_object() &&
                                   json["provenance"].contains("orientation") &&
                                   json["provenance"]["orientation"].is_string()
                               ? &json["provenance"]["orientation"]
                               : nullptr;
    if (measured && *measured != barsOf(option)) {
        error = path + " was measured with " + measured->get<std::string>() + " bars; --" + option + " takes " +
                barsOf(option) + " bars (give it as --" +
                (option == "objective" ? "objective-horizontal" : "objective") + ")";
        return std::nullopt;
    }
    auto samples = samplesOfObjectiveJson(json, error);
    if (!samples)
        error = path + ": " + error;
    return samples;
}

// The curves of the one source the options name; none, with the reason, when they cannot be had.
std::optional<RangeMrtd> sourceCurves(const CommandWords& words, std::string& error) {
    int sources = 0;
    for (const char* option : {"camera", "session", "objective", "mrtd"})
        sources += words.has(option) ? 1 : 0;
    if (words.has("objective-horizontal") && !words.has("objective"))
        ++sources;
    if (sources != 1) {
        error = "range needs one of --camera FILE, --session FILE, --objective JSON or --mrtd CSV";
        return std::nullopt;
    }
    RangeMrtd mrtd;
    if (words.has("camera")) {
        CameraState camera = defaultCameraState();
        MessageLog log;
        if (!readCameraFile(words.value("camera"), CameraLoadMode::Full, camera, log)) {
            error = log.messages.empty() ? "cannot read " + words.value("camera") : log.messages.front();
            return std::nullopt;
        }
        mrtd = rangeMrtdOfCamera(camera);
        mrtd.source = "camera file " + words.value("camera") + " (its curves for the field in use)";
    } else if (words.has("session")) {
        MessageLog log;
        const auto session = readSessionFile(words.value("session"), log);
        if (!session) {
            error = log.messages.empty() ? "cannot read " + words.value("session") : log.messages.front();
            return std::nullopt;
        }
        const int slot = words.has("slot") ? std::atoi(words.value("slot").c_str()) : 0;
        if (words.has("slot") && (slot < 1 || slot > 5)) {
            error = "the slot must be 1 to 5";
            return std::nullopt;
        }
        const auto groups = sessionStatistics(*session);
        mrtd = rangeMrtdOfSession(groups, slot);
        // The camera file beside the session gives the angular pitch, when it is there.
        for (const SessionGroup& g : groups) {
            const auto path = std::filesystem::path(words.value("session")).parent_path() / g.cameraFile;
            CameraState camera = defaultCameraState();
            MessageLog quiet;
            if ((slot == 0 || g.slot == slot) && readCameraFile(path.string(), CameraLoadMode::Full, camera, quiet)) {
                mrtd.ifovMrad = ifovMradOf(camera.set);
                break;
            }
        }
    } else if (words.has("mrtd")) {
        const auto text = readTextFile(words.value("mrtd"), maxObjectiveJsonBytes);
        if (!text) {
            error = "cannot read " + words.value("mrtd");
            return std::nullopt;
        }
        auto parsed = rangeMrtdOfCsv(*text, error);
        if (!parsed) {
            error = words.value("mrtd") + ": " + error;
            return std::nullopt;
        }
        mrtd = *parsed;
        mrtd.source = "MRTD table " + words.value("mrtd");
    } else {
        mrtd.source = "model observer";
        for (const char* option : {"objective", "objective-horizontal"}) {
            if (!words.has(option))
                continue;
            auto samples = objectiveSamples(option, words.value(option), error);
            if (!samples)
                return std::nullopt;
            (std::string(option) == "objective" ? mrtd.horizontal : mrtd.vertical) = *samples;
            mrtd.source += " " + words.value(option);
        }
    }
    if (curveOf(mrtd.horizontal).empty() && curveOf(mrtd.vertical).empty()) {
        error = "the MRTD source has no value above zero";
        return std::nullopt;
    }
    return mrtd;
}

std::optional<RangeScenario> scenarioOf(const CommandWords& words, std::string& error) {
    RangeScenario s;
    const auto target = targetFromText(words.has("target") ? words.value("target") : targetPresets[0].name);
    if (!target) {
        error = "--target takes nato, person or W,H in metres, each above zero";
        return std::nullopt;
    }
    s.target = *target;
    if (words.has("dt")) {
        const std::string text = words.value("dt");
        double dt = 0.0;
        auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), dt);
        if (fault != std::errc() || end != text.data() + text.size() || !std::isfinite(dt) || dt == 0.0) {
            error = "--dt takes the target's temperature difference in kelvin, not zero";
            return std::nullopt;
        }
        s.target.dt = dt;
    }
    const auto extinction = extinctionFromText(words.has("extinction") ? words.value("extinction") : "clear");
    if (!extinction) {
        error = "--extinction takes clear, humid, haze or a coefficient in km^-1 not below zero";
        return std::nullopt;
    }
    s.extinction = *extinction;
    const auto criteria = criteriaFromText(words.has("criteria") ? words.value("criteria") : "johnson");
    if (!criteria) {
        error = "--criteria takes johnson, 2d or N1,N2,N3 (detection, recognition, identification), each above zero";
        return std::nullopt;
    }
    s.criteria = *criteria;
    const auto dimension = dimensionFromName(words.has("dimension") ? words.value("dimension") : "sqrt");
    if (!dimension) {
        error = "--dimension takes sqrt or min";
        return std::nullopt;
    }
    s.dimension = *dimension;
    for (const std::string& text : words.values("probability")) {
        const auto probabilities = probabilitiesFromText(text);
        if (!probabilities) {
            error = "--probability takes probabilities strictly between 0 and 1";
            return std::nullopt;
        }
        s.probabilities.insert(s.probabilities.end(), probabilities->begin(), probabilities->end());
    }
    return s;
}

// The files the source option names, each with its SHA-256. One measurement given as both orientations
// would pass for a camera whose two curves agree: refused.
std::optional<nlohmann::json> sourceInputs(const CommandWords& words, std::string& error) {
    nlohmann::json inputs = nlohmann::json::object();
    for (const char* option : {"camera", "session", "objective", "objective-horizontal", "mrtd"}) {
        if (!words.has(option))
            continue;
        auto record = inputRecord(words.value(option), error);
        if (!record)
            return std::nullopt;
        if (std::string(option).rfind("objective", 0) == 0)
            (*record)["bars"] = barsOf(option);
        inputs[option] = *record;
    }
    if (inputs.contains("objective") && inputs.contains("objective-horizontal") &&
        inputs["objective"]["sha256"] == inputs["objective-horizontal"]["sha256"]) {
        error = "--objective and --objective-horizontal give one measurement (the same SHA-256); measure the "
                "horizontal bars with tervix-cli mrtd --orientation horizontal";
        return std::nullopt;
    }
    return inputs;
}

std::optional<std::vector<TtpTask>> ttpTasksOf(const CommandWords& words, std::string& error) {
    std::vector<TtpTask> tasks = defaultTtpTasks;
    if (!words.has("v50"))
        return tasks;
    const auto values = criteriaFromText(words.value("v50"));
    if (!values || values->name != "custom") {
        error = "--v50 takes V1,V2,V3 (detection, recognition, identification), each above zero";
        return std::nullopt;
    }
    for (std::size_t k = 0; k < tasks.size(); ++k)
        tasks[k].v50 = values->tasks[k].n50;
    return tasks;
}

} // namespace

std::optional<RangeTaskNames> rangeTaskNames(const CommandWords& words, std::string& error) {
    const auto scenario = scenarioOf(words, error);
    if (!scenario)
        return std::nullopt;
    const auto ttpTasks = ttpTasksOf(words, error);
    if (!ttpTasks)
        return std::nullopt;
    RangeTaskNames names;
    for (const RangeTask& task : scenario->criteria.tasks)
        names.tasks.push_back(task.task);
    for (const TtpTask& task : *ttpTasks)
        names.ttpTasks.push_back(task.task);
    return names;
}

int runRangeCommand(const CommandWords& words) {
    if (!words.positional().empty())
        return fail("range takes options only");
    std::string error;
    const auto scenario = scenarioOf(words, error);
    if (!scenario)
        return fail(error);
    const auto ttpTasks = ttpTasksOf(words, error);
    if (!ttpTasks)
        return fail(error);
    const auto mrtd = sourceCurves(words, error);
    if (!mrtd)
        return fail(error);
    const auto inputs = sourceInputs(words, error);
    if (!inputs)
        return fail(error);
    RangePrediction prediction = predictRanges(*mrtd, *scenario, *ttpTasks);
    addRangeIntervals(prediction, *mrtd);
    if (words.has("json")) {
        nlohmann::json json = rangeJson(prediction);
        json["provenance"] = provenanceJson(words);
        json["provenance"]["inputs"] = *inputs;
        std::cout << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        std::cout << rangeTable(prediction);
    }
    if (words.has("csv") && !writeWholeFile(words.value("csv"), rangeCsv(prediction), error))
        return fail(error);
    if (words.has("plot")) {
        const auto application = words.painting();
        QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintRangeProbabilityPlot(painter, image.rect(), prediction, Qt::black);
        painter.end();
        if (!writePng(image, words.value("plot"), error))
            return fail(error);
    }
    return 0;
}
