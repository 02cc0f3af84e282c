// tervix-cli session on a hand-computed session file (statistics, CSV, report, refusals), and the
// bar orientation of render and mrtd, run as a user would.
#include "cli_run.h"
#include "json_expect.h"
#include "test_support.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// The hand-computed session the core's statistics test holds too (tests/data/session/README.md).
const std::string sessionFolder = testDataFile("session/statistics/ThreeObserversBesideOthers/");

// Runs of bright samples, above the middle between the extremes, across the middle row and down the
// middle column of a PFM image.
std::pair<int, int> brightRunsAcrossAndDown(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0;
    double scale;
    in >> magic >> width >> height >> scale;
    in.get();
    std::vector<float> pixels(static_cast<std::size_t>(width * height));
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * sizeof(float)));
    auto runs = [&](int count, int step, int start) {
        std::vector<float> line;
        for (int k = 0; k < count; ++k)
            line.push_back(pixels[static_cast<std::size_t>(start + k * step)]);
        const auto [low, high] = std::minmax_element(line.begin(), line.end());
        int bright = 0;
        for (std::size_t k = 0; k < line.size(); ++k)
            bright += line[k] > (*low + *high) / 2 && (k == 0 || line[k - 1] <= (*low + *high) / 2);
        return bright;
    };
    return {runs(width, 1, height / 2 * width), runs(height, width, width / 2)};
}

// The statistics themselves are the core's (session tests); here the tool carries them to its outputs.
TEST(CliSession, JsonCsvAndTheReportHoldTheHandComputedGroups) {
    TempDir dir;
    const CliRun json = runCli("session " + sessionFolder + "session.json --json");
    ASSERT_EQ(json.status, 0);
    const auto printed = nlohmann::json::parse(json.out);
    expectJsonHolds(printed["groups"], nlohmann::json::parse(readText(sessionFolder + "groups.json")));
    EXPECT_EQ(printed["objectiveRuns"], nlohmann::json::array()); // the file holds none
    const CliRun r =
        runCli("session " + sessionFolder + "session.json --csv " + dir.path("s.csv") + " --pdf " + dir.path("s.pdf"));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("0.210"), std::string::npos); // the summary table on stdout
    EXPECT_EQ(readText(dir.path("s.csv")), readText(sessionFolder + "statistics.csv"));
    const CliRun text = runCommand("pdftotext -layout " + dir.path("s.pdf") + " -");
    ASSERT_EQ(text.status, 0) << "pdftotext (poppler-utils) is needed";
    for (const char* expected :
         {"MRTD session report", "2026-12-06 09:59:00 UTC", "Camera2", "camera2.par", "vertical bars",
          "horizontal bars", "0.210", "0.082 … 0.541", "0.400", "yes", "Appendix", "0.130"})
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected << "\n" << text.out;
}

// A file that is no session is named with the reason, left as it is, and nothing is written.
class CliBrokenSession : public testing::TestWithParam<DataRow> {};

TEST_P(CliBrokenSession, GivesOneLineAndStatusOne) {
    TempDir dir;
    const std::string text = readText(testDataFile("session/malformed/" + GetParam().name));
    const std::string path = dir.write("broken.json", text);
    const CliRun r = runCli("session " + path + " --csv " + dir.path("out.csv"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tervix-cli: '" + path + "' is not a Tervix session: " + GetParam().cells[0] + ".\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readText(path), text);
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.csv")));
}

INSTANTIATE_TEST_SUITE_P(Files, CliBrokenSession, TERVIX_TABLE_ROWS("session/malformed/reasons.txt"));

// An output onto a device is refused in one line and the session stays; a link to a new report is
// written through and stays a link (an output over an input: cli_test's CliOutputOverInput).
TEST(CliSession, AnOutputOntoADeviceIsRefusedAndALinkWrittenThrough) {
    TempDir dir;
    const std::string session = dir.write("s.json", readText(sessionFolder + "session.json"));
    std::filesystem::create_symlink("new.pdf", dir.path("link.pdf"));
    for (auto [output, error] : {std::pair<std::string, std::string>{"--csv /dev/full", "not a regular file"},
                                 {"--pdf " + dir.path("link.pdf"), ""}}) {
        const CliRun r = runCli("session " + session + " " + output);
        EXPECT_EQ(r.status, error.empty() ? 0 : 1) << output << r.err;
        EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
    }
    EXPECT_EQ(readText(session), readText(sessionFolder + "session.json"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.pdf")) &&
                std::filesystem::file_size(dir.path("new.pdf")) > 0);
}

// A session of the current format whose camera file was edited after the readings: the report
// says so on its first page and states the stored copy; signed with a throwaway key in a
// temporary keyring, the report verifies, and an altered copy does not.
TEST(CliSession, AReportOfAnEditedInputWarnsAndItsSignatureVerifies) {
    TempDir dir;
    const std::string measured = "camera2 as measured\n";
    nlohmann::json session = nlohmann::json::parse(readText(sessionFolder + "session.json"));
    const std::string sha = runCommand("sha256sum " + dir.write("measured", measured)).out.substr(0, 64);
    session["version"] = 4;
    session["inputs"] = {
        {{"kind", "camera"}, {"file", "camera2.par"}, {"sha256", sha}, {"size", measured.size()}, {"text", measured}}};
    session["readings"][0]["inputs"] = {1};
    session["readings"][0]["observer"] = "A\u202e\nApproved by: Chief Inspector";
    const std::string path = dir.write("s.json", session.dump(1));
    dir.write("camera2.par", "camera2 edited afterwards\n");
    dir.write("camera1.par", "camera1\n");
    const std::string keyring = "GNUPGHOME=" + dir.path("gnupg");
    std::filesystem::create_directory(dir.path("gnupg"));
    std::filesystem::permissions(dir.path("gnupg"), std::filesystem::perms::owner_all);
    ASSERT_EQ(runCommand(keyring + " gpg --batch --passphrase '' --quick-gen-key 'Test Lab <lab@example.org>' "
                                   "ed25519 sign never")
                  .status,
              0);
    const CliRun r = runCli("session " + path + " --pdf " + dir.path("r.pdf") + " --sign lab@example.org", {}, keyring);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("camera camera2.par, SHA-256 " + sha + ", on disk: differs from the stored copy"),
              std::string::npos)
        << r.out;
    const CliRun text = runCommand("pdftotext -layout " + dir.path("r.pdf") + " -");
    const std::string firstPage = text.out.substr(0, text.out.find('\f'));
    // (pdftotext joins "fi" and "ff" into ligatures, so the words checked hold neither.)
    for (const std::string& expected : {std::string("Attention"), std::string("camera2.par on disk"), sha,
                                        std::string("Revision 1"), std::string("Page 1 of"), std::string("Observers")})
        EXPECT_NE(firstPage.find(expected), std::string::npos) << expected << "\n" << firstPage;
    // The name's line break and override show as escapes wherever the name is printed: no line of
    // the report starts with the words that followed them.
    auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.out.find(what); at != std::string::npos; at = text.out.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_GT(count("A<U+202E>\\nApproved by: Chief"), 0u);
    EXPECT_EQ(count("Approved by: Chief"), count("<U+202E>\\nApproved by: Chief"));
    const CliRun good = runCli("verify " + dir.path("r.pdf"), {}, keyring);
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("Test Lab"), std::string::npos) << good.out;
    std::ofstream(dir.path("r.pdf"), std::ios::app) << ' ';
    EXPECT_EQ(runCli("verify " + dir.path("r.pdf"), {}, keyring).status, 1);
    runCommand(keyring + " gpgconf --kill gpg-agent");
}

// The model observer's turned bars are the mrtd rows' (command-line tests).
TEST(CliOrientation, RenderTurnsTheBarsInBothModels) {
    TempDir dir;
    const std::string common = "render --camera " + shippedFile("camera1.par") + " --target " +
                               shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini") +
                               " --frequency 0.5 --dt 1 --out " + dir.path("x.png") + " --sensor " + dir.path("s.pfm");
    for (const char* model : {"specified", "physical"})
        for (const std::string orientation : {"vertical", "horizontal"}) {
            SCOPED_TRACE(model + (" " + orientation));
            ASSERT_EQ(runCli(common + " --model " + model + " --orientation " + orientation).status, 0);
            EXPECT_EQ(brightRunsAcrossAndDown(dir.path("s.pfm")),
                      orientation == "vertical" ? std::pair(4, 1) : std::pair(1, 4)); // runs across, down
        }
}

} // namespace

namespace {

// A session of the given observers reading both halves three times on two shipped cameras at 0.5 and
// 1 cycles/mrad, each observer's MRTDs a factor of their own times the base ones.
std::string panelSession(const std::string& observers) {
    nlohmann::json readings = nlohmann::json::array();
    for (std::size_t o = 0; o < observers.size(); ++o)
        for (auto [camera, base] : {std::pair{"camera1.par", 0.012}, {"camera2.par", 0.006}})
            for (double f : {0.5, 1.0})
                for (int k = 0; k < 6; ++k)
                    readings.push_back({{"time", "2026-12-06T10:00:00.000Z"},
                                        {"observer", std::string(1, observers[o])},
                                        {"slot", 1},
                                        {"cameraFile", camera},
                                        {"imageModel", "physical"},
                                        {"orientation", "vertical"},
                                        {"frequency", f},
                                        {"half", k % 2 ? "minus" : "plus"},
                                        {"deltaT", (k % 2 ? -1 : 1) * base * f * (0.9 + 0.05 * o + 0.01 * k)}});
    return nlohmann::json{
        {"format", "tervix-session"}, {"version", 1}, {"created", "2026-12-06T09:59:00.000Z"}, {"readings", readings}}
        .dump(1);
}

} // namespace

// The fit reads each reading's camera beside the session and writes a profile that mrtd names; too
// few observers, or a file that is no profile, are refused in one line and nothing is written.
TEST(CliObserverFit, WritesAProfileMrtdNamesAndRefusesWhatItCannotFit) {
    TempDir dir;
    for (const char* camera : {"camera1.par", "camera2.par"})
        dir.write(camera, readText(shippedFile(camera)));
    const std::string session = dir.write("panel.json", panelSession("ABCD"));
    const std::string fitted = "observer fit " + session + " --target " + shippedFile("mira.tag") + " --atmosphere " +
                               shippedFile("Atmosphere.ini") + " --out ";
    const CliRun fit = runCli(fitted + dir.path("lab.json"));
    ASSERT_EQ(fit.status, 0) << fit.err;
    EXPECT_NE(fit.out.find("4 observers, 16 MRTDs"), std::string::npos) << fit.out;
    const auto profile = nlohmann::json::parse(readText(dir.path("lab.json")));
    EXPECT_EQ(std::tuple(profile["format"], profile["version"], profile["observers"], profile["readings"]),
              std::tuple("tervix-observer-profile", 1, 4, 16));
    for (const char* key : {"thresholdFactor", "noiseEfficiency"})
        EXPECT_TRUE(profile["ci95"][key][0] <= profile[key] && profile[key] <= profile["ci95"][key][1]) << key;
    EXPECT_EQ(profile["session"]["sha256"].get<std::string>().size(), 64u);

    const std::string mrtd = "mrtd --camera " + dir.path("camera1.par") + " --target " + shippedFile("mira.tag") +
                             " --repeats 2 --threads 1 --observer-profile ";
    const CliRun named = runCli(mrtd + dir.path("lab.json"));
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_NE(named.out.find("observer profile " + dir.path("lab.json") + ": threshold factor"), std::string::npos);

    const std::string few = dir.write("few.json", panelSession("AB"));
    for (auto [run, refusal] : {std::pair{"observer fit " + few + " --out " + dir.path("few_profile.json"),
                                          "at least 3 observers, and the readings hold 2: add"},
                                {mrtd + few, "' is not an observer profile: "}}) {
        const CliRun r = runCli(run);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(refusal), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("few_profile.json")));
}
