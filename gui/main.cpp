// The bench: one window for the whole run.
#include "gui/bench_app.h"
#include "gui/frame_view.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSurfaceFormat>

#include <cstdio>

int main(int argc, char** argv) {
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tervix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TERVIX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tervix virtual test bench for thermal imaging cameras"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption frameLog(
        QStringLiteral("frame-log"),
        QStringLiteral("Appends one line per presented frame to <file>: the monotonic time in seconds and the "
                       "frame number."),
        QStringLiteral("file"));
    const QCommandLineOption view(QStringLiteral("view"),
                                  QStringLiteral("How the image view is presented: 'image' (a plain image "
                                                 "widget, the default) or 'gl' (a native OpenGL window)."),
                                  QStringLiteral("image|gl"), QStringLiteral("image"));
    parser.addOption(frameLog);
    parser.addOption(view);
    parser.process(application); // --help, --version and unknown options end here

    const QString presentation = parser.value(view);
    if (presentation == QStringLiteral("gl")) {
        FrameView::setPresentation(FrameView::Presentation::GlWindow);
    } else if (presentation != QStringLiteral("image")) {
        std::fprintf(stderr, "tervix: unknown view '%s'\n", qPrintable(presentation));
        return 1;
    }
    if (parser.isSet(frameLog) && !FrameView::setFrameLog(parser.value(frameLog))) {
        std::fprintf(stderr, "tervix: cannot append to the frame log '%s'\n", qPrintable(parser.value(frameLog)));
        return 1;
    }

    MessageBoxSink messages;
    BenchApp bench(messages);
    const bool started = bench.InitInstance(QCoreApplication::applicationFilePath());
    bench.ExitInstance();
    return started ? 0 : 1;
}
