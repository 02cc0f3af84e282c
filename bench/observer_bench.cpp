// The model observer's whole measurement as the command-line tool runs it: 8 repeats of one shipped
// camera, on two threads, by the ideal (0) or the human (1) observer, at the bench's six frequencies
// (0) or up to the camera's limit (1, mrtd --frequencies auto), in the physical image model the tool
// measures in. The counter names the frequencies measured.
#include "console/bench.h"
#include "console/bench_state.h"
#include "console/open_bench.h"
#include "measurement/model_observer.h"
#include "text/messages.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string shippedData(const std::string& name) {
    return std::string(TERVIX_SHIPPED_DATA_DIR) + "/" + name;
}

void ObjectiveMrtdBench(benchmark::State& s) {
    BenchState state;
    MessageLog log;
    Bench console(state, log);
    BenchSources sources;
    sources.atmosphere = BenchSource{shippedData("Atmosphere.ini"), std::nullopt};
    sources.camera.path = shippedData("camera" + std::to_string(s.range(0)) + ".par");
    sources.target.path = shippedData("mira.tag");
    sources.imageModel = ImageModel::Physical;
    openBench(console, sources);
    ObserverSettings settings;
    settings.threads = 2;
    settings.observer = s.range(1) != 0 ? ObserverKind::Human : ObserverKind::Ideal;
    settings.toCameraLimit = s.range(2) != 0;
    for (auto _ : s) {
        const ObjectiveMrtd result = measureObjectiveMrtd(state, settings);
        benchmark::DoNotOptimize(result.frequencies.data());
        s.counters["frequencies"] = static_cast<double>(result.frequencies.size());
    }
}

} // namespace

BENCHMARK(ObjectiveMrtdBench)
    ->ArgsProduct({{1, 2, 3, 4, 5}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
