// The soak's scripted observer (run by tools/soak.sh under Xvfb): the bench window as a user starts
// it, worked through its controls once a second for a set time, while every presented frame and the
// process's memory are watched.
//
//   tervix_soak_observer [--minutes M] [--warmup-minutes W] [--report-seconds S]
//
// Reports frames per second, the longest frame period, the heap in use and VmRSS every S seconds
// (default 60), and at the end, for each kind of action, how long it held the window's thread and how
// many frame periods over twice the camera's ended after it. A camera switch holds the window's thread twice: when it
// is asked for (the bench copied) and when the camera built meanwhile is taken in at a frame boundary; its line gives
// the longer, and the taking in is listed apart. Ends with status 1 when the memory in use after the first W minutes
// (default 5) grows by more than 5 MB, or when any frame period, a camera switch's included, exceeds twice the camera's
// (the slower camera's across a switch); 0 otherwise.
//
// What a leak grows is the memory the program holds: the heap in use, what the allocator has handed
// out and not had back (mallinfo2: the arenas' chunks in use and the mapped blocks). The resident size
// also holds what was freed but kept by the allocator for reuse, which climbs to a plateau as the
// five cameras' images of different sizes come and go; it is printed beside the verdict. Both are a
// level per camera (each camera's images and kernels have their own sizes, some 15 MB apart), so a
// sample against one taken under another camera says nothing: they are sampled once a second with
// the camera then live, and the growth is the trend over the time after the warm-up, fitted by least
// squares with a level of its own for each camera. A leak raises every camera's level alike and
// shows in full; switching between cameras does not.
#include "console/bench.h"
#include "console/bench_state.h"
#include "console/control_ids.h"
#include "console/startup.h"
#include "gui/frame_view.h"
#include "gui/main_console.h"
#include "text/bounded_text_file.h"
#include "text/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double allowedGrowthKb = 5.0 * 1024.0;

// The scripted actions, in the order the observer takes them, one a second.
enum Action { Trackbar, Apply, Frequency, CameraSwitch, Randomise, NoAction, actionKinds };
constexpr std::array<const char*, actionKinds> actionNames{"trackbar",      "Apply",     "frequency",
                                                           "camera switch", "Randomise", "(no action)"};

// What one kind of action did to the live image over the soak.
struct ActionRecord {
    int count = 0;
    double longestActionMs = 0.0; // the action's own time on the window's thread
    int longPeriods = 0;          // frame periods over twice the camera's that ended after it
    double longestPeriodMs = 0.0;
};

// The process's resident memory in kB, from /proc/self/status (a regular file of a few kilobytes
// that reports no size: the bounded reader reads on to its end).
long residentKb() {
    std::string error;
    const auto status = readBoundedTextFile("/proc/self/status", {"a process status", 64u << 10, 4u << 10}, error);
    const std::size_t key = status ? status->find("VmRSS:") : std::string::npos;
    return key == std::string::npos ? -1 : std::strtol(status->c_str() + key + 6, nullptr, 10);
}

// The heap in use in kB: the allocator's chunks handed out in every arena and its mapped blocks.
double heapInUseKb() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd) / 1024.0;
}

// One sample of the memory, with the camera live when it was taken.
struct MemorySample {
    double seconds;
    double heapKb;
    double residentKb;
    std::string camera;
};

// A measure's growth over the samples' span in kB: the least-squares slope of it over time with a
// level of its own for each camera (each camera's samples centred on their own means), times the span.
// Zero when there is no spread in time to fit.
double fittedGrowthKb(const std::vector<MemorySample>& samples, double MemorySample::*kb) {
    struct Sums {
        double n = 0, t = 0, kb = 0;
    };
    std::map<std::string, Sums> perCamera;
    for (const MemorySample& s : samples) {
        Sums& c = perCamera[s.camera];
        c.n += 1;
        c.t += s.seconds;
        c.kb += s.*kb;
    }
    double covariance = 0, variance = 0;
    for (const MemorySample& s : samples) {
        const Sums& c = perCamera[s.camera];
        const double dt = s.seconds - c.t / c.n;
        covariance += dt * (s.*kb - c.kb / c.n);
        variance += dt * dt;
    }
    if (samples.size() < 2 || variance <= 0)
        return 0.0;
    return covariance / variance * (samples.back().seconds - samples.front().seconds);
}

// Messages would open boxes that nobody closes; they are printed and counted instead.
class PrintedMessages : public MessageSink {
public:
    void message(const std::string& text) override {
        ++count;
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    int count = 0;
};

class Observer {
public:
    Observer(MainConsole& console, double minutes, double warmupMinutes, int reportSeconds)
        : console_(console), endMs_(static_cast<qint64>(minutes * 60000.0)),
          warmupMs_(static_cast<qint64>(warmupMinutes * 60000.0)), reportMs_(reportSeconds * 1000LL) {}

    void start() {
        clock_.start();
        QObject::connect(&console_, &MainConsole::cameraSwitched, [this](double heldMs) {
            ++takenIn_;
            longestTakeInMs_ = std::max(longestTakeInMs_, heldMs);
            ActionRecord& r = records_[CameraSwitch];
            r.longestActionMs = std::max(r.longestActionMs, heldMs);
        });
        QObject::connect(console_.view(), &FrameView::frameShown, [this] { framePresented(); });
        QObject::connect(&actions_, &QTimer::timeout, [this] { act(); });
        QObject::connect(&reports_, &QTimer::timeout, [this] { report(); });
        actions_.start(1000);
        reports_.start(static_cast<int>(reportMs_));
    }
    bool failed() const { return longFrames_ > 0 || growthKb() > allowedGrowthKb; }
    void actionSummary() const {
        for (std::size_t k = 0; k < actionKinds; ++k) {
            const ActionRecord& r = records_[k];
            std::printf("action %-14s %5d times, at most %6.1f ms on the window's thread; %4d periods over twice "
                        "the camera's after it, the longest %6.1f ms\n",
                        actionNames[k], r.count, r.longestActionMs, r.longPeriods, r.longestPeriodMs);
        }
        std::printf("camera switches taken in at a frame boundary: %d, at most %.1f ms on the window's thread\n",
                    takenIn_, longestTakeInMs_);
    }
    void summary() const {
        std::printf("summary: %lld frames in %.0f s; longest frame period %.1f ms (limit %.0f ms at that "
                    "moment) and %d periods over twice the camera's, camera switches included; heap in use grew "
                    "%.0f kB after the warm-up over %zu samples (each camera at its own level), allowed %.0f kB; "
                    "%d scripted actions\n",
                    totalFrames_, clock_.elapsed() / 1000.0, longestMs_, longestLimitMs_, longFrames_, growthKb(),
                    memory_.size(), allowedGrowthKb, actionCount_);
        std::printf("resident size (VmRSS): %ld kB after the warm-up, %ld kB at most afterwards, its trend %.0f kB "
                    "(each camera at its own level; freed memory the allocator keeps included)\n",
                    warmupKb_, peakAfterWarmupKb_, fittedGrowthKb(memory_, &MemorySample::residentKb));
        struct Means {
            int n = 0;
            double heap = 0, resident = 0;
        };
        std::map<std::string, Means> perCamera;
        for (const MemorySample& s : memory_) {
            Means& m = perCamera[s.camera];
            ++m.n;
            m.heap += s.heapKb;
            m.resident += s.residentKb;
        }
        for (const auto& [camera, m] : perCamera)
            std::printf("memory with %-12s %5d samples, mean heap in use %.0f kB, mean VmRSS %.0f kB\n", camera.c_str(),
                        m.n, m.heap / m.n, m.resident / m.n);
    }

private:
    // The camera's own rate, not the timer's whole-millisecond period (60 Hz, not 62.5).
    double cameraRate() { return static_cast<double>(console_.core().state().camera.set.frameRate); }
    double growthKb() const { return fittedGrowthKb(memory_, &MemorySample::heapKb); }

    void framePresented() {
        const qint64 now = frameClock_.isValid() ? frameClock_.nsecsElapsed() : 0;
        if (!frameClock_.isValid())
            frameClock_.start();
        ++totalFrames_;
        ++framesThisReport_;
        const double rate = cameraRate();
        if (lastFrameNs_ >= 0) {
            const double periodMs = (now - lastFrameNs_) / 1e6;
            // A period across a camera switch is the slower camera's to keep.
            const double limitMs = 2.0 * 1000.0 / std::min(rate, lastRate_);
            // A long period is put down to the last action before it; one taken within the period
            // held this very frame back, an earlier one may have left work behind (a repaint).
            const Action cause = lastActionNs_ >= 0 ? lastAction_ : NoAction;
            const bool withinPeriod = lastActionNs_ >= lastFrameNs_;
            longestThisReport_ = std::max(longestThisReport_, periodMs);
            if (periodMs > limitMs) {
                ActionRecord& r = records_[cause];
                ++r.longPeriods;
                r.longestPeriodMs = std::max(r.longestPeriodMs, periodMs);
                std::printf(
                    "long period %.1f ms (limit %.0f ms) after %s, taken %s\n", periodMs, limitMs, actionNames[cause],
                    withinPeriod ? "within it"
                                 : (std::to_string((now - lastActionNs_) / 1000000) + " ms before its end").c_str());
            }
            if (periodMs > longestMs_) {
                longestMs_ = periodMs;
                longestLimitMs_ = limitMs;
            }
            if (periodMs > limitMs)
                ++longFrames_;
        }
        lastFrameNs_ = now;
        lastRate_ = rate;
    }

    // One control a second, in turn: the trackbar, Apply, a frequency, a camera slot, Randomise.
    void act() {
        if (clock_.elapsed() >= endMs_) {
            if (clock_.elapsed() - lastReportMs_ >= 1000)
                report();
            QCoreApplication::exit(failed() ? 1 : 0);
            return;
        }
        // A second after the last action, before the next: the memory with the camera now live.
        if (const long kb = residentKb(); kb >= 0 && clock_.elapsed() >= warmupMs_)
            memory_.push_back({clock_.elapsed() / 1000.0, heapInUseKb(), static_cast<double>(kb),
                               Bench::cameraFileOf(console_.core().cameraIndex())});
        const auto action = static_cast<Action>(actionCount_++ % NoAction);
        QElapsedTimer held;
        held.start();
        switch (action) {
        case Trackbar: {
            auto* slider = console_.findChild<QSlider*>(QString::number(controlId::temperatureSlider));
            std::uniform_int_distribution<int> position(slider->minimum(), slider->maximum());
            slider->setValue(position(random_));
            break;
        }
        case Apply:
            click(controlId::applyButton);
            break;
        case Frequency:
            click(controlId::frequencyRadios[static_cast<std::size_t>(
                std::uniform_int_distribution<int>(0, 5)(random_))]);
            break;
        case CameraSwitch:
            click(controlId::cameraRadios[static_cast<std::size_t>(std::uniform_int_distribution<int>(0, 4)(random_))]);
            break;
        default:
            click(controlId::randomiseCheck);
            break;
        }
        ActionRecord& r = records_[action];
        ++r.count;
        r.longestActionMs = std::max(r.longestActionMs, held.nsecsElapsed() / 1e6);
        lastAction_ = action;
        lastActionNs_ = frameClock_.isValid() ? frameClock_.nsecsElapsed() : 0;
    }

    void click(int id) {
        if (auto* button = console_.findChild<QAbstractButton*>(QString::number(id)))
            button->click();
        else
            std::fprintf(stderr, "no control %d\n", id);
    }

    void report() {
        const qint64 elapsed = clock_.elapsed();
        const long kb = residentKb();
        if (warmupKb_ < 0 && elapsed >= warmupMs_)
            warmupKb_ = kb;
        else if (warmupKb_ >= 0)
            peakAfterWarmupKb_ = std::max(peakAfterWarmupKb_, kb);
        const double seconds = (elapsed - lastReportMs_) / 1000.0;
        std::printf("%6.1f min: %5.1f frames/s presented (camera %.1f), longest period %.1f ms, heap in use %.0f kB, "
                    "VmRSS %ld kB\n",
                    elapsed / 60000.0, framesThisReport_ / seconds, cameraRate(), longestThisReport_, heapInUseKb(),
                    kb);
        std::fflush(stdout);
        framesThisReport_ = 0;
        longestThisReport_ = 0.0;
        lastReportMs_ = elapsed;
    }

    MainConsole& console_;
    qint64 endMs_;
    qint64 warmupMs_;
    qint64 reportMs_;
    QElapsedTimer clock_;
    QElapsedTimer frameClock_;
    QTimer actions_;
    QTimer reports_;
    std::mt19937 random_{12345};
    qint64 lastFrameNs_ = -1;
    qint64 lastReportMs_ = 0;
    long long totalFrames_ = 0;
    long long framesThisReport_ = 0;
    double longestMs_ = 0.0;
    double longestLimitMs_ = 0.0;
    double longestThisReport_ = 0.0;
    int longFrames_ = 0;
    int actionCount_ = 0;
    long warmupKb_ = -1;
    long peakAfterWarmupKb_ = -1;
    std::vector<MemorySample> memory_;
    std::array<ActionRecord, actionKinds> records_{};
    Action lastAction_ = NoAction;
    qint64 lastActionNs_ = -1;
    double lastRate_ = 1.0;
    int takenIn_ = 0;
    double longestTakeInMs_ = 0.0;
};

} // namespace

int main(int argc, char** argv) {
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption minutes(u"minutes"_s, u"How long the soak runs (default 30)."_s, u"M"_s, u"30"_s);
    const QCommandLineOption warmup(u"warmup-minutes"_s, u"Memory growth counts after this (default 5)."_s, u"W"_s,
                                    u"5"_s);
    const QCommandLineOption every(u"report-seconds"_s, u"Seconds between reports (default 60)."_s, u"S"_s, u"60"_s);
    parser.addOptions({minutes, warmup, every});
    parser.process(application);

    PrintedMessages messages;
    // The start the window program runs, then its console without the modal loop.
    BenchState state;
    constructApplication(state, messages);
    if (!startApplication(state, QCoreApplication::applicationFilePath().toStdString(), messages))
        return 1;
    MainConsole console(state, messages);
    console.show();
    // The console starts its frames after its deferred start; the soak begins with them.
    QElapsedTimer wait;
    wait.start();
    while (!console.noiseOn() && wait.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!console.noiseOn()) {
        std::fprintf(stderr, "the bench did not start its frames\n");
        return 1;
    }
    Observer observer(console, parser.value(minutes).toDouble(), parser.value(warmup).toDouble(),
                      std::max(1, parser.value(every).toInt()));
    observer.start();
    const int status = QApplication::exec();
    observer.summary();
    observer.actionSummary();
    if (messages.count > 0)
        std::printf("%d messages were shown during the soak\n", messages.count);
    std::printf(observer.failed() ? "soak FAILED\n" : "soak passed\n");
    return observer.failed() ? 1 : status;
}
