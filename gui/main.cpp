// The bench: one window for the whole run.
#include "drawing/platform_notices.h"
#include "gui/bench_app.h"
#include "gui/frame_view.h"
#include "text/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSurfaceFormat>

#include <cstdio>

namespace {

struct Options {
    QString frameLog;
};

// The command line, read before any window exists so that --help and --version work without a
// display. Ends the program for --help, --version and unknown options.
Options readCommandLine(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tervix"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tervixVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tervix virtual test bench for thermal imaging cameras"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption frameLog(
        QStringLiteral("frame-log"),
        QStringLiteral("Appends one line per presented frame to <file>: the monotonic time in seconds and the "
                       "frame number."),
        QStringLiteral("file"));
    parser.addOption(frameLog);
    parser.process(application);
    return Options{parser.value(frameLog)};
}

} // namespace

int main(int argc, char** argv) {
    keepPlatformNoticesOffStderr();
    const Options options = readCommandLine(argc, argv);
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication application(argc, argv);
    if (!options.frameLog.isEmpty() && !FrameView::setFrameLog(options.frameLog)) {
        std::fprintf(stderr, "tervix: cannot append to the frame log '%s'\n", qPrintable(options.frameLog));
        return 1;
    }
    MessageBoxSink messages;
    BenchApp bench(messages);
    const bool started = bench.InitInstance(QCoreApplication::applicationFilePath());
    bench.ExitInstance();
    return started ? 0 : 1;
}
