#include "cli/study_manifest.h"

#include "cli/provenance.h"
#include "text/bounded_text_file.h"
#include "text/strict_json.h"
#include "text/whole_file.h"

#include <cstdio>

#include <sys/stat.h>

namespace {

constexpr TextFileLimits manifestLimits{"a study manifest", maxManifestBytes, maxManifestBytes};
constexpr TextFileLimits resultLimits{"a study result", maxStudyResultBytes, maxStudyResultBytes};

bool stringList(const nlohmann::json& json, std::vector<std::string>& list) {
    if (!json.is_array())
        return false;
    for (const auto& word : json) {
        if (!word.is_string())
            return false;
        list.push_back(word.get<std::string>());
    }
    return true;
}

bool inputOf(const nlohmann::json& json, StudyInput& input) {
    if (!json.is_object() || !json.contains("path") || !json["path"].is_string() || !json.contains("sha256") ||
        !json["sha256"].is_string())
        return false;
    input = {json["path"].get<std::string>(), json["sha256"].get<std::string>()};
    return true;
}

bool jobOf(const nlohmann::json& json, StudyJob& job) {
    if (!json.is_object() || !json.contains("job") || !json["job"].is_number_unsigned() || !json.contains("point") ||
        !json["point"].is_array() || !json.contains("camera") || !json["camera"].is_string() ||
        !json.contains("sha256") || !json["sha256"].is_string() || !json.contains("seed") ||
        !json["seed"].is_number_unsigned() || !json.contains("orientations") ||
        !stringList(json["orientations"], job.orientations))
        return false;
    job.job = json["job"].get<std::size_t>();
    for (const auto& v : json["point"]) {
        if (!v.is_number())
            return false;
        job.point.push_back(v.get<double>());
    }
    job.camera = json["camera"].get<std::string>();
    job.sha256 = json["sha256"].get<std::string>();
    job.seed = json["seed"].get<std::uint32_t>();
    return true;
}

} // namespace

std::optional<StudyManifest> readStudyManifest(const std::string& folder, std::size_t onlyJob, std::string& error) {
    const std::string path = folder + "/manifest.json";
    for (const char* own : {"manifest.json", "cameras", "results", "logs"})
        if (isSymbolicLink(folder + "/" + own)) {
            error = "'" + folder + "/" + own + "' is a symbolic link; a study keeps its own files in its folder";
            return std::nullopt;
        }
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    const auto text = readBoundedTextFile(path, manifestLimits, fault, reason);
    if (!text) {
        error = fault == TextFileFault::Absent ? "no study in '" + folder + "' (it has no manifest.json)"
                                               : "'" + path + "' " + reason;
        return std::nullopt;
    }
    StudyManifest manifest;
    manifest.folder = folder;
    manifest.sha256 = sha256Hex(*text);
    // The jobs are taken one by one as the parser finishes each and are not kept as JSON: a study of
    // 100,000 jobs would otherwise hold a hundred megabytes of parsed objects.
    std::string topKey;
    bool jobsValid = true;
    auto keep = [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
        if (event == nlohmann::json::parse_event_t::key && depth == 1)
            topKey = parsed.get<std::string>();
        if (event != nlohmann::json::parse_event_t::object_end || depth != 2 || topKey != "jobs")
            return true;
        StudyJob job;
        jobsValid = jobsValid && jobOf(parsed, job);
        if (jobsValid && (onlyJob == 0 || job.job == onlyJob))
            manifest.jobs.push_back(std::move(job));
        return false;
    };
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(*text, keep);
    } catch (const nlohmann::json::exception&) {
        json = nullptr;
    }
    const nlohmann::json none;
    const auto& inputs = json.is_object() && json.contains("inputs") ? json["inputs"] : none;
    const bool valid =
        jobsValid && json.is_object() && json.value("format", none) == "tervix study" && inputs.is_object() &&
        inputOf(inputs.value("plan", none), manifest.plan) && inputOf(inputs.value("camera", none), manifest.camera) &&
        inputOf(inputs.value("target", none), manifest.target) && inputs.contains("atmosphere") &&
        (inputs["atmosphere"].is_null() || inputOf(inputs["atmosphere"], manifest.atmosphere.emplace())) &&
        json.contains("repeats") && json["repeats"].is_number_integer() &&
        stringList(json.value("range", none), manifest.rangeWords) &&
        stringList(json.value("parameters", none), manifest.layout.parameters) &&
        stringList(json.value("tasks", none), manifest.layout.tasks) &&
        stringList(json.value("ttpTasks", none), manifest.layout.ttpTasks) && json.contains("jobCount") &&
        json["jobCount"].is_number_unsigned();
    if (!valid) {
        error = "'" + path + "' is not a study manifest, or is damaged; write the study again";
        return std::nullopt;
    }
    manifest.repeats = json["repeats"].get<int>();
    manifest.jobCount = json["jobCount"].get<std::size_t>();
    if (onlyJob == 0 && manifest.jobs.size() != manifest.jobCount) {
        error = "'" + path + "' lists " + std::to_string(manifest.jobs.size()) + " jobs of " +
                std::to_string(manifest.jobCount) + "; write the study again";
        return std::nullopt;
    }
    for (const StudyJob& job : manifest.jobs)
        if (job.point.size() != manifest.layout.parameters.size() || job.job < 1 || job.job > manifest.jobCount) {
            error = "'" + path + "' has a malformed job " + std::to_string(job.job) + "; write the study again";
            return std::nullopt;
        }
    return manifest;
}

std::string studyJobStem(std::size_t job, std::size_t jobCount) {
    const int width = std::max<int>(3, static_cast<int>(std::to_string(jobCount).size()));
    char text[48];
    std::snprintf(text, sizeof text, "cam%0*zu", width, job);
    return text;
}
std::string studyCameraName(const std::string& stem) {
    return "cameras/" + stem + ".par";
}
std::string studyMrtdName(const std::string& stem, const std::string& bars) {
    return "results/" + stem + "." + bars + ".json";
}
std::string studyResultName(const std::string& stem) {
    return "results/" + stem + ".range.json";
}
std::string studyLogName(const std::string& stem) {
    return "logs/" + stem + ".log";
}

std::string unsafeFolderReason(const std::string& folder) {
    for (char c : folder)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return "the study folder '" + folder +
                   "' holds a control character (a line end or a tab); jobs name it in lines a shell reads, so "
                   "choose a name without";
    return {};
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool isSymbolicLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool writeStudyFile(const std::string& path, const std::string& bytes, std::string& error) {
    if (isSymbolicLink(path)) {
        error = "'" + path + "' is a symbolic link; a study writes no file through a link in its folder";
        return false;
    }
    return writeWholeFile(path, bytes, error);
}

StudyResultState readStudyResult(const StudyManifest& manifest, std::size_t job, nlohmann::json& result,
                                 std::string& reason) {
    const std::string name = studyResultName(studyJobStem(job, manifest.jobCount));
    const std::string path = manifest.folder + "/" + name;
    if (isSymbolicLink(path)) {
        reason = name + " is a symbolic link, not a result a job writes";
        return StudyResultState::Refused;
    }
    TextFileFault fault = TextFileFault::None;
    const auto text = readBoundedTextFile(path, resultLimits, fault, reason);
    if (!text) {
        reason = name + " " + reason;
        return fault == TextFileFault::Absent ? StudyResultState::Absent : StudyResultState::Refused;
    }
    auto json = parseStrictJson(*text, reason);
    if (!json || !json->is_object() || !json->contains("tasks") || !json->contains("study") ||
        !(*json)["study"].is_object()) {
        reason = name + " is malformed (" + (json ? "not a study result" : reason) + ")";
        return StudyResultState::Malformed;
    }
    const auto& study = (*json)["study"];
    if (study.value("manifestSha256", nlohmann::json()) != manifest.sha256 ||
        study.value("job", nlohmann::json()) != job) {
        reason = name + " is stale (a result of another plan or job)";
        return StudyResultState::Stale;
    }
    result = std::move(*json);
    return StudyResultState::Done;
}
