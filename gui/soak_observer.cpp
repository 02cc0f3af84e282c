// The soak's scripted observer (run by tools/soak.sh under Xvfb): the bench window as a user starts
// it, worked through its controls once a second for a set time, while every presented frame and the
// process's resident memory are watched.
//
//   tervix_soak_observer [--minutes M] [--warmup-minutes W] [--report-seconds S]
//
// Reports frames per second, the longest frame period and VmRSS every S seconds (default 60). Ends
// with status 1 when the resident memory after the first W minutes (default 5) grows by more than
// 5 MB, or when a frame period exceeds twice the camera's; 0 otherwise.
#include "console/bench_state.h"
#include "console/control_ids.h"
#include "console/startup.h"
#include "gui/frame_view.h"
#include "gui/main_console.h"
#include "text/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

using namespace Qt::StringLiterals;

namespace {

constexpr double allowedGrowthKb = 5.0 * 1024.0;

// The process's resident memory in kB, from /proc/self/status.
long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return -1;
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
        QObject::connect(console_.view(), &FrameView::frameShown, [this] { framePresented(); });
        QObject::connect(&actions_, &QTimer::timeout, [this] { act(); });
        QObject::connect(&reports_, &QTimer::timeout, [this] { report(); });
        actions_.start(1000);
        reports_.start(static_cast<int>(reportMs_));
    }
    bool failed() const { return longFrames_ > 0 || growthKb() > allowedGrowthKb; }
    void summary() const {
        std::printf("summary: %lld frames in %.0f s; longest frame period %.1f ms (limit %.0f ms at that "
                    "moment); %d periods over twice the camera's; VmRSS %ld kB after the warm-up, %ld kB at "
                    "most afterwards (growth %.0f kB, allowed %.0f kB); %d scripted actions\n",
                    totalFrames_, clock_.elapsed() / 1000.0, longestMs_, longestLimitMs_, longFrames_, warmupKb_,
                    peakAfterWarmupKb_, growthKb(), allowedGrowthKb, actionCount_);
    }

private:
    // The camera's own rate, not the timer's whole-millisecond period (60 Hz, not 62.5).
    double cameraRate() { return static_cast<double>(console_.core().state().camera.set.frameRate); }
    double growthKb() const { return warmupKb_ < 0 ? 0.0 : static_cast<double>(peakAfterWarmupKb_ - warmupKb_); }

    void framePresented() {
        const qint64 now = frameClock_.isValid() ? frameClock_.nsecsElapsed() : 0;
        if (!frameClock_.isValid())
            frameClock_.start();
        ++totalFrames_;
        ++framesThisReport_;
        if (lastFrameNs_ >= 0) {
            const double periodMs = (now - lastFrameNs_) / 1e6;
            const double limitMs = 2.0 * 1000.0 / cameraRate();
            if (periodMs > longestMs_) {
                longestMs_ = periodMs;
                longestLimitMs_ = limitMs;
            }
            longestThisReport_ = std::max(longestThisReport_, periodMs);
            if (periodMs > limitMs)
                ++longFrames_;
        }
        lastFrameNs_ = now;
    }

    // One control a second, in turn: the trackbar, Apply, a frequency, a camera slot, Randomise.
    void act() {
        if (clock_.elapsed() >= endMs_) {
            if (clock_.elapsed() - lastReportMs_ >= 1000)
                report();
            QCoreApplication::exit(failed() ? 1 : 0);
            return;
        }
        switch (actionCount_++ % 5) {
        case 0: {
            auto* slider = console_.findChild<QSlider*>(QString::number(controlId::temperatureSlider));
            std::uniform_int_distribution<int> position(slider->minimum(), slider->maximum());
            slider->setValue(position(random_));
            break;
        }
        case 1:
            click(controlId::applyButton);
            break;
        case 2:
            click(controlId::frequencyRadios[static_cast<std::size_t>(
                std::uniform_int_distribution<int>(0, 5)(random_))]);
            break;
        case 3:
            click(controlId::cameraRadios[static_cast<std::size_t>(std::uniform_int_distribution<int>(0, 4)(random_))]);
            break;
        default:
            click(controlId::randomiseCheck);
            break;
        }
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
        std::printf("%6.1f min: %5.1f frames/s presented (camera %.1f), longest period %.1f ms, VmRSS %ld kB\n",
                    elapsed / 60000.0, framesThisReport_ / seconds, cameraRate(), longestThisReport_, kb);
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
    if (messages.count > 0)
        std::printf("%d messages were shown during the soak\n", messages.count);
    std::printf(observer.failed() ? "soak FAILED\n" : "soak passed\n");
    return observer.failed() ? 1 : status;
}
