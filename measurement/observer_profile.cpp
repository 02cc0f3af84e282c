#include "measurement/observer_profile.h"

#include "text/strict_json.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

using nlohmann::json;

// A factor a person could have: far beyond these a fit has gone wrong or the file was edited.
constexpr double smallestFactor = 1e-3, largestFactor = 1e3;

bool isFactor(const json& value) {
    return value.is_number() && value.get<double>() >= smallestFactor && value.get<double>() <= largestFactor;
}

bool isCount(const json& value) {
    return value.is_number_integer() && value.get<long long>() >= 0 && value.get<long long>() <= 1000000000;
}

} // namespace

std::string observerProfileText(const ObserverProfileFile& file) {
    const json text = {
        {"format", observerProfileFormat},
        {"version", observerProfileVersion},
        {"thresholdFactor", file.thresholdFactor},
        {"noiseEfficiency", file.noiseEfficiency},
        {"ci95", {{"thresholdFactor", file.thresholdFactorCi95}, {"noiseEfficiency", file.noiseEfficiencyCi95}}},
        {"observers", file.observers},
        {"readings", file.readings},
        {"session", {{"file", file.sessionFile}, {"sha256", file.sessionSha256}}},
        {"software", file.software}};
    return text.dump(2) + "\n";
}

std::optional<ObserverProfileFile> parseObserverProfile(const std::string& text, std::string& reason) {
    const auto parsed = parseStrictJson(text, reason);
    if (!parsed)
        return std::nullopt;
    const json& j = *parsed;
    auto fault = [&reason](const std::string& why) {
        reason = why;
        return std::nullopt;
    };
    if (!j.is_object() || !j.contains("format") || j["format"] != observerProfileFormat)
        return fault(std::string("its \"format\" is not \"") + observerProfileFormat + "\"");
    if (!j.contains("version") || j["version"] != observerProfileVersion)
        return fault("its \"version\" is not " + std::to_string(observerProfileVersion));
    ObserverProfileFile file;
    for (auto [key, value, interval] :
         {std::tuple{"thresholdFactor", &file.thresholdFactor, &file.thresholdFactorCi95},
          std::tuple{"noiseEfficiency", &file.noiseEfficiency, &file.noiseEfficiencyCi95}}) {
        if (!j.contains(key) || !isFactor(j[key]))
            return fault(std::string("\"") + key + "\" is not a number from 0.001 to 1000");
        *value = j[key].get<double>();
        const json* ci =
            j.contains("ci95") && j["ci95"].is_object() && j["ci95"].contains(key) ? &j["ci95"][key] : nullptr;
        if (!ci || !ci->is_array() || ci->size() != 2 || !isFactor((*ci)[0]) || !isFactor((*ci)[1]) ||
            (*ci)[0].get<double>() > (*ci)[1].get<double>())
            return fault(std::string("\"ci95\" has no interval [low, high] for \"") + key + "\"");
        *interval = {(*ci)[0].get<double>(), (*ci)[1].get<double>()};
    }
    for (auto [key, value] : {std::pair{"observers", &file.observers}, {"readings", &file.readings}}) {
        if (!j.contains(key) || !isCount(j[key]))
            return fault(std::string("\"") + key + "\" is not a count");
        *value = j[key].get<int>();
    }
    const json* session = j.contains("session") && j["session"].is_object() ? &j["session"] : nullptr;
    if (!session || !session->contains("file") || !(*session)["file"].is_string() || !session->contains("sha256") ||
        !(*session)["sha256"].is_string())
        return fault("\"session\" does not name a file and its sha256");
    file.sessionFile = (*session)["file"].get<std::string>();
    file.sessionSha256 = (*session)["sha256"].get<std::string>();
    if (!j.contains("software") || !j["software"].is_string())
        return fault("\"software\" is not text");
    file.software = j["software"].get<std::string>();
    return file;
}

std::optional<ObserverProfile> readObserverProfile(const std::string& path, std::string& error) {
    const auto text = readBoundedTextFile(path, observerProfileLimits, error);
    if (!text)
        return std::nullopt;
    std::string reason;
    const auto file = parseObserverProfile(*text, reason);
    if (!file) {
        error = "'" + path + "' is not an observer profile: " + reason;
        return std::nullopt;
    }
    return ObserverProfile{file->thresholdFactor, file->noiseEfficiency, path};
}
