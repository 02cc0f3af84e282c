// A study's merge at scale, as an analyst runs it: `tervix-cli study --merge DIR` over 10,000 and
// 100,000 finished jobs, its wall time and its peak memory (the merge streams: the figures must stay
// within 60 s and 200 MB at 100,000). The folder is the tool's own manifest for a one-job plan, its
// job list widened to N jobs, with a real range run's JSON as each job's result; it is made once in
// the temporary folder and kept for later runs.
#include <nlohmann/json.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    if (!pipe || pclose(pipe) != 0)
        throw std::runtime_error("failed: " + command);
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path studyOf(std::size_t jobs) {
    const fs::path root = fs::temp_directory_path() / ("tervix_merge_bench_" + std::to_string(jobs));
    const fs::path folder = root / "s";
    if (fs::exists(root / "complete"))
        return folder;
    fs::remove_all(root);
    fs::create_directories(root);
    const std::string cli = TERVIX_CLI_PATH, data = TERVIX_SHIPPED_DATA_DIR;
    std::ofstream(root / "plan.json")
        << R"({"camera": ")" << data
        << R"(/camera1.par", "repeats": 2, "parameters": [{"name": "netd", "values": [0.05]}]})";
    run(cli + " study " + (root / "plan.json").string() + " --out " + folder.string() + " > /dev/null");
    nlohmann::json manifest = nlohmann::json::parse(readFile(folder / "manifest.json"));
    const nlohmann::json job = manifest["jobs"][0];
    manifest["jobs"] = nlohmann::json::array();
    for (std::size_t k = 1; k <= jobs; ++k) {
        nlohmann::json entry = job;
        entry["job"] = k;
        entry["point"] = {0.01 + 0.001 * static_cast<double>(k % 1000)};
        manifest["jobs"].push_back(entry);
    }
    manifest["jobCount"] = jobs;
    std::ofstream(folder / "manifest.json") << manifest.dump(1);
    const std::string sha = run("sha256sum " + (folder / "manifest.json").string()).substr(0, 64);
    nlohmann::json result = nlohmann::json::parse(run(cli + " range --camera " + data + "/camera1.par --json"));
    char stem[32];
    for (std::size_t k = 1; k <= jobs; ++k) {
        result["study"] = {{"manifestSha256", sha}, {"job", k}, {"point", manifest["jobs"][k - 1]["point"]}};
        std::snprintf(stem, sizeof stem, "cam%0*zu",
                      static_cast<int>(std::max<std::size_t>(3, std::to_string(jobs).size())), k);
        std::ofstream(folder / "results" / (std::string(stem) + ".range.json")) << result.dump(2);
    }
    std::ofstream(root / "complete") << "";
    return folder;
}

void StudyMergeBench(benchmark::State& state) {
    const auto jobs = static_cast<std::size_t>(state.range(0));
    const fs::path folder = studyOf(jobs);
    const std::string command = std::string(TERVIX_CLI_PATH) + " study --merge " + folder.string();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", (command + " > /dev/null 2>&1").c_str(), nullptr);
            _exit(127);
        }
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the merge failed");
        // The shell's peak is below the tool's: the larger is the merge's.
        state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    state.counters["jobs"] = static_cast<double>(jobs);
}

} // namespace

BENCHMARK(StudyMergeBench)->Arg(10000)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
