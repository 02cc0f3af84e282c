// How long one Apply holds the window's thread, with the session's records window open on its
// Readings and on its Campaign tab, after a session of s.range(0) readings: the press's handler
// (the reading recorded, the session file rewritten whole and flushed, the views told) and the
// events it leaves for the loop (the tables' rows, the lists and the plot laid out and painted).
// Wall time of the window's thread, on Qt's offscreen platform (no live view: the Apply is measured
// alone). Run with the folder of the shipped data as the working folder's source.
#include "console/startup.h"
#include "gui/main_console.h"
#include "gui/session_panel.h"
#include "text/messages.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

namespace {

// A working folder holding the shipped cameras, target and atmosphere, with a data folder of its own
// for the session file.
struct WindowFolder {
    QTemporaryDir dir;
    WindowFolder() {
        const QDir shipped(QStringLiteral(TERVIX_SHIPPED_DATA_DIR));
        for (const QString& name :
             shipped.entryList({QStringLiteral("*.par"), QStringLiteral("Atmosphere.ini"), QStringLiteral("mira.tag")}))
            QFile::copy(shipped.filePath(name), dir.filePath(name));
        QDir::setCurrent(dir.path());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    }
};

void ApplyWithRecordsOpen(benchmark::State& s) {
    WindowFolder folder;
    BenchState state;
    MessageLog log;
    constructApplication(state, log);
    if (!startApplication(state, folder.dir.filePath(QStringLiteral("tervix")).toStdString(), log)) {
        s.SkipWithError("the bench did not start");
        return;
    }
    auto window = std::make_unique<MainConsole>(state, log);
    Bench& bench = window->core();
    bench.setObserver("A");
    // Three observers at every frequency and half of two slots, as a campaign grows.
    for (int k = 0; k < s.range(0); ++k) {
        bench.setObserver(std::string(1, static_cast<char>('A' + k % 3)));
        bench.selectFrequency(k / 3 % 6);
        bench.setTemperatureOnGrid(k % 2 ? 0.2 + 0.004 * (k % 7) : -0.2);
        bench.record({"", true});
    }
    // The Applies timed are A's, a name with readings in the session: no new observer to confirm.
    window->session()->setObserver(QStringLiteral("A"));
    window->showRecords(s.range(1) == 1);
    QApplication::processEvents();
    const auto now = [] { return std::chrono::steady_clock::now(); };
    for (auto _ : s) {
        const auto start = now();
        window->recordReading(true);
        QApplication::processEvents();
        s.SetIterationTime(std::chrono::duration<double>(now() - start).count());
    }
    s.counters["readings"] = static_cast<double>(bench.session().readings.size());
    window->session()->finish();
}

} // namespace

// Readings and Campaign tab: 0 and 1 in the second argument.
BENCHMARK(ApplyWithRecordsOpen)
    ->ArgsProduct({{100, 1000, 3000}, {0, 1}})
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
