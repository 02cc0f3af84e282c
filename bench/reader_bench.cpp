// Every reader's time against the size of what it reads, at 1, 10 and 100 times a base size: each
// must grow in proportion (Google Benchmark fits the order, "BigO", and the spread of the fit, "RMS").
// A session of 225,000 events, under the 16 MB limit, took 24 s to open when the JSON reader went
// back over the whole list after each of its objects.
#include "camera/camera_file.h"
#include "console/session.h"
#include "drawing/requirement_curve.h"
#include "measurement/range_sources.h"
#include "target/target_file.h"
#include "text/messages.h"
#include "text/strict_json.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace {

std::string number(double value) {
    return std::to_string(value);
}

std::string sessionWith(int readings, int events) {
    Session session{"2026-12-07T10:00:00.000Z", {}, false, {}};
    for (int k = 0; k < readings; ++k)
        session.readings.push_back({"2026-12-07T10:00:00.000Z", "observer", 1 + k % 5, "camera1.par", "physical",
                                    orientationVertical, 0.5, halfPlus, 0.1, ReadingDisplay{}, std::nullopt});
    for (int k = 0; k < events; ++k)
        session.events.push_back({"2026-12-07T10:00:00.000Z", "observer", k % 2 ? eventBlindOff : eventBlindOn});
    return sessionText(session);
}

void countBytes(benchmark::State& s, const std::string& text) {
    s.SetComplexityN(s.range(0));
    s.counters["MB"] = static_cast<double>(text.size()) / (1 << 20);
}

void SessionEventsBench(benchmark::State& s) {
    const std::string text = sessionWith(0, static_cast<int>(s.range(0)));
    std::string reason;
    for (auto _ : s)
        benchmark::DoNotOptimize(parseSession(text, reason));
    countBytes(s, text);
}

void SessionReadingsBench(benchmark::State& s) {
    const std::string text = sessionWith(static_cast<int>(s.range(0)), 0);
    std::string reason;
    for (auto _ : s)
        benchmark::DoNotOptimize(parseSession(text, reason));
    countBytes(s, text);
}

// The model observer's JSON with n frequency rows (distinct frequencies, as a valid file has them).
void ObjectiveJsonBench(benchmark::State& s) {
    std::string text = R"({"frequencies": [)";
    for (int k = 0; k < s.range(0); ++k) {
        text.append(k ? "," : "").append(R"({"frequency": )").append(number(0.001 * (k + 1)));
        text.append(R"(, "mrtd": {"mean": 0.2, "ci95": [0.1, 0.3], "repeats": 8, "outcome": "resolved"}})");
    }
    text += "]}";
    std::string reason;
    for (auto _ : s) {
        const auto json = parseStrictJson(text, reason);
        benchmark::DoNotOptimize(objectiveCurveOfJson(*json, reason));
    }
    countBytes(s, text);
}

// A table of n rows "frequency" then the rest of the row, after its header, read by `read`.
void CsvBench(benchmark::State& s, const char* header, const char* rest,
              bool (*read)(const std::string& text, std::string& error)) {
    std::string text = header;
    for (int k = 0; k < s.range(0); ++k)
        text.append(number(0.001 * (k + 1))).append(rest);
    std::string error;
    for (auto _ : s)
        benchmark::DoNotOptimize(read(text, error));
    countBytes(s, text);
}

bool readMrtdTable(const std::string& text, std::string& error) {
    return rangeMrtdOfCsv(text, error).has_value();
}
bool readRequirement(const std::string& text, std::string& error) {
    return parseRequirement(text, "bench.csv", error).has_value();
}

// The shipped Camera1 with its first spectral response stretched to n points.
void CameraTableBench(benchmark::State& s) {
    MessageLog log;
    std::string error;
    std::string text =
        readBoundedTextFile(std::string(TERVIX_SHIPPED_DATA_DIR) + "/camera1.par", cameraFileLimits, error).value();
    std::string table = std::to_string(s.range(0));
    for (int k = 0; k < s.range(0); ++k)
        table.append(" ").append(number(8.0 + 4.0 * k / static_cast<double>(s.range(0)))).append(" 1.0");
    // Line 8 opens with the spectral response's count and points; what follows them stays.
    std::size_t line = 0;
    for (int k = 0; k < 7; ++k)
        line = text.find('\n', line) + 1;
    const std::size_t end = text.find('\n', line);
    std::istringstream in(text.substr(line, end - line));
    int count = 0;
    in >> count;
    for (std::string point; count > 0 && in >> point >> point; --count) {
    }
    std::string rest;
    std::getline(in, rest);
    text.replace(line, end - line, table + rest);
    for (auto _ : s) {
        CameraState camera = defaultCameraState();
        benchmark::DoNotOptimize(readCameraText(text, "bench.par", CameraLoadMode::Full, camera, log));
    }
    if (!log.messages.empty())
        s.SkipWithError(log.messages.front().c_str());
    countBytes(s, text);
}

void TargetItemsBench(benchmark::State& s) {
    std::string text = "layer\ntemperature\n20\n";
    for (int k = 0; k < s.range(0); ++k)
        text += "object\ntemperature\n22\nrectangle\n" + number(k) + " 0 " + number(k + 0.5) + " 1\n";
    MessageLog log;
    for (auto _ : s) {
        Target target;
        benchmark::DoNotOptimize(readTargetText(text, target, 0, "bench.tag", log));
    }
    countBytes(s, text);
}

void sizes(benchmark::internal::Benchmark* b, int base) {
    b->Arg(base)->Arg(10 * base)->Arg(100 * base)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(SessionEventsBench)->Apply([](auto* b) { sizes(b, 2250); });
BENCHMARK(SessionReadingsBench)->Apply([](auto* b) { sizes(b, 600); });
BENCHMARK(ObjectiveJsonBench)->Apply([](auto* b) { sizes(b, 400); });
BENCHMARK_CAPTURE(CsvBench, mrtd_table, "frequency,mrtdH,mrtdV\n", ",0.2,0.3\n", readMrtdTable)->Apply([](auto* b) {
    sizes(b, 400);
});
BENCHMARK_CAPTURE(CsvBench, requirement, "frequency,limit\n", ",0.2\n", readRequirement)->Apply([](auto* b) {
    sizes(b, 400);
});
BENCHMARK(CameraTableBench)->Apply([](auto* b) { sizes(b, 1000); });
BENCHMARK(TargetItemsBench)->Apply([](auto* b) { sizes(b, 40); });
