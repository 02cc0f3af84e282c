// The bench: one window for the whole run. The command line is not used.
#include "gui/bench_app.h"
#include "gui/frame_view.h"

#include <QApplication>
#include <QSurfaceFormat>

int main(int argc, char** argv) {
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication application(argc, argv);
    MessageBoxSink messages;
    BenchApp bench(messages);
    const bool started = bench.InitInstance(QCoreApplication::applicationFilePath());
    bench.ExitInstance();
    return started ? 0 : 1;
}
