#include "console/objective_run.h"

#include "camera/camera_file.h"
#include "console/mrtd_results.h"
#include "console/session.h"
#include "text/iso_time.h"
#include "text/strict_json.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <utility>

using nlohmann::json;
using strictJson::isInt;
using strictJson::isNumber;
using strictJson::need;

namespace {

bool hasValue(RunOutcome outcome) {
    return outcome == RunOutcome::Resolved || outcome == RunOutcome::CutAtRange;
}

json halfJson(const RunHalf& h) {
    return {{"outcome", runOutcomeName(h.outcome)}, {"value", hasValue(h.outcome) ? json(h.value) : json(nullptr)}};
}

json summaryJson(const RunSummary& s) {
    return {{"outcome", runOutcomeName(s.outcome)},
            {"mean", s.mean},
            {"sd", s.sd},
            {"ci95", {s.ciLow, s.ciHigh}},
            {"resolved", s.resolved},
            {"valued", s.valued},
            {"repeats", s.repeats}};
}

json optionalJson(const std::optional<double>& value) {
    return value ? json(*value) : json(nullptr);
}

// Each reader below checks one object of a run; `at` names where it sits for the reason.
bool readOutcome(const json& item, const std::string& at, RunOutcome& outcome, std::string& reason) {
    const auto named = item.contains("outcome") && item["outcome"].is_string()
                           ? runOutcomeNamed(item["outcome"].get<std::string>())
                           : std::nullopt;
    if (!need(named.has_value(), reason,
              at + " \"outcome\" is not \"" + runOutcomeNames[0] + "\", \"" + runOutcomeNames[1] + "\", \"" +
                  runOutcomeNames[2] + "\" or \"" + runOutcomeNames[3] + "\""))
        return false;
    outcome = *named;
    return true;
}

bool readHalf(const json& item, const std::string& at, RunHalf& h, std::string& reason) {
    if (!need(item.is_object(), reason, at + " is not an object") || !readOutcome(item, at, h.outcome, reason))
        return false;
    if (!hasValue(h.outcome))
        return need(item.contains("value") && item["value"].is_null(), reason, at + " \"value\" is not null");
    if (!need(item.contains("value") && isNumber(item["value"]), reason, at + " \"value\" is not a number"))
        return false;
    h.value = item["value"].get<double>();
    return true;
}

bool readSummary(const json& item, const std::string& at, RunSummary& s, std::string& reason) {
    if (!need(item.is_object(), reason, at + " is not an object") || !readOutcome(item, at, s.outcome, reason))
        return false;
    for (auto [key, field] : {std::pair{"mean", &s.mean}, std::pair{"sd", &s.sd}}) {
        if (!need(item.contains(key) && isNumber(item[key]), reason, at + " \"" + key + "\" is not a number"))
            return false;
        *field = item[key].get<double>();
    }
    const json* ci = item.contains("ci95") ? &item["ci95"] : nullptr;
    if (!need(ci && ci->is_array() && ci->size() == 2 && isNumber((*ci)[0]) && isNumber((*ci)[1]), reason,
              at + " \"ci95\" is not two numbers"))
        return false;
    s.ciLow = (*ci)[0].get<double>();
    s.ciHigh = (*ci)[1].get<double>();
    for (auto [key, field] :
         {std::pair{"resolved", &s.resolved}, std::pair{"valued", &s.valued}, std::pair{"repeats", &s.repeats}}) {
        if (!need(item.contains(key) && isInt(item[key]) && item[key].get<int>() >= 0, reason,
                  at + " \"" + key + "\" is not a count"))
            return false;
        *field = item[key].get<int>();
    }
    return need(s.resolved <= s.valued && s.valued <= s.repeats, reason,
                at + " counts more repeats resolved or valued than it ran");
}

bool readOptional(const json& item, const char* key, const std::string& at, std::optional<double>& value,
                  std::string& reason) {
    if (!need(item.contains(key) && (item[key].is_null() || isNumber(item[key])), reason,
              at + " \"" + key + "\" is neither a number nor null"))
        return false;
    value = item[key].is_null() ? std::nullopt : std::optional(item[key].get<double>());
    return true;
}

bool readFrequency(const json& item, const std::string& at, RunFrequency& f, std::string& reason) {
    if (!need(item.is_object(), reason, at + " is not an object"))
        return false;
    if (!need(item.contains("frequency") && isNumber(item["frequency"]), reason, at + " \"frequency\" is not a number"))
        return false;
    if (const std::string problem = frequencyProblem(item["frequency"].get<double>()); !problem.empty()) {
        reason = at + ": " + problem;
        return false;
    }
    f.frequency = item["frequency"].get<double>();
    for (auto [key, summary] : {std::pair{"mrtd", &f.mrtd}, std::pair{"plus", &f.plus}, std::pair{"minus", &f.minus}})
        if (!need(item.contains(key), reason, at + " has no \"" + key + "\"") ||
            !readSummary(item[key], at + " \"" + key + "\"", *summary, reason))
            return false;
    for (auto [key, value] : {std::pair{"classic", &f.classic}, std::pair{"classicHuman", &f.classicHuman},
                              std::pair{"cameraCurve", &f.cameraCurve}})
        if (!readOptional(item, key, at, *value, reason))
            return false;
    if (!need(item.contains("repeats") && item["repeats"].is_array(), reason, at + " \"repeats\" is not a list"))
        return false;
    const json& repeats = item["repeats"];
    for (std::size_t k = 0; k < repeats.size(); ++k) {
        const std::string here = at + " repeat " + std::to_string(k + 1);
        RunRepeat& r = f.repeats.emplace_back();
        if (!need(repeats[k].is_object(), reason, here + " is not an object"))
            return false;
        for (auto [key, half] : {std::pair{"plus", &r.plus}, std::pair{"minus", &r.minus}, std::pair{"mrtd", &r.mrtd}})
            if (!need(repeats[k].contains(key), reason, here + " has no \"" + key + "\"") ||
                !readHalf(repeats[k][key], here + " \"" + key + "\"", *half, reason))
                return false;
    }
    return true;
}

bool readViewing(const json& item, const std::string& at, RunViewing& v, std::string& reason) {
    if (!need(item.is_object(), reason, at + " is not an object") ||
        !need(item.contains("words") && item["words"].is_string(), reason, at + " has no text \"words\"") ||
        !need(item.contains("grid") && item["grid"].is_boolean(), reason, at + " \"grid\" is neither true nor false"))
        return false;
    v.words = item["words"].get<std::string>();
    v.grid = item["grid"].get<bool>();
    for (auto [key, field] : {std::pair{"thresholdSnr", &v.thresholdSnr},
                              {"integrationTime", &v.integrationTime},
                              {"resolution", &v.resolution},
                              {"screenPixel", &v.screenPixel},
                              {"distance", &v.distance},
                              {"magnifier", &v.magnifier},
                              {"peakLuminance", &v.peakLuminance}}) {
        if (!need(item.contains(key) && isNumber(item[key]) && item[key].get<double>() > 0.0, reason,
                  at + " \"" + key + "\" is not a positive number"))
            return false;
        *field = item[key].get<double>();
    }
    // Recorded since the screen's whole law and the profile were kept; a run without them is older.
    if (item.contains("gamma") || item.contains("blackLuminance")) {
        if (!need(item.contains("gamma") && isNumber(item["gamma"]) && item["gamma"].get<double>() > 0.0 &&
                      item["gamma"].get<double>() <= 10.0,
                  reason, at + " \"gamma\" is not a number above 0 and at most 10") ||
            !need(item.contains("blackLuminance") && isNumber(item["blackLuminance"]) &&
                      item["blackLuminance"].get<double>() >= 0.0 &&
                      item["blackLuminance"].get<double>() < v.peakLuminance,
                  reason, at + " \"blackLuminance\" is not a number from 0 to below \"peakLuminance\""))
            return false;
        v.gamma = item["gamma"].get<double>();
        v.blackLuminance = item["blackLuminance"].get<double>();
    }
    if (item.contains("profile")) {
        if (!need(item["profile"].is_string(), reason, at + " \"profile\" is not a text"))
            return false;
        v.profile = item["profile"].get<std::string>();
    }
    if (!need(item.contains("displayWindow"), reason, at + " has no \"displayWindow\""))
        return false;
    const json& window = item["displayWindow"];
    if (window.is_null())
        return true;
    if (!need(window.is_object() && window.contains("level") && window.contains("contrast") && isInt(window["level"]) &&
                  isInt(window["contrast"]),
              reason, at + " \"displayWindow\" is neither null nor a level and contrast"))
        return false;
    v.displayWindow = RunDisplayWindow{window["level"].get<int>(), window["contrast"].get<int>()};
    return true;
}

} // namespace

const char* runOutcomeName(RunOutcome outcome) {
    return runOutcomeNames[static_cast<std::size_t>(outcome)];
}

std::optional<RunOutcome> runOutcomeNamed(const std::string& name) {
    for (RunOutcome outcome :
         {RunOutcome::Resolved, RunOutcome::NotResolved, RunOutcome::CutAtRange, RunOutcome::BeyondSamplingLimit})
        if (name == runOutcomeName(outcome))
            return outcome;
    return std::nullopt;
}

const ObjectiveRun* latestObjectiveRun(const std::vector<ObjectiveRun>& runs, int slot,
                                       const std::string& orientation) {
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        if (run->slot == slot && run->orientation == orientation)
            return &*run;
    return nullptr;
}

std::vector<const ObjectiveRun*> latestObjectiveRuns(const std::vector<ObjectiveRun>& runs) {
    std::vector<const ObjectiveRun*> latest;
    for (int slot = 1; slot <= cameraSlots; ++slot)
        for (const char* orientation : {orientationVertical, orientationHorizontal})
            if (const ObjectiveRun* run = latestObjectiveRun(runs, slot, orientation))
                latest.push_back(run);
    return latest;
}

const ObjectiveRun* objectiveRunBeside(const std::vector<ObjectiveRun>& runs, int slot, const std::string& cameraFile,
                                       const std::string& imageModel, const std::string& orientation) {
    const ObjectiveRun* run = latestObjectiveRun(runs, slot, orientation);
    return run && run->cameraFile == cameraFile && run->imageModel == imageModel ? run : nullptr;
}

const RunFrequency* runFrequencyAt(const ObjectiveRun& run, double frequency) {
    for (const RunFrequency& f : run.frequencies)
        if (std::abs(f.frequency - frequency) < 1e-9)
            return &f;
    return nullptr;
}

json objectiveRunJson(const ObjectiveRun& run) {
    json frequencies = json::array();
    for (const RunFrequency& f : run.frequencies) {
        json repeats = json::array();
        for (const RunRepeat& r : f.repeats)
            repeats.push_back({{"plus", halfJson(r.plus)}, {"minus", halfJson(r.minus)}, {"mrtd", halfJson(r.mrtd)}});
        frequencies.push_back({{"frequency", f.frequency},
                               {"mrtd", summaryJson(f.mrtd)},
                               {"plus", summaryJson(f.plus)},
                               {"minus", summaryJson(f.minus)},
                               {"classic", optionalJson(f.classic)},
                               {"classicHuman", optionalJson(f.classicHuman)},
                               {"cameraCurve", optionalJson(f.cameraCurve)},
                               {"repeats", std::move(repeats)}});
    }
    json below = json::array();
    for (const auto& [f, mrtd] : run.referenceBelow)
        below.push_back({{"frequency", f}, {"mrtd", mrtd}});
    const RunViewing& v = run.viewing;
    const json window =
        v.displayWindow ? json{{"level", v.displayWindow->level}, {"contrast", v.displayWindow->contrast}} : json();
    json viewing = {{"words", v.words},       {"thresholdSnr", v.thresholdSnr}, {"integrationTime", v.integrationTime},
                    {"grid", v.grid},         {"resolution", v.resolution},     {"screenPixel", v.screenPixel},
                    {"distance", v.distance}, {"magnifier", v.magnifier},       {"peakLuminance", v.peakLuminance},
                    {"displayWindow", window}};
    if (v.gamma > 0.0) {
        viewing["gamma"] = v.gamma;
        viewing["blackLuminance"] = v.blackLuminance;
    }
    if (v.profile)
        viewing["profile"] = *v.profile;
    return {{"time", run.time},
            {"slot", run.slot},
            {"cameraFile", run.cameraFile},
            {"cameraSha256", run.cameraSha256.empty() ? json(nullptr) : json(run.cameraSha256)},
            {"imageModel", run.imageModel},
            {"observer", run.observer},
            {"viewing", std::move(viewing)},
            {"orientation", run.orientation},
            {"seed", run.seed},
            {"repeats", run.repeats},
            {"version", run.version},
            {"nyquist", optionalJson(run.nyquist)},
            {"referenceBelow", std::move(below)},
            {"frequencies", std::move(frequencies)}};
}

bool readObjectiveRun(const json& item, std::size_t index, ObjectiveRun& run, std::string& reason) {
    const std::string at = "objective run " + std::to_string(index + 1);
    if (!need(item.is_object(), reason, at + " is not an object"))
        return false;
    if (!strictJson::needTexts(item, {"time", "cameraFile", "imageModel", "observer", "orientation", "version"}, at,
                               reason))
        return false;
    run.time = item["time"].get<std::string>();
    run.cameraFile = item["cameraFile"].get<std::string>();
    run.imageModel = item["imageModel"].get<std::string>();
    run.observer = item["observer"].get<std::string>();
    run.orientation = item["orientation"].get<std::string>();
    run.version = item["version"].get<std::string>();
    if (!need(isIsoUtcTime(run.time), reason, at + ": \"time\" is not an ISO 8601 UTC time") ||
        !need(!run.cameraFile.empty() && !run.observer.empty(), reason,
              at + ": \"cameraFile\" and \"observer\" must not be empty") ||
        !need(imageModelFromName(run.imageModel).has_value(), reason,
              at + ": \"imageModel\" is neither \"" + imageModelName(ImageModel::Specified) + "\" nor \"" +
                  imageModelName(ImageModel::Physical) + "\"") ||
        !need(run.orientation == orientationVertical || run.orientation == orientationHorizontal, reason,
              at + ": \"orientation\" is neither \"vertical\" nor \"horizontal\""))
        return false;
    const json* slot = item.contains("slot") ? &item["slot"] : nullptr;
    if (!need(slot && isInt(*slot) && slot->get<int>() >= 1 && slot->get<int>() <= cameraSlots, reason,
              at + ": \"slot\" is not a camera slot from 1 to " + std::to_string(cameraSlots)))
        return false;
    run.slot = slot->get<int>();
    const json* sha = item.contains("cameraSha256") ? &item["cameraSha256"] : nullptr;
    if (!need(sha && (sha->is_null() ||
                      (sha->is_string() && sha->get<std::string>().size() == 64 &&
                       sha->get<std::string>().find_first_not_of("0123456789abcdef") == std::string::npos)),
              reason, at + ": \"cameraSha256\" is neither null nor 64 hexadecimal digits"))
        return false;
    run.cameraSha256 = sha->is_null() ? std::string() : sha->get<std::string>();
    const json* seed = item.contains("seed") ? &item["seed"] : nullptr;
    if (!need(seed && seed->is_number_unsigned() && seed->get<unsigned long long>() <= UINT32_MAX, reason,
              at + ": \"seed\" is not a 32-bit unsigned number") ||
        !need(item.contains("repeats") && isInt(item["repeats"]) && item["repeats"].get<int>() >= 1, reason,
              at + ": \"repeats\" is not a positive whole number"))
        return false;
    run.seed = static_cast<std::uint32_t>(seed->get<unsigned long long>());
    run.repeats = item["repeats"].get<int>();
    if (!need(item.contains("viewing"), reason, at + " has no \"viewing\"") ||
        !readViewing(item["viewing"], at + ": \"viewing\"", run.viewing, reason) ||
        !need(item.contains("frequencies") && item["frequencies"].is_array(), reason,
              at + ": \"frequencies\" is not a list"))
        return false;
    const json& frequencies = item["frequencies"];
    for (std::size_t k = 0; k < frequencies.size(); ++k) {
        if (!readFrequency(frequencies[k], at + ": frequency " + std::to_string(k + 1), run.frequencies.emplace_back(),
                           reason))
            return false;
        // A frequency past the sampling limit was not measured: it holds no repeats.
        const RunFrequency& f = run.frequencies.back();
        const std::size_t held = f.mrtd.outcome == RunOutcome::BeyondSamplingLimit ? 0 : std::size_t(run.repeats);
        if (!need(f.repeats.size() == held, reason,
                  at + ": frequency " + std::to_string(k + 1) + " does not hold " + std::to_string(held) + " repeats"))
            return false;
    }
    // Runs of earlier releases name neither the sampling limit nor the reference below.
    if (item.contains("nyquist") && !item["nyquist"].is_null()) {
        if (!need(isNumber(item["nyquist"]) && item["nyquist"].get<double>() > 0.0, reason,
                  at + ": \"nyquist\" is not a positive number"))
            return false;
        run.nyquist = item["nyquist"].get<double>();
    }
    if (item.contains("referenceBelow")) {
        const json& below = item["referenceBelow"];
        if (!need(below.is_array(), reason, at + ": \"referenceBelow\" is not a list"))
            return false;
        for (const json& point : below) {
            if (!need(point.is_object() && point.contains("frequency") && point.contains("mrtd") &&
                          isNumber(point["frequency"]) && isNumber(point["mrtd"]),
                      reason, at + ": a \"referenceBelow\" point is not a frequency and an MRTD"))
                return false;
            run.referenceBelow.emplace_back(point["frequency"].get<double>(), point["mrtd"].get<double>());
        }
    }
    return true;
}
