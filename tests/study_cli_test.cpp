// Trade studies run as an analyst runs them: through GNU parallel, again after an edit of the plan,
// with hostile names, and merged from a folder someone has tampered with.
#include "cli_run.h"
#include "test_support.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// The test's own shell must hand the tool the bytes as they are.
std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string sha256Of(const std::string& path) {
    return runCommand("sha256sum " + quoted(path)).out.substr(0, 64);
}

nlohmann::json jsonOf(const std::string& path) {
    return nlohmann::json::parse(readText(path));
}

bool hasParallel() {
    return std::system("parallel --version > /dev/null 2>&1") == 0;
}

std::string plan(const std::string& camera, const std::string& values,
                 const std::string& range = "--criteria johnson") {
    return nlohmann::json{{"camera", camera},
                          {"repeats", 2},
                          {"range", range},
                          {"parameters", {{{"name", "netd"}, {"values", nlohmann::json::parse(values)}}}}}
        .dump();
}

// The guide's example: every interval and bracket cell of the merged CSV is a number or explained in
// the row's notes, and pandas reads it.
const char* const fillOrExplain = R"(
import re, sys, pandas
table = pandas.read_csv(sys.argv[1])
assert len(table) == int(sys.argv[2]) and (table.status == 'done').all(), table
for column in table.columns:
    task = re.sub(r'_(ci95_low_km|ci95_high_km|low_km|high_km)$', '', column)
    if task != column:
        for row, value in table[column].items():
            assert pandas.notna(value) or task.replace('ttp_', 'ttp ') in table.notes[row], (column, row)
print('ok')
)";

// The study `name` of the camera's NETD values, written and run through GNU parallel in dir.
bool runStudy(const TempDir& dir, const std::string& name, const std::string& camera, const std::string& values,
              const std::string& range = "--criteria johnson") {
    copyShipped(dir, {camera.c_str(), "mira.tag"});
    const std::string folder = dir.root().string();
    dir.write(name + ".json", plan(camera, values, range));
    return runCli("study " + name + ".json", folder).status == 0 &&
           runCommand("parallel < " + name + "/jobs.txt", folder).status == 0;
}

// A study of NETD on camera4, each camera measured to its own limit: the detection range falls with
// every step of the noise, where the bench's six frequencies once left the first ones equal.
TEST(CliLong, ANetdStudyGivesStrictlyFallingDetectionRanges) {
    if (!hasParallel())
        GTEST_SKIP() << "GNU parallel is not installed";
    const TempDir dir;
    ASSERT_TRUE(runStudy(dir, "n", "camera4.par", "[0.05, 0.15, 0.4, 1]"));
    double previous = INFINITY;
    std::string stated; // "6.79, 6.34, 5.62 and 4.56 km", as the guide gives them
    for (int job = 1; job <= 4; ++job) {
        const auto range = jsonOf(dir.path("n/results/cam00" + std::to_string(job) + ".range.json"));
        const double km = range["tasks"][0]["rangeKm"];
        EXPECT_LT(km, previous) << "job " << job << ": " << range["tasks"][0];
        EXPECT_EQ(range["tasks"][0]["limitedBy"], "crossing") << "job " << job; // as the guide says
        previous = km;
        char text[32];
        std::snprintf(text, sizeof text, "%s%.2f", job == 1 ? "" : job == 4 ? " and " : ", ", km);
        stated += text;
    }
    const std::string guide = readText(std::string(TERVIX_DOCS_DIR) + "/user_guide.md");
    EXPECT_NE(guide.find("detection ranges of " + stated + " km"), std::string::npos) << stated;
}

TEST(CliLong, StudyResumesAndNeverMergesAnEditedPlansResults) {
    if (!hasParallel())
        GTEST_SKIP() << "GNU parallel is not installed";
    const TempDir dir;
    const std::string folder = dir.root().string();
    ASSERT_TRUE(runStudy(dir, "s", "camera1.par", "[0.03, 0.3]", "--criteria johnson --extinction 0.3"));
    const CliRun merged = runCli("study --merge s", folder);
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(runCommand("/usr/bin/python3 -c " + quoted(fillOrExplain) + " s/ranges.csv 2", folder).out, "ok\n");
    EXPECT_EQ(runCommand("/usr/bin/python3 " + testDataFile("cli/csv_units.py") + " s/ranges.csv 2", folder).out,
              "ok\n");

    // Each result names the bytes it was made from.
    const auto vertical = jsonOf(dir.path("s/results/cam001.vertical.json"))["provenance"];
    EXPECT_EQ(vertical["inputs"]["camera"]["sha256"], sha256Of(dir.path("s/cameras/cam001.par")));
    EXPECT_EQ(vertical["inputs"]["target"]["sha256"], sha256Of(dir.path("mira.tag")));
    EXPECT_EQ(std::tuple(vertical["orientation"], vertical["seed"], vertical["observer"]["repeats"]),
              std::tuple("vertical", 1, 2));
    EXPECT_EQ(jsonOf(dir.path("s/results/cam001.horizontal.json"))["provenance"]["orientation"], "horizontal");
    const auto range = jsonOf(dir.path("s/results/cam001.range.json"));
    EXPECT_EQ(range["provenance"]["inputs"]["objective-horizontal"]["sha256"],
              sha256Of(dir.path("s/results/cam001.horizontal.json")));
    EXPECT_EQ(range["study"]["manifestSha256"], sha256Of(dir.path("s/manifest.json")));
    EXPECT_EQ(range["study"]["inputs"]["camera"]["sha256"], sha256Of(dir.path("s/cameras/cam001.par")));

    // A second run finds every job complete and leaves the results as they were.
    const auto written = fs::last_write_time(dir.path("s/results/cam002.range.json"));
    const CliRun again = runCli("study run s 2", folder);
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.err.find("job 2 is complete"), std::string::npos) << again.err;
    EXPECT_EQ(fs::last_write_time(dir.path("s/results/cam002.range.json")), written);

    // The plan edited and written into the same folder: no old result passes for a new one, not even
    // job 2's, whose camera is unchanged; job 2 run again keeps its measurements and is merged.
    dir.write("s.json", plan("camera1.par", "[0.05, 0.3]", "--criteria 2d --extinction 0.3"));
    ASSERT_EQ(runCli("study s.json", folder).status, 0);
    const CliRun stale = runCli("study --merge s", folder);
    EXPECT_EQ(stale.status, 3);
    EXPECT_NE(stale.err.find("stale (another plan's result, not merged) (2)"), std::string::npos) << stale.err;
    const CliRun rerun = runCli("study run s 2", folder);
    ASSERT_EQ(rerun.status, 0) << rerun.err;
    EXPECT_NE(readText(dir.path("s/logs/cam002.log")).find("cam002.vertical.json is kept"), std::string::npos);
    EXPECT_EQ(runCli("study --merge s", folder).status, 3);
    const auto rows = splitLines(readText(dir.path("s/ranges.csv")));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].find("orientation_km"), std::string::npos) << "the 2-D criteria have no orientation task";
    EXPECT_NE(rows[1].find(",stale,"), std::string::npos);
    EXPECT_NE(rows[2].find(",done,"), std::string::npos);
}

// Nothing in a name or a value reaches a shell: jobs.txt and the job array run no part of it, and each
// job receives its folder as it was named.
class StudyHostileName : public ::testing::TestWithParam<DataRow> {};
TEST_P(StudyHostileName, ExecutesNothing) {
    if (!hasParallel())
        GTEST_SKIP() << "GNU parallel is not installed";
    const TempDir dir;
    const std::string where = GetParam().text(0), text = GetParam().text(1), expected = GetParam().text(2);
    const std::string camera = where == "camera" ? text : "camera1.par";
    fs::copy_file(shippedFile("camera1.par"), dir.path(camera));
    copyShipped(dir, {"mira.tag"});
    const std::string planName = where == "plan" ? text : "p.json";
    dir.write(planName, plan(camera, "[0.1]", where == "range" ? text : "--criteria 2d"));
    const std::string out = where == "out" ? dir.path(text) : dir.path(fs::path(planName).stem().string());
    const CliRun made = runCli("study " + quoted(dir.path(planName)) + (where == "out" ? " --out " + quoted(out) : ""));
    if (expected != "runs") {
        EXPECT_EQ(made.status, 1);
        EXPECT_NE(made.err.find(expected), std::string::npos) << made.err;
        EXPECT_EQ(runCli("study run " + quoted(out) + " 1").status, 1);
    } else {
        ASSERT_EQ(made.status, 0) << made.err;
        // Without its camera a job stops at once, and says so in its log inside the folder.
        fs::remove(out + "/cameras/cam001.par");
        runCommand("parallel < " + quoted(out + "/jobs.txt"), dir.root().string());
        EXPECT_NE(readText(out + "/logs/cam001.log").find("job 1 failed"), std::string::npos);
        ASSERT_EQ(runCli("study slurm " + quoted(out)).status, 0);
        runCommand("SLURM_ARRAY_TASK_ID=1 bash " + quoted(out + "/slurm.sh"), dir.root().string());
        EXPECT_NE(readText(out + "/logs/slurm-1.log").find("job 1 failed"), std::string::npos);
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir.root()))
        EXPECT_NE(entry.path().filename(), "CANARY") << entry.path();
}
INSTANTIATE_TEST_SUITE_P(Rows, StudyHostileName, TERVIX_TABLE_ROWS("study/hostile_names.tsv"));

// A folder of seven jobs with every kind of result a merge meets: it names each, never crashes,
// never writes through a link put in the folder or onto an input, and exits 3.
TEST(CliStudy, MergeNamesWhatItCannotTakeAndWritesNoInput) {
    const TempDir dir;
    copyShipped(dir, {"camera1.par", "mira.tag"});
    const std::string folder = dir.root().string();
    dir.write("s.json", plan("camera1.par", "[0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08]"));
    ASSERT_EQ(runCli("study s.json", folder).status, 0);
    nlohmann::json result = nlohmann::json::parse(runCli("range --camera camera1.par --json", folder).out);
    auto resultOf = [&](int job, const std::string& sha) {
        result["study"] = {{"manifestSha256", sha}, {"job", job}};
        return result.dump();
    };
    const std::string sha = sha256Of(dir.path("s/manifest.json"));
    dir.write("s/results/cam001.range.json", resultOf(1, sha));
    dir.write("s/results/cam002.range.json", "{\"tasks\": [");
    result["tasks"] = {{{"task", "detection"}, {"rangeKm", "far"}}};
    dir.write("s/results/cam003.range.json", resultOf(3, sha));
    dir.write("s/results/cam004.range.json", resultOf(4, std::string(64, '0')));
    dir.write("s/logs/cam005.log", "job 5 failed: out of memory\n");
    fs::create_symlink(dir.path("s/results/cam001.range.json"), dir.path("s/results/cam006.range.json"));
    const std::string victim = dir.write("victim.txt", "kept");

    fs::create_symlink(victim, dir.path("s/ranges.csv"));
    for (const char* outputs : {"", " --csv s/manifest.json", " --plot s/results/p.png", " --csv s.json"}) {
        const CliRun refused = runCli("study --merge s" + std::string(outputs), folder);
        EXPECT_EQ(refused.status, 1) << outputs;
    }
    EXPECT_EQ(readText(victim), "kept");
    fs::remove(dir.path("s/ranges.csv"));

    const CliRun merged = runCli("study --merge s", folder);
    EXPECT_EQ(merged.status, 3);
    for (const char* named : {"cam002.range.json is malformed", "cam004.range.json is stale", "job 5: logs/cam005.log",
                              "cam006.range.json is a symbolic link", "  job 7\n"})
        EXPECT_NE(merged.err.find(named), std::string::npos) << named << "\n" << merged.err;
    const auto rows = splitLines(readText(dir.path("s/ranges.csv")));
    ASSERT_EQ(rows.size(), 8u);
    const char* statuses[] = {"done", "malformed", "done", "stale", "failed", "malformed", "missing"};
    for (std::size_t k = 0; k < 7; ++k)
        EXPECT_NE(rows[k + 1].find(std::string(",") + statuses[k] + ","), std::string::npos) << rows[k + 1];

    // Seven jobs in arrays of at most three: the script takes the first three and names the rest.
    ASSERT_EQ(runCli("study slurm s --array-limit 3", folder).status, 0);
    const std::string script = readText(dir.path("s/slurm.sh"));
    for (const char* line : {"#SBATCH --array=1-3\n", "--array=1-3 --export=ALL,TERVIX_STUDY_OFFSET=3 ",
                             "--array=1-1 --export=ALL,TERVIX_STUDY_OFFSET=6 "})
        EXPECT_NE(script.find(line), std::string::npos) << line << script;

    // A damaged manifest is refused with a reason, whatever it holds.
    for (const char* manifest : {"{", R"({"format": "tervix study", "jobs": [5]})", "[]"}) {
        dir.write("s/manifest.json", manifest);
        const CliRun damaged = runCli("study --merge s", folder);
        EXPECT_EQ(damaged.status, 1) << manifest;
        EXPECT_NE(damaged.err.find("manifest"), std::string::npos) << damaged.err;
    }
}

} // namespace
