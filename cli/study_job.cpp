#include "cli/study_job.h"

#include "cli/command_words.h"
#include "cli/exit_status.h"
#include "cli/provenance.h"
#include "cli/refusal.h"
#include "cli/study_manifest.h"
#include "measurement/range_study.h"
#include "text/bounded_text_file.h"
#include "text/strict_json.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <iostream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Slurm refuses an array of more tasks than its MaxArraySize, 1001 unless a cluster's slurm.conf
// sets another; a task ID must stay below it.
constexpr std::size_t defaultArrayLimit = 1000;

constexpr TextFileLimits childOutputLimits{"a measurement's output", maxStudyResultBytes, maxStudyResultBytes};

std::optional<std::size_t> wholeNumber(const std::string& text, std::size_t low, std::size_t high) {
    std::size_t value = 0;
    auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (fault != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

struct ChildRun {
    int status = -1;
    std::string out, err;
};

// Runs the tool itself with argv, no shell between: the words reach it as they are.
std::optional<ChildRun> runChild(const std::vector<std::string>& argv, const std::string& scratch, std::string& error) {
    const std::string outPath = scratch + ".out", errPath = scratch + ".err";
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    std::vector<char*> args;
    for (const std::string& word : argv)
        args.push_back(const_cast<char*>(word.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    pid_t pid = -1;
    const int spawned =
        out >= 0 && err >= 0 ? posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) : errno;
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {out, err})
        if (fd >= 0)
            ::close(fd);
    ChildRun run;
    int status = 0;
    if (spawned == 0)
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    run.out = readBoundedTextFile(outPath, childOutputLimits, fault, reason).value_or("");
    run.err = readBoundedTextFile(errPath, childOutputLimits, fault, reason).value_or("");
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    if (spawned != 0) {
        error = "cannot start " + argv[0] + ": " + std::strerror(spawned);
        return std::nullopt;
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// Whether an objective MRTD's JSON was measured on this job's inputs, as the manifest asks: to each
// camera's own limit, so that the study compares cameras and not the bench's frequencies.
bool measuredForJob(const nlohmann::json& mrtd, const StudyManifest& manifest, const StudyJob& job,
                    const std::string& bars) {
    if (!mrtd.is_object() || !mrtd.contains("provenance") || !mrtd["provenance"].is_object())
        return false;
    const auto& p = mrtd["provenance"];
    const nlohmann::json none;
    auto sha = [&](const char* role) {
        const auto& inputs = p.value("inputs", none);
        return inputs.is_object() && inputs.contains(role) && inputs[role].is_object()
                   ? inputs[role].value("sha256", none)
                   : none;
    };
    const auto& observer = p.value("observer", none);
    return sha("camera") == job.sha256 && sha("target") == manifest.target.sha256 &&
           sha("atmosphere") == (manifest.atmosphere ? nlohmann::json(manifest.atmosphere->sha256) : none) &&
           p.value("seed", none) == job.seed && p.value("orientation", none) == bars && observer.is_object() &&
           observer.value("repeats", none) == manifest.repeats && observer.value("frequencies", none) == "auto";
}

std::optional<nlohmann::json> readJson(const std::string& path, std::string& reason) {
    TextFileFault fault = TextFileFault::None;
    const auto text = readBoundedTextFile(path, childOutputLimits, fault, reason);
    return text ? parseStrictJson(*text, reason) : std::nullopt;
}

class JobLog {
public:
    JobLog(std::string path, std::size_t job) : path_(std::move(path)), job_(job) {}
    void add(const std::string& text) {
        text_ += text;
        if (!text.empty() && text.back() != '\n')
            text_ += '\n';
    }
    int failed(const std::string& reason) {
        add("job " + std::to_string(job_) + " failed: " + reason);
        save();
        return fail("job " + std::to_string(job_) + " failed: " + reason);
    }
    void save() {
        std::string error;
        if (!writeStudyFile(path_, text_, error))
            std::cerr << "tervix-cli: " << error << '\n';
    }

private:
    std::string path_, text_;
    std::size_t job_;
};

// Each line of text as a comment of a shell script.
std::string commented(const std::string& text) {
    std::string out;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        out += "#   " + text.substr(start, end - start) + "\n";
    }
    return out;
}

} // namespace

int runStudyJob(const CommandWords& words, const std::string& folderWord, const std::string& jobWord) {
    const std::string folder = fs::absolute(folderWord).lexically_normal().string();
    if (const std::string reason = unsafeFolderReason(folder); !reason.empty())
        return fail(reason);
    const auto number = wholeNumber(jobWord, 1, hardMaxStudyJobs);
    if (!number)
        return usageError("study run takes the study's folder and a job number from 1");
    std::string error;
    const auto manifest = readStudyManifest(folder, *number, error);
    if (!manifest)
        return fail(error);
    if (manifest->jobs.empty())
        return fail("the study in '" + folder + "' has no job " + jobWord + " (it has " +
                    std::to_string(manifest->jobCount) + ")");
    const StudyJob& job = manifest->jobs.front();
    const std::string stem = studyJobStem(job.job, manifest->jobCount);
    nlohmann::json result;
    if (readStudyResult(*manifest, job.job, result, error) == StudyResultState::Done) {
        std::cerr << "job " << job.job << " is complete: " << studyResultName(stem) << '\n';
        return 0;
    }
    JobLog log(folder + "/" + studyLogName(stem), job.job);
    const std::string camera = folder + "/" + job.camera;
    std::vector<std::pair<std::string, std::string>> inputs{{camera, job.sha256},
                                                            {manifest->target.path, manifest->target.sha256}};
    if (manifest->atmosphere)
        inputs.emplace_back(manifest->atmosphere->path, manifest->atmosphere->sha256);
    for (const auto& [file, sha] : inputs) {
        const auto record = inputRecord(file, error);
        if (!record)
            return log.failed(error);
        if ((*record)["sha256"] != sha)
            return log.failed("'" + file +
                              "' is not the file the study was written from (its SHA-256 differs); "
                              "write the study again");
    }
    const std::string program = words.program();
    const std::string scratch = folder + "/logs/." + stem + "." + std::to_string(::getpid());
    std::vector<std::string> rangeArgs{program, "range"};
    for (const std::string& bars : job.orientations) {
        const std::string name = studyMrtdName(stem, bars), path = folder + "/" + name;
        rangeArgs.push_back(bars == "vertical" ? "--objective" : "--objective-horizontal");
        rangeArgs.push_back(path);
        // A measurement a cut-short run left whole is taken again as it is.
        std::string reason;
        const auto kept = isSymbolicLink(path) ? std::nullopt : readJson(path, reason);
        if (kept && measuredForJob(*kept, *manifest, job, bars)) {
            log.add("job " + std::to_string(job.job) + ": " + name + " is kept from an earlier run");
            continue;
        }
        std::vector<std::string> argv{program,         "mrtd",
                                      "--camera",      camera,
                                      "--target",      manifest->target.path,
                                      "--seed",        std::to_string(job.seed),
                                      "--repeats",     std::to_string(manifest->repeats),
                                      "--threads",     "1",
                                      "--orientation", bars,
                                      "--frequencies", "auto",
                                      "--json"};
        if (manifest->atmosphere)
            argv.insert(argv.end(), {std::string("--atmosphere"), manifest->atmosphere->path});
        log.add("job " + std::to_string(job.job) + ": measuring " + bars + " bars");
        const auto run = runChild(argv, scratch, error);
        if (!run)
            return log.failed(error);
        log.add(run->err);
        if (run->status != 0)
            return log.failed("the measurement of " + bars + " bars exited with status " + std::to_string(run->status));
        const auto measured = parseStrictJson(run->out, reason);
        if (!measured || !measuredForJob(*measured, *manifest, job, bars))
            return log.failed("the measurement of " + bars + " bars did not read the study's inputs");
        if (!writeStudyFile(path, run->out, error))
            return log.failed(error);
    }
    rangeArgs.push_back("--json");
    rangeArgs.insert(rangeArgs.end(), manifest->rangeWords.begin(), manifest->rangeWords.end());
    const auto run = runChild(rangeArgs, scratch, error);
    if (!run)
        return log.failed(error);
    log.add(run->err);
    std::string reason;
    auto ranges = run->status == 0 ? parseStrictJson(run->out, reason) : std::nullopt;
    if (!ranges || !ranges->is_object())
        return log.failed("the range run exited with status " + std::to_string(run->status));
    // The result names the bytes it was measured on, as well as the plan it belongs to.
    auto input = [](const std::string& path, const std::string& sha) {
        return nlohmann::json{{"path", path}, {"sha256", sha}};
    };
    (*ranges)["study"] = nlohmann::json{
        {"manifestSha256", manifest->sha256},
        {"job", job.job},
        {"point", job.point},
        {"inputs",
         {{"camera", input(camera, job.sha256)},
          {"target", input(manifest->target.path, manifest->target.sha256)},
          {"atmosphere", manifest->atmosphere ? input(manifest->atmosphere->path, manifest->atmosphere->sha256)
                                              : nlohmann::json(nullptr)}}}};
    if (!writeStudyFile(folder + "/" + studyResultName(stem),
                        ranges->dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", error))
        return log.failed(error);
    const std::string finished = "job " + std::to_string(job.job) + " finished: " + studyResultName(stem);
    log.add(finished);
    log.save();
    std::cout << finished << '\n';
    return 0;
}

int writeStudySlurmScript(const CommandWords& words, const std::string& folderWord) {
    const std::string folder = fs::absolute(folderWord).lexically_normal().string();
    if (const std::string reason = unsafeFolderReason(folder); !reason.empty())
        return fail(reason);
    const auto limit = words.has("array-limit") ? wholeNumber(words.value("array-limit"), 1, 100000000)
                                                : std::optional<std::size_t>(defaultArrayLimit);
    if (!limit)
        return usageError("--array-limit takes the most tasks one array may have, a whole number from 1");
    std::string error;
    const auto manifest = readStudyManifest(folder, 1, error);
    if (!manifest)
        return fail(error);
    const std::size_t jobs = manifest->jobCount, tasks = std::min(jobs, *limit);
    const std::string script = folder + "/slurm.sh", quotedScript = shellQuoted(script);
    std::string more;
    for (std::size_t offset = tasks; offset < jobs; offset += tasks)
        more += "sbatch --array=1-" + std::to_string(std::min(tasks, jobs - offset)) +
                " --export=ALL,TERVIX_STUDY_OFFSET=" + std::to_string(offset) + " " + quotedScript + "\n";
    const std::string quotedFolder = shellQuoted(folder);
    const std::string text =
        "#!/bin/bash\n"
        "# One task per job of a study of " +
        std::to_string(jobs) +
        " jobs; each writes logs/slurm-N.log.\n"
        "#SBATCH --job-name=tervix-study\n"
        "#SBATCH --array=1-" +
        std::to_string(tasks) +
        "\n"
        "#SBATCH --cpus-per-task=1\n"
        "#SBATCH --output=/dev/null\n"
        "# Slurm takes at most MaxArraySize - 1 tasks in one array (MaxArraySize is 1001 unless the cluster's\n"
        "# slurm.conf sets it); this script asks for " +
        std::to_string(tasks) + " at a time" +
        (more.empty() ? ".\n" : ", and the jobs past them run when it is submitted again:\n" + commented(more)) +
        "set -u\n"
        "offset=${TERVIX_STUDY_OFFSET:-0}\n"
        "case $offset in '' | *[!0-9]*) echo \"TERVIX_STUDY_OFFSET must be a whole number\" >&2; exit 2 ;; esac\n"
        "job=$((SLURM_ARRAY_TASK_ID + offset))\n"
        "log=" +
        quotedFolder +
        "/logs/slurm-$job.log\n"
        "# A link someone put in the log's place is removed, not written through.\n"
        "rm -f -- \"$log\"\n"
        "set -C\n"
        "exec >\"$log\" 2>&1\n"
        "exec " +
        shellQuoted(words.program()) + " study run " + quotedFolder + " \"$job\"\n";
    if (!writeStudyFile(script, text, error))
        return fail(error);
    std::cout << "submit: sbatch " << quotedScript << '\n';
    if (!more.empty())
        std::cout << jobs << " jobs are more than the " << tasks
                  << " tasks of one array (--array-limit, below Slurm's MaxArraySize); then submit the rest:\n"
                  << more;
    return 0;
}
