#include "measurement/range_study.h"

#include "camera/camera_file.h"
#include "measurement/range_sources.h"
#include "text/messages.h"
#include "text/strict_json.h"
#include "text/tokens.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

// Where a camera file keeps what a study steps: the netd line (the sixth) starts with the NETD and
// the current fields; the spectral-response line (the eighth) ends with the three fields of view,
// the three-fields switch, frame rate, atmosphere temperature, horizontal blur width, blur mode and
// NETD mode; the vertical curve's line (the ninth) ends with the vertical blur width, its mode, the
// background temperature and the field index.
constexpr int netdLine = 6, spectralLine = 8, verticalLine = 9;

bool setToken(std::vector<std::string>& lines, int line, int token, double value) {
    if (static_cast<int>(lines.size()) < line)
        return false;
    std::string& text = lines[static_cast<std::size_t>(line - 1)];
    const int count = static_cast<int>(splitTokens(text, " \t\r").size());
    if (std::abs(token) > count)
        return false;
    replaceToken(text, token, numberText(value), " \t\r", ' ');
    return true;
}

// The text's lines, empty ones kept (the reader counts lines); the last holds what follows the
// final line end, so joining them again gives the text back.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k)
        text.append(lines[k]).append(k + 1 < lines.size() ? "\n" : "");
    return text;
}

} // namespace

const std::vector<StudyParameterKind>& studyParameterKinds() {
    // The lower ends keep every camera one the bench can show (its smallest pixel angle is 0.01 mrad);
    // the upper ends are far past any camera a study would compare, so that only a slip trips them.
    static const std::vector<StudyParameterKind> kinds{
        {"netd", "K", "NETD", "K", 0.001, 10.0},
        {"ifov", "mrad", "IFOV", "mrad", minPixelAngle, 10.0},
        {"pitch", "um", "detector pitch", "\u00b5m", 1.0, 1000.0},
        {"focal", "mm", "focal length", "mm", 1.0, 10000.0},
        {"blur", "mrad", "blur width", "mrad", 0.001, 10.0},
        {"frameRate", "Hz", "frame rate", "Hz", 1.0, 1000.0},
    };
    return kinds;
}

const StudyParameterKind* studyParameterKind(const std::string& name) {
    for (const StudyParameterKind& kind : studyParameterKinds())
        if (name == kind.name)
            return &kind;
    return nullptr;
}

namespace {

// The dashes a word processor or a PDF puts where a hyphen was typed, in UTF-8: U+2010 to U+2015 and
// the minus sign U+2212.
std::size_t typographicDash(const std::string& text) {
    for (std::size_t k = 0; k + 2 < text.size(); ++k) {
        const auto a = static_cast<unsigned char>(text[k]), b = static_cast<unsigned char>(text[k + 1]),
                   c = static_cast<unsigned char>(text[k + 2]);
        if (a == 0xE2 && ((b == 0x80 && c >= 0x90 && c <= 0x95) || (b == 0x88 && c == 0x92)))
            return k;
    }
    return std::string::npos;
}

bool onlyKeys(const nlohmann::json& object, std::initializer_list<const char*> known, const std::string& where,
              std::string& error) {
    for (const auto& item : object.items()) {
        const std::string& key = item.key(); // a plain name: a lambda may not capture a binding in every compiler
        if (std::none_of(known.begin(), known.end(), [&](const char* k) { return key == k; })) {
            std::string list;
            for (const char* k : known)
                list += std::string(list.empty() ? "" : ", ") + k;
            error = "unknown key " + nlohmann::json(key).dump() + " in " + where + " (it takes " + list + ")";
            return false;
        }
    }
    return true;
}

std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool readParameter(const nlohmann::json& p, std::size_t maxJobs, StudyParameter& parameter, std::string& error) {
    if (!p.is_object() || !p.contains("name") || !p["name"].is_string() ||
        !studyParameterKind(parameter.name = p["name"].get<std::string>())) {
        error = "a parameter's \"name\" must be one of netd, ifov, pitch, focal, blur, frameRate";
        return false;
    }
    const std::string where = "parameter " + parameter.name;
    if (!onlyKeys(p, {"name", "values", "from", "to", "steps"}, where, error))
        return false;
    const bool listed = p.contains("values"), stepped = p.contains("from") || p.contains("to") || p.contains("steps");
    if (listed == stepped) {
        error = where + " needs either \"values\" or \"from\", \"to\" and \"steps\"";
        return false;
    }
    if (listed) {
        if (!p["values"].is_array() || p["values"].empty() || p["values"].size() > maxJobs) {
            error = where + ": \"values\" must be a list of 1 to " + std::to_string(maxJobs) + " numbers";
            return false;
        }
        for (const auto& v : p["values"]) {
            if (!v.is_number()) {
                error = where + ": \"values\" holds " + v.dump() + ", not a number";
                return false;
            }
            parameter.values.push_back(v.get<double>());
        }
    } else {
        const auto& steps = p.value("steps", nlohmann::json());
        if (!p.value("from", nlohmann::json()).is_number() || !p.value("to", nlohmann::json()).is_number() ||
            !steps.is_number_integer() || steps.get<long long>() < 2 ||
            steps.get<long long>() > static_cast<long long>(maxJobs)) {
            error = where + " needs \"from\" and \"to\" as numbers and \"steps\" a whole number from 2 to " +
                    std::to_string(maxJobs);
            return false;
        }
        const double from = p["from"].get<double>(), to = p["to"].get<double>();
        const auto count = steps.get<long long>();
        for (long long k = 0; k < count; ++k)
            parameter.values.push_back(from + (to - from) * static_cast<double>(k) / static_cast<double>(count - 1));
    }
    const StudyParameterKind& kind = *studyParameterKind(parameter.name);
    for (double v : parameter.values)
        if (!(v >= kind.low && v <= kind.high)) {
            error = where + ": " + shortNumber(v) + " is outside " + shortNumber(kind.low) + " to " +
                    shortNumber(kind.high) + " " + kind.unit;
            return false;
        }
    return true;
}

bool readWholeNumber(const nlohmann::json& json, const char* key, double low, double high, double& value,
                     std::string& error) {
    if (!json.contains(key))
        return true;
    const auto& v = json[key];
    if (!v.is_number_integer() || v.get<double>() < low || v.get<double>() > high) {
        error =
            "\"" + std::string(key) + "\" must be a whole number from " + shortNumber(low) + " to " + shortNumber(high);
        return false;
    }
    value = v.get<double>();
    return true;
}

bool readFileName(const nlohmann::json& json, const char* key, std::string& name, std::string& error) {
    if (!json.contains(key))
        return true;
    if (!json[key].is_string() || json[key].get<std::string>().empty()) {
        error = "\"" + std::string(key) + "\" must name a file";
        return false;
    }
    name = json[key].get<std::string>();
    return true;
}

} // namespace

std::optional<StudyPlan> parseStudyPlan(const std::string& text, std::size_t maxJobs, std::string& error) {
    if (const std::size_t dash = typographicDash(text); dash != std::string::npos) {
        const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(dash), '\n');
        error = "line " + std::to_string(line) + " holds a typographic dash (" + text.substr(dash, 3) +
                "), as text copied out of a PDF or a word processor does; options and numbers take the plain "
                "hyphen: type --extinction, not \u2013extinction";
        return std::nullopt;
    }
    std::string reason;
    const auto json = parseStrictJson(text, reason);
    if (!json) {
        error = "the plan is not JSON as a plan must be: " + reason;
        return std::nullopt;
    }
    if (!json->is_object()) {
        error = "the plan must be one JSON object";
        return std::nullopt;
    }
    if (!onlyKeys(*json, {"camera", "target", "atmosphere", "parameters", "optics", "repeats", "seed", "range"},
                  "the plan", error))
        return std::nullopt;
    StudyPlan plan;
    if (!json->contains("camera")) {
        error = "the plan needs \"camera\": the base camera file";
        return std::nullopt;
    }
    if (!readFileName(*json, "camera", plan.baseCamera, error) || !readFileName(*json, "target", plan.target, error) ||
        !readFileName(*json, "atmosphere", plan.atmosphere, error))
        return std::nullopt;
    const auto& parameters = json->value("parameters", nlohmann::json());
    if (!parameters.is_array() || parameters.empty() || parameters.size() > 2) {
        error = "the plan needs \"parameters\": one or two of netd, ifov, pitch, focal, blur, frameRate";
        return std::nullopt;
    }
    std::set<std::string> named;
    for (const auto& p : parameters) {
        StudyParameter parameter;
        if (!readParameter(p, maxJobs, parameter, error))
            return std::nullopt;
        if (!named.insert(parameter.name).second) {
            error = "parameter " + parameter.name + " is stepped twice";
            return std::nullopt;
        }
        plan.parameters.push_back(std::move(parameter));
    }
    const bool optics = named.count("pitch") || named.count("focal");
    if (optics != json->contains("optics")) {
        error = optics ? "stepping pitch or focal needs \"optics\": {\"pitch\": um, \"focal\": mm} of the base camera"
                       : "\"optics\" is only for a plan that steps pitch or focal";
        return std::nullopt;
    }
    if (optics) {
        const auto& o = (*json)["optics"];
        const StudyParameterKind &pitch = *studyParameterKind("pitch"), &focal = *studyParameterKind("focal");
        if (!o.is_object() || !onlyKeys(o, {"pitch", "focal"}, "\"optics\"", error) ||
            !o.value("pitch", nlohmann::json()).is_number() || !o.value("focal", nlohmann::json()).is_number() ||
            !(o["pitch"].get<double>() >= pitch.low && o["pitch"].get<double>() <= pitch.high) ||
            !(o["focal"].get<double>() >= focal.low && o["focal"].get<double>() <= focal.high)) {
            if (error.empty())
                error = "\"optics\" takes \"pitch\" from 1 to 1000 um and \"focal\" from 1 to 10000 mm";
            return std::nullopt;
        }
        plan.pitchUm = o["pitch"].get<double>();
        plan.focalMm = o["focal"].get<double>();
    }
    double repeats = plan.repeats, seed = plan.seed;
    if (!readWholeNumber(*json, "repeats", 1, 1000, repeats, error) ||
        !readWholeNumber(*json, "seed", 0, 4294967295.0, seed, error))
        return std::nullopt;
    plan.repeats = static_cast<int>(repeats);
    plan.seed = static_cast<std::uint32_t>(seed);
    if (json->contains("range")) {
        if (!(*json)["range"].is_string()) {
            error = "\"range\" holds range options as one text, e.g. \"--criteria 2d --extinction 0.3\"";
            return std::nullopt;
        }
        for (const std::string& word : splitTokens((*json)["range"].get<std::string>(), " \t\r\n"))
            plan.rangeWords.push_back(word);
    }
    // Counted before any grid is built: a plan of a few kilobytes can ask for billions of jobs.
    if (const std::size_t jobs = studyJobCount(plan); jobs > maxJobs) {
        error =
            "the plan asks for " + std::to_string(jobs) + " jobs, more than " + std::to_string(maxJobs) +
            (maxJobs < hardMaxStudyJobs ? " (--max-jobs N allows more, up to " + std::to_string(hardMaxStudyJobs) + ")"
                                        : "");
        return std::nullopt;
    }
    return plan;
}

nlohmann::json canonicalStudyPlan(const StudyPlan& plan) {
    nlohmann::json parameters = nlohmann::json::array();
    for (const StudyParameter& p : plan.parameters)
        parameters.push_back({{"name", p.name}, {"values", p.values}});
    std::string range;
    for (const std::string& word : plan.rangeWords)
        range += (range.empty() ? "" : " ") + word;
    nlohmann::json json{{"camera", plan.baseCamera},
                        {"parameters", parameters},
                        {"repeats", plan.repeats},
                        {"seed", plan.seed},
                        {"range", range}};
    if (!plan.target.empty())
        json["target"] = plan.target;
    if (!plan.atmosphere.empty())
        json["atmosphere"] = plan.atmosphere;
    if (plan.pitchUm > 0.0)
        json["optics"] = {{"pitch", plan.pitchUm}, {"focal", plan.focalMm}};
    return json;
}

std::size_t studyJobCount(const StudyPlan& plan) {
    // Saturates rather than wraps: two lists of 2^33 values must not count as a few.
    std::size_t count = 1;
    for (const StudyParameter& p : plan.parameters)
        count = p.values.size() != 0 && count > hardMaxStudyJobs * 16 / p.values.size() ? hardMaxStudyJobs * 16
                                                                                        : count * p.values.size();
    return count;
}

std::vector<double> studyPoint(const StudyPlan& plan, std::size_t job) {
    std::vector<double> point(plan.parameters.size());
    std::size_t index = job - 1;
    for (std::size_t k = plan.parameters.size(); k-- > 0;) {
        const auto& values = plan.parameters[k].values;
        point[k] = values[index % values.size()];
        index /= values.size();
    }
    return point;
}
std::optional<std::string> studyCameraText(const std::string& baseText, const StudyPlan& plan,
                                           const std::vector<double>& point, std::string& error) {
    CameraState base;
    MessageLog log;
    if (!readCameraText(baseText, plan.baseCamera, CameraLoadMode::Full, base, log)) {
        error = log.messages.empty() ? "the base camera file cannot be read" : log.messages.front();
        return std::nullopt;
    }
    std::vector<std::string> lines = splitLines(baseText);
    CameraSet want = base.set;
    double hBlur = base.hBlurWidth, vBlur = base.vBlurWidth;
    double pitch = plan.pitchUm, focal = plan.focalMm;
    std::optional<double> ifov;
    bool ok = true;
    for (std::size_t k = 0; k < point.size(); ++k) {
        const std::string& name = plan.parameters[k].name;
        const double v = point[k];
        if (name == "netd")
            ok = ok && setToken(lines, netdLine, 1, want.netd = static_cast<float>(v));
        else if (name == "frameRate")
            ok = ok && setToken(lines, spectralLine, -5, want.frameRate = static_cast<float>(v));
        else if (name == "blur")
            ok = ok && setToken(lines, spectralLine, -3, hBlur = v) && setToken(lines, verticalLine, -4, vBlur = v);
        else if (name == "ifov")
            ifov = v;
        else
            (name == "pitch" ? pitch : focal) = v;
    }
    if (!ifov && pitch > 0.0 && focal > 0.0)
        ifov = pitch / focal; // um over mm is mrad
    if (ifov) {
        // Every field of view scales with the angular pitch, the detector's format staying.
        const double scale = *ifov / (ifovMradOf(base.set));
        auto scaled = [&](float fov) { return static_cast<float>(std::min(179.0, fov * scale)); };
        want.fovCurrentH = scaled(base.set.fovCurrentH);
        want.fovCurrentV = scaled(base.set.fovCurrentV);
        ok = ok && setToken(lines, netdLine, 2, want.fovCurrentH) && setToken(lines, netdLine, 3, want.fovCurrentV);
        for (int i = 0; i < 6; ++i) {
            float& fov = want.fovTable[static_cast<std::size_t>(i / 2)][static_cast<std::size_t>(i % 2)];
            fov = scaled(fov);
            ok = ok && setToken(lines, spectralLine, -12 + i, fov);
        }
    }
    const std::string text = joinLines(lines);
    CameraState check;
    const bool reads = ok && readCameraText(text, plan.baseCamera, CameraLoadMode::Full, check, log);
    auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-5 * std::max(1.0, std::fabs(b)); };
    if (!reads || !near(check.set.netd, want.netd) || !near(check.set.frameRate, want.frameRate) ||
        !near(check.set.fovCurrentH, want.fovCurrentH) || !near(check.set.fovTable[2][0], want.fovTable[2][0]) ||
        !near(check.hBlurWidth, hBlur) || !near(check.vBlurWidth, vBlur)) {
        error = "the base camera file " + plan.baseCamera + " does not have the layout a study writes its values into";
        return std::nullopt;
    }
    return text;
}
