#include "measurement/range_scenario.h"

#include <charconv>
#include <cmath>

const char* dimensionName(CriticalDimension dimension) {
    return dimension == CriticalDimension::Sqrt ? "sqrt" : "min";
}

std::optional<CriticalDimension> dimensionFromName(const std::string& name) {
    if (name == "sqrt")
        return CriticalDimension::Sqrt;
    if (name == "min")
        return CriticalDimension::Min;
    return std::nullopt;
}

double criticalDimension(const RangeTarget& target, CriticalDimension dimension) {
    return dimension == CriticalDimension::Sqrt ? std::sqrt(target.width * target.height)
                                                : std::min(target.width, target.height);
}

std::optional<std::vector<double>> numbersFromText(const std::string& text) {
    std::vector<double> values;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        double value = 0.0;
        auto [last, error] = std::from_chars(text.data() + start, text.data() + end, value);
        if (error != std::errc() || last != text.data() + end || !std::isfinite(value))
            return std::nullopt;
        values.push_back(value);
        if (comma == std::string::npos)
            return values;
        start = comma + 1;
    }
}

std::optional<RangeTarget> targetFromText(const std::string& text) {
    for (const TargetPreset& preset : targetPresets)
        if (text == preset.name)
            return RangeTarget{preset.name, preset.width, preset.height, preset.dt};
    const auto size = numbersFromText(text);
    if (!size || size->size() != 2 || !((*size)[0] > 0.0) || !((*size)[1] > 0.0))
        return std::nullopt;
    return RangeTarget{"custom", (*size)[0], (*size)[1], targetPresets[0].dt};
}

std::optional<double> extinctionFromText(const std::string& text) {
    for (const AtmospherePreset& preset : atmospherePresets)
        if (text == preset.name)
            return preset.extinction;
    const auto value = numbersFromText(text);
    if (!value || value->size() != 1 || (*value)[0] < 0.0)
        return std::nullopt;
    return (*value)[0];
}

std::optional<std::vector<double>> probabilitiesFromText(const std::string& text) {
    auto values = numbersFromText(text);
    if (!values)
        return std::nullopt;
    for (double p : *values)
        if (!(p > 0.0 && p < 1.0))
            return std::nullopt;
    return values;
}

std::optional<RangeCriteria> criteriaFromText(const std::string& text) {
    if (text == "johnson")
        return RangeCriteria{"johnson",
                             {{"detection", 1.0}, {"orientation", 1.4}, {"recognition", 4.0}, {"identification", 6.4}}};
    if (text == "2d")
        return RangeCriteria{"2d", {{"detection", 0.75}, {"recognition", 3.0}, {"identification", 6.0}}};
    const auto values = numbersFromText(text);
    if (!values || values->size() != 3)
        return std::nullopt;
    RangeCriteria custom{
        "custom", {{"detection", (*values)[0]}, {"recognition", (*values)[1]}, {"identification", (*values)[2]}}};
    for (const RangeTask& task : custom.tasks)
        if (!(task.n50 > 0.0))
            return std::nullopt;
    return custom;
}

double RangeScenario::apparentDt(double rangeKm) const {
    return std::fabs(target.dt) * std::exp(-extinction * rangeKm);
}
