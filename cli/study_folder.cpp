#include "cli/study_folder.h"

#include "camera/camera_file.h"
#include "cli/command_words.h"
#include "cli/exit_status.h"
#include "cli/provenance.h"
#include "cli/range_command.h"
#include "cli/refusal.h"
#include "cli/study_manifest.h"
#include "console/data_files.h"
#include "console/target_loader.h"
#include "measurement/range_study.h"
#include "text/bounded_text_file.h"
#include "text/utf8.h"
#include "text/version.h"

#include <charconv>
#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

namespace {

constexpr TextFileLimits planLimits{"a study plan", 1u << 20, 1u << 20};

// The range options a plan may give: the scenario. The study itself names the source and the output.
bool checkRangeWords(const std::vector<std::string>& words, StudyTableLayout& layout, std::string& error) {
    const auto parsed = parseCommandWords("range", words, error);
    if (!parsed) {
        error = "the plan's \"range\": " + error;
        return false;
    }
    for (const char* option :
         {"camera", "session", "slot", "objective", "objective-horizontal", "mrtd", "json", "csv", "plot"})
        if (parsed->has(option)) {
            error = "the plan's \"range\" may not hold --" + std::string(option) +
                    ": the study gives every range run its source and output";
            return false;
        }
    if (!parsed->positional().empty()) {
        error = "the plan's \"range\" holds '" + parsed->positional().front() + "', which is no option";
        return false;
    }
    const auto names = rangeTaskNames(*parsed, error);
    if (!names) {
        error = "the plan's \"range\": " + error;
        return false;
    }
    layout.tasks = names->tasks;
    layout.ttpTasks = names->ttpTasks;
    return true;
}

// The plan's file when it names one, else the shipped one beside the plan, else the program's: found
// once, here, so that no job depends on the folder it starts in.
std::optional<fs::path> inputPath(const fs::path& planFolder, const std::string& named, const char* shipped,
                                  const std::string& programDirectory) {
    if (!named.empty())
        return planFolder / named;
    std::error_code error;
    if (fs::is_regular_file(planFolder / shipped, error))
        return planFolder / shipped;
    const fs::path installed = dataFilePath(programDirectory, shipped);
    if (fs::is_regular_file(installed, error))
        return installed;
    return std::nullopt;
}

std::optional<nlohmann::json> recordOf(const std::optional<fs::path>& path, const char* what, std::string& error) {
    if (!path)
        return nlohmann::json(nullptr);
    if (firstNonUtf8Byte(path->string()) != std::string::npos) {
        error = "the " + std::string(what) + " file's name '" + path->string() + "' is not UTF-8; rename it";
        return std::nullopt;
    }
    return inputRecord(path->string(), error);
}

std::string pointText(const StudyPlan& plan, const std::vector<double>& point) {
    std::string text;
    for (std::size_t k = 0; k < point.size(); ++k)
        text += (k ? ", " : "") + plan.parameters[k].name + " " + nlohmann::json(point[k]).dump();
    return text;
}

std::string manifestText(nlohmann::json head, const std::vector<nlohmann::json>& jobs) {
    // One job a line, so that a person can read a manifest of thousands.
    std::string text = head.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    text.resize(text.size() - 2);
    text += ",\n  \"jobs\": [\n";
    for (std::size_t k = 0; k < jobs.size(); ++k)
        text += "    " + jobs[k].dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
                (k + 1 < jobs.size() ? ",\n" : "\n");
    return text + "  ]\n}\n";
}

} // namespace

int makeStudyFolder(const CommandWords& words) {
    if (words.positional().size() != 1)
        return usageError("study takes one plan file (or run DIR N, slurm DIR, --merge DIR)");
    std::size_t maxJobs = defaultMaxStudyJobs;
    if (words.has("max-jobs")) {
        const std::string text = words.value("max-jobs");
        auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), maxJobs);
        if (fault != std::errc() || end != text.data() + text.size() || maxJobs < 1 || maxJobs > hardMaxStudyJobs)
            return usageError("--max-jobs takes a whole number from 1 to " + std::to_string(hardMaxStudyJobs));
    }
    const fs::path planPath = fs::absolute(words.positional()[0]).lexically_normal();
    const fs::path folder =
        fs::absolute(words.has("out") ? fs::path(words.value("out")) : planPath.parent_path() / planPath.stem())
            .lexically_normal();
    if (const std::string reason = unsafeFolderReason(folder.string()); !reason.empty())
        return fail(reason);
    TextFileFault fault = TextFileFault::None;
    std::string error;
    const auto planText = readBoundedTextFile(planPath.string(), planLimits, fault, error);
    if (!planText)
        return fail("the plan '" + planPath.string() + "' " + error);
    const auto plan = parseStudyPlan(*planText, maxJobs, error);
    StudyTableLayout layout;
    if (!plan || !checkRangeWords(plan->rangeWords, layout, error))
        return fail(planPath.string() + ": " + error);
    for (const StudyParameter& p : plan->parameters)
        layout.parameters.push_back(p.name);

    const std::string programDirectory = fs::path(words.program()).parent_path().string() + "/";
    const fs::path planFolder = planPath.parent_path();
    const fs::path basePath = planFolder / plan->baseCamera;
    const auto baseText = readBoundedTextFile(basePath.string(), cameraFileLimits, fault, error);
    if (!baseText)
        return fail("the base camera file '" + basePath.string() + "' " + error);
    const auto target = inputPath(planFolder, plan->target, standardTargetFile, programDirectory);
    const auto atmosphere = inputPath(planFolder, plan->atmosphere, "Atmosphere.ini", programDirectory);
    if (!target)
        return fail(std::string("no target: the plan names none and there is no ") + standardTargetFile +
                    " beside it or the program");
    const auto targetRecord = recordOf(target, "target", error);
    const auto atmosphereRecord = targetRecord ? recordOf(atmosphere, "atmosphere", error) : std::nullopt;
    if (!atmosphereRecord)
        return fail(error);

    // Every camera is written and read back before anything goes to the disk: a value the base file
    // cannot take fails the plan, not its job.
    const std::size_t jobCount = studyJobCount(*plan);
    std::vector<std::string> cameraHashes;
    cameraHashes.reserve(jobCount);
    for (std::size_t job = 1; job <= jobCount; ++job) {
        const auto point = studyPoint(*plan, job);
        const auto camera = studyCameraText(*baseText, *plan, point, error);
        if (!camera)
            return fail("job " + std::to_string(job) + " (" + pointText(*plan, point) + "): " + error);
        cameraHashes.push_back(sha256Hex(*camera));
    }

    std::error_code made;
    if (fs::exists(folder, made) && !fs::is_directory(folder, made))
        return fail("'" + folder.string() + "' is a file, not a study folder");
    for (const char* sub : {"cameras", "results", "logs"}) {
        if (isSymbolicLink((folder / sub).string()))
            return fail("'" + (folder / sub).string() + "' is a symbolic link; a study writes no file through a link");
        fs::create_directories(folder / sub, made);
        if (made)
            return fail("cannot make '" + (folder / sub).string() + "': " + made.message());
    }
    std::vector<nlohmann::json> jobs;
    jobs.reserve(jobCount);
    std::string lines;
    const std::string program = shellQuoted(words.program()), quotedFolder = shellQuoted(folder.string());
    for (std::size_t job = 1; job <= jobCount; ++job) {
        const auto point = studyPoint(*plan, job);
        const std::string camera = studyCameraName(studyJobStem(job, jobCount));
        if (!writeStudyFile((folder / camera).string(), *studyCameraText(*baseText, *plan, point, error), error))
            return fail(error);
        jobs.push_back({{"job", job},
                        {"point", point},
                        {"camera", camera},
                        {"sha256", cameraHashes[job - 1]},
                        {"seed", plan->seed},
                        {"orientations", {"vertical", "horizontal"}}});
        lines += program + " study run " + quotedFolder + " " + std::to_string(job) + "\n";
    }
    const nlohmann::json canonical = canonicalStudyPlan(*plan);
    const nlohmann::json head{
        {"format", "tervix study"},
        {"version", tervixVersion},
        {"plan", canonical},
        {"planSha256", sha256Hex(canonical.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))},
        {"inputs",
         {{"plan", inputRecord(planPath.string(), *planText)},
          {"camera", inputRecord(basePath.string(), *baseText)},
          {"target", *targetRecord},
          {"atmosphere", *atmosphereRecord}}},
        {"repeats", plan->repeats},
        {"range", plan->rangeWords},
        {"parameters", layout.parameters},
        {"tasks", layout.tasks},
        {"ttpTasks", layout.ttpTasks},
        {"jobCount", jobCount}};
    const std::string jobsPath = (folder / "jobs.txt").string();
    if (!writeStudyFile((folder / "manifest.json").string(), manifestText(head, jobs), error) ||
        !writeStudyFile(jobsPath, lines, error))
        return fail(error);
    std::cout << jobCount << " jobs in " << jobsPath << "\nrun: parallel < " << shellQuoted(jobsPath)
              << "\n  or: tervix-cli study slurm " << quotedFolder << "\nthen: tervix-cli study --merge "
              << quotedFolder << '\n';
    return 0;
}
