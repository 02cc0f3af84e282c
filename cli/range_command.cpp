#include "cli/range_command.h"

#include "cli/command_words.h"
#include "cli/image_files.h"
#include "cli/provenance.h"
#include "cli/range_output.h"
#include "cli/refusal.h"
#include "drawing/range_plot.h"
#include "measurement/range_inputs.h"
#include "measurement/range_uncertainty.h"
#include "text/output_file.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>

namespace {

constexpr int plotWidth = 640, plotHeight = 400;

// The one source the options name, and the folders its camera file is looked for in: the camera
// file's own, or beside the session and then in the working folder as the session's report does.
std::optional<RangeSource> sourceOf(const CommandWords& words, std::vector<std::string>& cameraFolders,
                                    std::string& error) {
    int sources = 0;
    for (const char* option : {"camera", "session", "objective", "mrtd"})
        sources += words.has(option) ? 1 : 0;
    if (words.has("objective-horizontal") && !words.has("objective"))
        ++sources;
    if (sources != 1) {
        error = "range needs one of --camera FILE, --session FILE, --objective JSON or --mrtd CSV";
        return std::nullopt;
    }
    if (words.has("camera")) {
        const std::filesystem::path camera = words.value("camera");
        cameraFolders = {camera.parent_path().string()};
        return CameraCurvesSource{camera.filename().string()};
    }
    if (words.has("session")) {
        const int slot = words.has("slot") ? std::atoi(words.value("slot").c_str()) : 0;
        if (words.has("slot") && (slot < 1 || slot > 5)) {
            error = "the slot must be 1 to 5";
            return std::nullopt;
        }
        cameraFolders = {std::filesystem::path(words.value("session")).parent_path().string(), "."};
        return SessionFileSource{words.value("session"), slot};
    }
    if (words.has("mrtd"))
        return MrtdTableSource{words.value("mrtd")};
    return ObjectiveJsonSource{words.value("objective"), words.value("objective-horizontal")};
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

// The bars each objective option takes: vertical bars give the horizontal MRTD.
const char* barsOf(const std::string& option) {
    return option == "objective" ? "vertical" : "horizontal";
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

// The TTP criteria: the published vehicle set, its V50 (--v50) or its probability function
// (--ttp-exponent A,B for E = A + B V/V50) replaced where asked, and then named as given.
std::optional<TtpCriteria> ttpCriteriaOf(const CommandWords& words, std::string& error) {
    TtpCriteria criteria = vehicleTtpCriteria();
    if (words.has("v50")) {
        const auto values = criteriaFromText(words.value("v50"));
        if (!values || values->name != "custom") {
            error = "--v50 takes V1,V2,V3 (detection, recognition, identification), each above zero";
            return std::nullopt;
        }
        for (std::size_t k = 0; k < criteria.tasks.size(); ++k)
            criteria.tasks[k].v50 = values->tasks[k].n50;
        criteria.name = "V50 as given";
        criteria.source = "--v50; the probability function of " + vehicleTtpCriteria().source;
    }
    if (words.has("ttp-exponent")) {
        const auto values = numbersFromText(words.value("ttp-exponent"));
        if (!values || values->size() != 2 || !((*values)[0] > 0.0) || (*values)[1] < 0.0) {
            error = "--ttp-exponent takes A,B, the probability function's exponent E = A + B V/V50: A above zero, B "
                    "not below";
            return std::nullopt;
        }
        criteria.exponentA = (*values)[0];
        criteria.exponentB = (*values)[1];
        criteria.name = words.has("v50") ? "V50 and probability function as given" : "probability function as given";
        criteria.source = words.has("v50") ? "--v50, --ttp-exponent" : "--ttp-exponent; the V50 of " + criteria.source;
    }
    return criteria;
}

} // namespace

std::optional<RangeTaskNames> rangeTaskNames(const CommandWords& words, std::string& error) {
    const auto scenario = scenarioOf(words, error);
    if (!scenario)
        return std::nullopt;
    const auto ttp = ttpCriteriaOf(words, error);
    if (!ttp)
        return std::nullopt;
    RangeTaskNames names;
    for (const RangeTask& task : scenario->criteria.tasks)
        names.tasks.push_back(task.task);
    for (const TtpTask& task : ttp->tasks)
        names.ttpTasks.push_back(task.task);
    return names;
}

int runRangeCommand(const CommandWords& words) {
    if (!words.positional().empty())
        return usageError("range takes options only");
    std::string error;
    const auto scenario = scenarioOf(words, error);
    if (!scenario)
        return usageError(error);
    const auto ttp = ttpCriteriaOf(words, error);
    if (!ttp)
        return usageError(error);
    std::vector<std::string> cameraFolders;
    const auto source = sourceOf(words, cameraFolders, error);
    if (!source)
        return usageError(error);
    const auto mrtd = assembleRangeMrtd(*source, cameraFolders, error);
    if (!mrtd)
        return fail(error);
    const auto inputs = sourceInputs(words, error);
    if (!inputs)
        return fail(error);
    if (hasNoValue(*mrtd))
        return fail("the MRTD source has no value above zero");
    RangePrediction prediction = predictRanges(*mrtd, *scenario, *ttp);
    addRangeIntervals(prediction, *mrtd);
    // With an output on standard output, that output is all a pipe receives.
    if (!words.standardOutputTaken() && words.has("json")) {
        nlohmann::json json = rangeJson(prediction);
        json["provenance"] = provenanceJson(words);
        json["provenance"]["inputs"] = *inputs;
        std::cout << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else if (!words.standardOutputTaken()) {
        std::cout << rangeTable(prediction);
    }
    if (words.has("csv") && !writeOutputFile(words.value("csv"), rangeCsv(prediction), error))
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
