// The guide's screenshots, taken from the window as it is: each scene is set up from a stored session
// (fixed times, three observers), shown at one size with the live noise stopped and its generator
// seeded, and written to docs/ when it differs from the picture there. Each picture is taken twice and
// must come out the same, so that the files change only when the window does.
#include "gui/frame_view.h"
#include "gui/readings_panel.h"
#include "started_bench.h"
#include "text/whole_file.h"

#include <QtWidgets>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The window as a 1280 x 800 screen shows it: the size the guide's pictures are scaled for.
const QSize windowSize{1280, 800};

// A scene: what it is called in docs/, what it shows (the window or the records window alone) and
// how it is set up from the scene before it.
struct Scene {
    QString file;
    bool recordsOnly;
    std::function<void(RunningBench&)> setUp;
};

// The view's next frame drawn from a seeded generator, with nothing else moving: the live noise is
// stopped, the pointer is off the window and the keyboard rests on the temperature slider.
QImage take(RunningBench& bench, QRect area) {
    MainConsole& w = *bench.console;
    if (w.noiseOn())
        w.toggleNoise();
    bench.control<QWidget>(controlId::temperatureSlider)->setFocus();
    QTest::qWait(300);
    w.core().state().random.seed(1);
    w.presentFrame(false);
    QTest::qWait(100);
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Writes the picture to docs/ unless the file there already shows the same pixels.
bool keep(const QImage& shot, const QString& file) {
    const QString path = QStringLiteral(TERVIX_DOCS_DIR "/") + file;
    if (QImage(path).convertToFormat(QImage::Format_RGB32) == shot)
        return true;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    std::string error;
    return shot.save(&buffer, "PNG") &&
           writeWholeFile(path.toStdString(), std::string_view(png.constData(), static_cast<std::size_t>(png.size())),
                          error);
}

void chooseFrequency(RunningBench& bench, int index, int position) {
    bench.press(controlId::frequencyRadios[static_cast<std::size_t>(index)]);
    bench.slide(position);
}

} // namespace

class GuideScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void theGuidesPicturesAreTheWindowsOwn() {
        RunningBench bench;
        MainConsole& w = *bench.console;
        QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
        w.setWindowState(Qt::WindowNoState);
        w.setGeometry(QRect(QPoint(0, 0), windowSize));
        QTRY_COMPARE(w.size(), windowSize);
        const QString session = bench.path(u"session-20261207T080900.000Z.json"_s);
        QVERIFY(QFile::copy(QStringLiteral(TERVIX_TEST_DATA_DIR "/window/guide_session.json"), session));
        QVERIFY(bench.session().openSession(session));
        bench.session().setObserver(u"Ann"_s);

        const std::vector<Scene> scenes{
            {u"bench.png"_s, false, [](RunningBench& b) { chooseFrequency(b, 1, 560); }},
            {u"readings.png"_s, true,
             [](RunningBench& b) {
                 b.console->recordsWindow()->setGeometry(40, 300, 1200, 330);
                 b.console->showRecords(false);
                 b.console->readings()->table()->scrollToTop(); // the struck readings
             }},
            {u"campaign.png"_s, true, [](RunningBench& b) { b.console->showRecords(true); }},
            {u"blind.png"_s, false,
             [](RunningBench& b) {
                 b.console->recordsWindow()->hide();
                 b.session().setObserver(u"Dan"_s);
                 b.press(controlId::blindCheck);
                 chooseFrequency(b, 2, 600); // the half the bench offers is drawn at random
                 b.console->recordsWindow()->setGeometry(20, 470, 690, 230);
                 b.console->showRecords(false);
             }},
            {u"magnified.png"_s, false,
             [](RunningBench& b) {
                 // Leaving blind mode asks first.
                 QTimer answer;
                 QObject::connect(&answer, &QTimer::timeout, [&answer] {
                     if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                         answer.stop(), box->button(QMessageBox::Yes)->click();
                 });
                 answer.start(20);
                 b.console->setBlind(false);
                 b.console->recordsWindow()->hide();
                 for (QAction* action : b.console->findChildren<QAction*>())
                     if (action->text() == u"\u00d74"_s)
                         action->trigger();
                 chooseFrequency(b, 2, 560);
             }},
        };
        for (const Scene& scene : scenes) {
            scene.setUp(bench);
            const QRect area = scene.recordsOnly ? w.recordsWindow()->geometry() : QRect(QPoint(0, 0), windowSize);
            const QImage first = take(bench, area);
            QVERIFY2(take(bench, area) == first, qPrintable(scene.file + u" differs between two takes"_s));
            QVERIFY2(keep(first, scene.file), qPrintable(scene.file));
        }
        QVERIFY(!w.core().blind() && bench.log.messages.empty());
    }
};

int main(int argc, char** argv) {
    QTemporaryDir settings;
    // A fresh profile: the default image model, no remembered observers or folders.
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication app(argc, argv);
    GuideScreenshotsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "guide_screenshots_test.moc"
