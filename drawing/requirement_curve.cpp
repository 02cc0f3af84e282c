#include "drawing/requirement_curve.h"

#include "camera/camera_file.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A whole field as a finite number; a field with anything after the number is not one.
std::optional<double> numberIn(const std::string& field) {
    const std::string text = trimmed(field);
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<RequirementCurve> parseRequirement(const std::string& text, const std::string& fileName,
                                                 std::string& error) {
    RequirementCurve curve;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    bool headerAllowed = true;
    auto refuse = [&](const std::string& why) {
        error = "requirement '" + fileName + "' line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++number;
        if (trimmed(line).empty())
            continue;
        const auto comma = line.find(',');
        const auto frequency = comma == std::string::npos ? std::nullopt : numberIn(line.substr(0, comma));
        const auto limit = comma == std::string::npos ? std::nullopt : numberIn(line.substr(comma + 1));
        if (!frequency || !limit) {
            // The first line may name the columns instead.
            if (std::exchange(headerAllowed, false))
                continue;
            return refuse("expected 'frequency,MRTD limit' as two numbers, found '" + trimmed(line) + "'");
        }
        headerAllowed = false;
        // A limit from frequency 0 up is a requirement; the frequencies and limits are a camera's.
        if (const std::string problem = *frequency == 0.0 ? "" : frequencyProblem(*frequency); !problem.empty())
            return refuse(problem);
        if (!curve.empty() && !(*frequency > curve.back().frequency))
            return refuse("the frequencies must rise from row to row");
        if (const std::string problem = mrtdProblem(*limit); !problem.empty())
            return refuse("the MRTD limit: " + problem);
        curve.push_back({*frequency, *limit});
    }
    if (curve.empty()) {
        error = "requirement '" + fileName + "' holds no 'frequency,MRTD limit' rows";
        return std::nullopt;
    }
    return curve;
}

std::optional<RequirementCurve> readRequirementFile(const std::string& path, std::string& error) {
    const auto text = readBoundedTextFile(path, requirementFileLimits, error);
    if (!text)
        return std::nullopt;
    return parseRequirement(*text, path, error);
}

std::optional<double> requirementAt(const RequirementCurve& curve, double frequency) {
    for (std::size_t k = 0; k < curve.size(); ++k) {
        if (frequency == curve[k].frequency)
            return curve[k].limit;
        if (k > 0 && frequency > curve[k - 1].frequency && frequency < curve[k].frequency) {
            const double t = (frequency - curve[k - 1].frequency) / (curve[k].frequency - curve[k - 1].frequency);
            return curve[k - 1].limit + t * (curve[k].limit - curve[k - 1].limit);
        }
    }
    return std::nullopt;
}
