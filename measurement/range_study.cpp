#include "measurement/range_study.h"

#include "camera/camera_file.h"
#include "measurement/range_sources.h"
#include "text/messages.h"
#include "text/text_scanner.h"
#include "text/tokens.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

// Study files are small; results larger than this are not a range run's.
constexpr std::size_t maxStudyFileBytes = 16 * 1024 * 1024;

const char* const parameterNames[] = {"netd", "ifov", "pitch", "focal", "blur", "frameRate"};

bool knownParameter(const std::string& name) {
    for (const char* known : parameterNames)
        if (name == known)
            return true;
    return false;
}

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

std::optional<StudyPlan> parseStudyPlan(const nlohmann::json& json, std::string& error) {
    StudyPlan plan;
    if (!json.is_object() || !json.contains("camera") || !json["camera"].is_string()) {
        error = "the study needs \"camera\": the base camera file";
        return std::nullopt;
    }
    plan.baseCamera = json["camera"].get<std::string>();
    if (!json.contains("parameters") || !json["parameters"].is_array() || json["parameters"].empty() ||
        json["parameters"].size() > 2) {
        error = "the study needs \"parameters\": one or two of netd, ifov, pitch, focal, blur, frameRate";
        return std::nullopt;
    }
    for (const auto& p : json["parameters"]) {
        StudyParameter parameter;
        if (!p.is_object() || !p.contains("name") || !p["name"].is_string() ||
            !knownParameter(parameter.name = p["name"].get<std::string>())) {
            error = "a parameter's name must be one of netd, ifov, pitch, focal, blur, frameRate";
            return std::nullopt;
        }
        if (p.contains("values") && p["values"].is_array())
            for (const auto& v : p["values"])
                parameter.values.push_back(v.is_number() ? v.get<double>() : -1.0);
        else if (p.contains("from") && p.contains("to") && p.contains("steps") && p["from"].is_number() &&
                 p["to"].is_number() && p["steps"].is_number_integer() && p["steps"].get<int>() >= 2 &&
                 p["steps"].get<int>() <= 1000) {
            const int steps = p["steps"].get<int>();
            for (int k = 0; k < steps; ++k)
                parameter.values.push_back(p["from"].get<double>() +
                                           (p["to"].get<double>() - p["from"].get<double>()) * k / (steps - 1));
        }
        bool positive = !parameter.values.empty();
        for (double v : parameter.values)
            positive = positive && v > 0.0 && std::isfinite(v);
        if (!positive) {
            error = "parameter " + parameter.name + " needs \"values\" or \"from\", \"to\", \"steps\", all above zero";
            return std::nullopt;
        }
        plan.parameters.push_back(parameter);
    }
    for (const StudyParameter& p : plan.parameters)
        if (p.name == "pitch" || p.name == "focal") {
            const auto& optics = json.contains("optics") ? json["optics"] : nlohmann::json();
            if (!optics.is_object() || !optics.contains("pitch") || !optics.contains("focal") ||
                !optics["pitch"].is_number() || !optics["focal"].is_number() || !(optics["pitch"].get<double>() > 0) ||
                !(optics["focal"].get<double>() > 0)) {
                error = "stepping pitch or focal needs \"optics\": {\"pitch\": um, \"focal\": mm} of the base camera";
                return std::nullopt;
            }
            plan.pitchUm = optics["pitch"].get<double>();
            plan.focalMm = optics["focal"].get<double>();
        }
    if (json.contains("repeats")) {
        if (!json["repeats"].is_number_integer() || json["repeats"].get<int>() < 1 ||
            json["repeats"].get<int>() > 1000) {
            error = "\"repeats\" must be a whole number from 1 to 1000";
            return std::nullopt;
        }
        plan.repeats = json["repeats"].get<int>();
    }
    if (json.contains("range")) {
        const std::string words = json["range"].is_string() ? json["range"].get<std::string>() : "\"";
        // The words go into a shell line as they stand: nothing the shell would read as its own.
        if (words.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ,.-_") !=
            std::string::npos) {
            error = "\"range\" holds range options: letters, digits, spaces, commas, dots and dashes only";
            return std::nullopt;
        }
        plan.rangeOptions = words;
    }
    return plan;
}

std::vector<std::vector<double>> studyGrid(const StudyPlan& plan) {
    std::vector<std::vector<double>> grid;
    const auto& first = plan.parameters.front().values;
    const std::vector<double> none{0.0};
    const auto& second = plan.parameters.size() > 1 ? plan.parameters[1].values : none;
    for (double a : first)
        for (double b : second)
            grid.push_back(plan.parameters.size() > 1 ? std::vector<double>{a, b} : std::vector<double>{a});
    return grid;
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

namespace {

std::string numbered(const char* folder, int job, const char* ending) {
    char text[64];
    std::snprintf(text, sizeof text, "%s/cam%03d%s", folder, job, ending);
    return text;
}

std::string quoted(const std::string& path) {
    std::string q = "'";
    for (char c : path)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

std::string studyCameraName(int job) {
    return numbered("cameras", job, ".par");
}
std::string studyMrtdName(int job) {
    return numbered("results", job, ".mrtd.json");
}
std::string studyRangeName(int job) {
    return numbered("results", job, ".range.json");
}

std::string studyJobLine(const std::string& program, const std::string& folder, const StudyPlan& plan, int job) {
    const std::string base = folder + "/";
    const std::string mrtd = quoted(base + studyMrtdName(job));
    const std::string range = quoted(base + studyRangeName(job));
    // Each result is written under a temporary name and renamed when whole, so that a job cut short
    // leaves no result that --merge would take for finished.
    return quoted(program) + " mrtd --camera " + quoted(base + studyCameraName(job)) + " --repeats " +
           std::to_string(plan.repeats) + " --threads 1 --json > " + mrtd + ".part && mv " + mrtd + ".part " + mrtd +
           " && " + quoted(program) + " range --objective " + mrtd + " --json" +
           (plan.rangeOptions.empty() ? "" : " " + plan.rangeOptions) + " > " + range + ".part && mv " + range +
           ".part " + range;
}

nlohmann::json studyIndexJson(const StudyPlan& plan) {
    nlohmann::json names = nlohmann::json::array();
    for (const StudyParameter& p : plan.parameters)
        names.push_back(p.name);
    nlohmann::json jobs = nlohmann::json::array();
    int job = 0;
    for (const auto& point : studyGrid(plan))
        jobs.push_back({{"job", ++job}, {"camera", studyCameraName(job)}, {"point", point}});
    return {{"parameters", names}, {"jobs", jobs}};
}

std::optional<StudyResults> readStudyResults(const std::string& folder, std::string& error) {
    const auto index = readTextFile(folder + "/study.json", maxStudyFileBytes);
    const nlohmann::json json = index ? nlohmann::json::parse(*index, nullptr, false) : nlohmann::json();
    if (!json.is_object() || !json.contains("parameters") || !json.contains("jobs") || !json["jobs"].is_array()) {
        error = "no study in " + folder + " (study.json missing or malformed)";
        return std::nullopt;
    }
    StudyResults results;
    for (const auto& name : json["parameters"])
        results.parameters.push_back(name.is_string() ? name.get<std::string>() : "?");
    for (const auto& j : json["jobs"]) {
        if (!j.is_object() || !j.contains("job") || !j["job"].is_number_integer() || !j.contains("point")) {
            error = folder + "/study.json has a malformed job";
            return std::nullopt;
        }
        StudyRow row;
        row.job = j["job"].get<int>();
        for (const auto& v : j["point"])
            row.point.push_back(v.is_number() ? v.get<double>() : 0.0);
        if (const auto text = readTextFile(folder + "/" + studyRangeName(row.job), maxStudyFileBytes)) {
            nlohmann::json ranges = nlohmann::json::parse(*text, nullptr, false);
            if (ranges.is_object() && ranges.contains("tasks"))
                row.ranges = ranges;
        }
        results.rows.push_back(row);
    }
    return results;
}

std::string studyResultsCsv(const StudyResults& results) {
    std::vector<std::string> tasks;
    for (const StudyRow& row : results.rows)
        if (row.ranges && tasks.empty())
            for (const auto& t : (*row.ranges)["tasks"])
                tasks.push_back(t.value("task", ""));
    std::string text = "job";
    for (const std::string& p : results.parameters)
        text.append(",").append(p);
    for (const std::string& t : tasks)
        for (const char* column : {"_km", "_bound", "_ci95_low", "_ci95_high"})
            text.append(",").append(t).append(column);
    text += "\n";
    auto number = [](const nlohmann::json& v) { return v.is_number() ? numberText(v.get<double>()) : std::string(); };
    for (const StudyRow& row : results.rows) {
        text += std::to_string(row.job);
        for (double v : row.point)
            text.append(",").append(numberText(v));
        for (const std::string& t : tasks) {
            nlohmann::json found;
            if (row.ranges)
                for (const auto& r : (*row.ranges)["tasks"])
                    if (r.value("task", "") == t)
                        found = r;
            const bool has = found.is_object();
            const auto& ci = has && found.contains("ci95") ? found["ci95"] : nlohmann::json();
            const bool interval = ci.is_array() && ci.size() == 2;
            text.append(",").append(has ? number(found["rangeKm"]) : "");
            text.append(",").append(has ? (found.value("bound", false) ? "true" : "false") : "");
            text.append(",").append(interval ? number(ci[0]) : "").append(",").append(interval ? number(ci[1]) : "");
        }
        text += "\n";
    }
    return text;
}
