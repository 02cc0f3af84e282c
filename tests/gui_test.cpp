// The bench window under Xvfb with Mesa's software OpenGL, driven as an observer would.
#include "gui/bench_app.h"
#include "gui/main_console.h"
#include "gui/mrtd_plot.h"
#include "gui/objective_mrtd_runner.h"
#include "console/plot_geometry.h"
#include "sim/in_band_exitance.h"
#include "sim/scene.h"
#include "gui/frame_view.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QProgressDialog>
#include <QTimer>
#include <QListWidget>
#include <QOpenGLFunctions_2_0>
#include <QOpenGLVersionFunctionsFactory>
#include <QOpenGLWidget>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <filesystem>
#include <memory>
#include <set>

using namespace Qt::StringLiterals;

namespace {

QString shipped(const QString& name) { return QStringLiteral(TERVIX_SHIPPED_DATA_DIR) + u'/' + name; }

// A working folder with the shipped cameras and targets, made current for the test's length.
class BenchFolder {
public:
    explicit BenchFolder(bool withStandardTarget = true, bool withCameras = true) {
        previous_ = QDir::currentPath();
        if (withCameras)
            for (const QString& name : {u"camera1.par"_s, u"camera2.par"_s, u"camera3.par"_s, u"camera4.par"_s, u"camera5.par"_s})
                QFile::copy(shipped(name), dir_.filePath(name));
        if (withStandardTarget)
            QFile::copy(shipped(u"mira.tag"_s), dir_.filePath(u"mira.tag"_s));
        QFile::copy(shipped(u"Atmosphere.ini"_s), dir_.filePath(u"Atmosphere.ini"_s));
        QDir::setCurrent(dir_.path());
    }
    ~BenchFolder() { QDir::setCurrent(previous_); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    std::string program() const { return dir_.filePath(u"tervix"_s).toStdString(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// A started bench: the start sequence, the console shown and its deferred start run.
struct RunningBench {
    BenchState state;
    MessageLog log;
    std::unique_ptr<MainConsole> console;

    explicit RunningBench(const BenchFolder& folder) {
        constructApplication(state, log);
        if (!startApplication(state, folder.program(), log))
            return;
        console = std::make_unique<MainConsole>(state, log);
        console->show();
        QTRY_VERIFY_WITH_TIMEOUT(console->noiseOn(), 10000);
    }
    template <class W>
    W* control(int id) const {
        return console->findChild<W*>(QString::number(id));
    }
};

std::set<QString> visibleControls(QWidget* window) {
    std::set<QString> names;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && w->objectName()[0].isDigit() && w->isVisible())
            names.insert(w->objectName());
    return names;
}

// The image view as it used to be drawn: a GL widget that draws the frame with glPixelZoom and
// glDrawPixels from the lower-left corner on black.
class DrawPixelsView : public QOpenGLWidget {
public:
    DrawPixelsView(std::vector<std::uint8_t> frame, QSize size, PixelZoom zoom, QWidget* parent)
        : QOpenGLWidget(parent), frame_(std::move(frame)), size_(size), zoom_(zoom) {
        setFormat(FrameView::viewFormat());
    }

protected:
    void paintGL() override {
        auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_0>(context());
        QVERIFY(gl);
        gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gl->glPixelZoom(static_cast<GLfloat>(zoom_.x), static_cast<GLfloat>(zoom_.y));
        gl->glRasterPos2f(-1.0f, -1.0f);
        gl->glDrawPixels(size_.width(), size_.height(), GL_LUMINANCE, GL_UNSIGNED_BYTE, frame_.data());
        gl->glFinish();
    }

private:
    std::vector<std::uint8_t> frame_;
    QSize size_;
    PixelZoom zoom_;
};

// Bright runs across the middle row of a grabbed view image.
int brightRunsAcrossMiddle(const QImage& image) {
    const int y = image.height() / 2;
    int runs = 0;
    bool bright = false;
    for (int x = 0; x < image.width(); ++x) {
        bool now = qGray(image.pixel(x, y)) > 128;
        if (now && !bright)
            ++runs;
        bright = now;
    }
    return runs;
}

} // namespace

class GuiTest : public QObject {
    Q_OBJECT
private slots:
    void startsMaximizedWithOnlyTheObserverControls();
    void aFrequencyChoiceResetsTheTemperatureDifference();
    void cameraThreeShowsItsListAndKeepsTheAtmosphere();
    void aMissingStartCameraEndsWithTheMessageAndNoWindow();
    void aFolderWithoutTheStandardTargetLoadsTheLastOne();
    void theViewShowsFourBarsAtHalfACyclePerMilliradian();
    void noiseMovesTheFramesAndWithoutNoiseTheyEqualTheImage();
    void theTrackbarValueRenderedIsTheValueShown();
    void presentedFrameRate();
    void theViewDrawsWhatDrawPixelsDrew_data();
    void theViewDrawsWhatDrawPixelsDrew();
    void liveFramesRepaintOnlyTheView();
    void thePlotDrawsTheWorkedExample();
    void eachCameraHasItsOwnColour();
    void notRecognizedRepaintsThePlot();
    void savingWritesTheListWholeOrNotAtAll();
    void theAboutBoxOpensFromTheContextMenu();
    void objectiveMrtdRunsBehindTheLiveImageAndCancels();
    void objectiveMrtdDrawsADashedCurveWithIntervals();
    void theImageModelIsChosenFromTheKeyboardAndRemembered();
    void presentedFrameRateOfThePhysicalModel();
};

void GuiTest::startsMaximizedWithOnlyTheObserverControls() {
    BenchFolder folder;
    RunningBench bench(folder);
    QVERIFY(bench.console);
    QVERIFY(bench.log.messages.empty());
    QCOMPARE(bench.console->windowTitle(), u"Tervix 2.1"_s);
    QVERIFY(bench.console->windowState() & Qt::WindowMaximized);
    QCOMPARE(bench.console->geometry().size(), bench.console->screen()->availableGeometry().size());
    const std::set<QString> expected{u"1187"_s, u"1188"_s, u"1193"_s, u"1194"_s, u"1195"_s,          // cameras
                                     u"1177"_s, u"1176"_s, u"1175"_s, u"1174"_s, u"1172"_s, u"1165"_s,  // frequencies
                                     u"1062"_s, u"1002"_s, u"1167"_s, u"1155"_s, u"1192"_s, u"1190"_s, u"1191"_s,
                                     u"1166"_s, u"1168"_s, u"1170"_s, u"1183"_s, u"1169"_s, u"1173"_s, u"1189"_s, u"57670"_s};
    QCOMPARE(visibleControls(bench.console.get()), expected);
    QCOMPARE(bench.control<QWidget>(1002)->accessibleName(), u"Temperature difference"_s);
    QCOMPARE(bench.console->framePeriod(), 33); // camera1 runs at 30 frames per second
    QCOMPARE(bench.console->core().targetFile, std::string("mira.tag"));
    QVERIFY(bench.control<QWidget>(1062)->width() > 600);
    bench.console->grab().save(QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/bench_start.png"_s);
}

void GuiTest::aFrequencyChoiceResetsTheTemperatureDifference() {
    BenchFolder folder;
    RunningBench bench(folder);
    auto* slider = bench.control<QSlider>(1002);
    slider->setValue(700);
    QCOMPARE(bench.state.console.temperatureDifference, 0.8f);
    bench.control<QAbstractButton>(1175)->click(); // "1.5"
    QCOMPARE(slider->value(), 500);
    QCOMPARE(bench.state.console.temperatureDifference, 0.0f);
    QCOMPARE(bench.state.console.barScale, 2.66666f);
}

void GuiTest::cameraThreeShowsItsListAndKeepsTheAtmosphere() {
    BenchFolder folder;
    RunningBench bench(folder);
    bench.console->core().onAtmosphereCoefficientEdit("0.123");
    bench.control<QAbstractButton>(1193)->click(); // Camera3
    QVERIFY(bench.log.messages.empty());
    for (int id : {1166, 1171, 1181, 1182})
        QVERIFY(!bench.control<QWidget>(id)->isVisible());
    QVERIFY(bench.control<QWidget>(1180)->isVisible());
    QCOMPARE(bench.state.camera.set.scanLines, 240);
    QCOMPARE(bench.state.camera.set.atmCoefficient, 0.123f);
    QCOMPARE(bench.console->framePeriod(), 40);
    QVERIFY(bench.control<QWidget>(1062)->isVisible());
}

void GuiTest::aMissingStartCameraEndsWithTheMessageAndNoWindow() {
    BenchFolder folder(true, false);
    MessageLog log;
    BenchApp app(log);
    QVERIFY(!app.InitInstance(QString::fromStdString(folder.program())));
    QCOMPARE(log.messages.size(), std::size_t(1)); // once, by the start it ends
    QCOMPARE(QString::fromStdString(log.messages.back()),
             u"File 'camera1.par' is absent.\n Can't start the system"_s);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible());
}

void GuiTest::aFolderWithoutTheStandardTargetLoadsTheLastOne() {
    BenchFolder folder(false);
    QFile::copy(shipped(u"vehicle.tag"_s), folder.path(u"a.tag"_s));
    QFile::copy(shipped(u"mira.tag"_s), folder.path(u"z.tag"_s));
    RunningBench bench(folder);
    QVERIFY(bench.console);
    QCOMPARE(bench.log.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(bench.log.messages[0]), u"Target file is not found"_s);
    QCOMPARE(bench.console->core().targetFile, std::string("z.tag"));
    QCOMPARE(bench.state.target.items.size(), std::size_t(5));
}

void GuiTest::theViewShowsFourBarsAtHalfACyclePerMilliradian() {
    BenchFolder folder;
    RunningBench bench(folder);
    bench.control<QAbstractButton>(1177)->click(); // "0.5"
    bench.control<QSlider>(1002)->setValue(1000);   // +2 K
    QCOMPARE(bench.state.console.temperatureDifference, 2.0f);
    const QImage image = bench.console->view()->grabFramebuffer();
    QVERIFY(!image.isNull());
    QCOMPARE(brightRunsAcrossMiddle(image), 4); // camera1 shows hot as white
    image.save(QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/view_four_bars.png"_s);
    // The window as the README shows it: 1 cycle per mrad at +0.3 K, one result recorded.
    bench.control<QAbstractButton>(1176)->click();
    bench.control<QSlider>(1002)->setValue(575);
    bench.control<QAbstractButton>(1167)->click();
    bench.console->grab().save(QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/bench_bars.png"_s);
}

void GuiTest::noiseMovesTheFramesAndWithoutNoiseTheyEqualTheImage() {
    BenchFolder folder;
    RunningBench bench(folder);
    FrameView* view = bench.console->view();
    QVERIFY(bench.console->noiseOn());
    const long long before = view->presentedFrames();
    const QImage first = view->grabFramebuffer();
    QTest::qWait(3 * bench.console->framePeriod());
    const QImage second = view->grabFramebuffer();
    QVERIFY(view->presentedFrames() > before);
    QVERIFY(first != second);

    CameraSet& camera = bench.state.camera.set;
    camera.frameNoise = {0, 0, 0};
    camera.flickerAmplitude = 0.0f;
    bench.console->toggleNoise(); // off: a still image
    QVERIFY(!bench.console->noiseOn());
    bench.console->core().redrawView();
    const SimState& sim = bench.state.sim;
    const auto& frame = view->currentFrame();
    const int pixels = sim.imageWidth * sim.imageHeight;
    QVERIFY(pixels > 0);
    for (int k = 0; k < pixels; ++k)
        QCOMPARE(frame[static_cast<std::size_t>(k)], sim.displayImage[static_cast<std::size_t>(3 * k)]);
}

void GuiTest::theTrackbarValueRenderedIsTheValueShown() {
    BenchFolder folder;
    RunningBench bench(folder);
    auto* slider = bench.control<QSlider>(1002);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), 501);
    QCOMPARE(bench.state.console.temperatureDifference, 0.004f);
    QTest::keyClick(slider, Qt::Key_PageUp);
    QCOMPARE(slider->value(), 511);
    const float shown = bench.state.console.temperatureDifference;
    QCOMPARE(shown, 0.044f);
    const CameraSet& c = bench.state.camera.set;
    const PointList& r = bench.state.camera.tables.currentSpectralResponse();
    const TargetItem& bar = bench.state.target.items[1];
    // The bars carry the signal of the value shown, through the air at the nearest distance.
    double nearest = 1e300;
    for (int k = 0; k < bar.vertexCount; ++k) {
        double x = bar.vertices[static_cast<std::size_t>(2 * k)] * bench.state.console.barScale -
                   (bench.state.target.viewUnitsPerPixel + bench.state.target.targetCenterX);
        double y = bar.vertices[static_cast<std::size_t>(2 * k + 1)] * bench.state.console.barScale;
        nearest = std::min({nearest, x * x + viewingDistance * viewingDistance, y * y + viewingDistance * viewingDistance});
    }
    const double tau = std::exp(-c.atmCoefficient * std::sqrt(nearest) * 0.001);
    const double expected = signalOfTemperature(r, shown) * tau + signalOfTemperature(r, c.atmTemperature) * (1 - tau);
    QVERIFY(std::fabs(bar.renderTemperature - expected) < expected * 1e-6);
}

void GuiTest::presentedFrameRate() {
    // A measurement for the record, not a check of speed: frames presented per second under Xvfb.
    BenchFolder folder;
    RunningBench bench(folder);
    // Camera2 (640 x 512 at 50 Hz) and Camera4 (640 x 512 at 60 Hz), the largest shipped detectors.
    for (int camera : {2, 4}) {
        bench.control<QAbstractButton>(camera == 2 ? 1188 : 1194)->click();
        FrameView* view = bench.console->view();
        QTest::qWait(200);
        const long long start = view->presentedFrames();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(2000);
        const double fps = (view->presentedFrames() - start) * 1000.0 / clock.elapsed();
        qInfo("Camera%d %dx%d: %.1f frames per second presented, camera rate %.0f", camera,
              bench.state.sim.imageWidth, bench.state.sim.imageHeight, fps,
              static_cast<double>(bench.state.camera.set.frameRate));
        QVERIFY(view->presentedFrames() > start);
    }
}

// The view against the way it used to draw: a GL widget with glPixelZoom and glDrawPixels from the
// lower-left corner. The same frame at the same zoom gives the same picture, pixel for pixel,
// margins included.
void GuiTest::theViewDrawsWhatDrawPixelsDrew_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<double>("zoomX");
    QTest::addColumn<double>("zoomY");
    QTest::addColumn<QSize>("view");
    QTest::newRow("unzoomed") << QSize(640, 512) << 1.0 << 1.0 << QSize(640, 512);
    QTest::newRow("view margin") << QSize(640, 480) << 1.1 << 1.1 << QSize(704, 528);
    QTest::newRow("electronic zoom 2 with margin") << QSize(320, 240) << 2.2 << 2.2 << QSize(704, 528);
    QTest::newRow("doubled rows") << QSize(640, 240) << 1.0 << 2.0 << QSize(640, 480);
    QTest::newRow("jitter") << QSize(640, 512) << 1.0 + 0.7 / 640 << 1.0 + 0.3 / 512 << QSize(640, 512);
    QTest::newRow("view larger than the image") << QSize(300, 200) << 1.5 << 1.25 << QSize(500, 300);
}

void GuiTest::theViewDrawsWhatDrawPixelsDrew() {
    QFETCH(QSize, image);
    QFETCH(double, zoomX);
    QFETCH(double, zoomY);
    QFETCH(QSize, view);
    std::vector<std::uint8_t> pattern(static_cast<std::size_t>(image.width() * image.height()));
    for (int j = 0; j < image.height(); ++j)
        for (int i = 0; i < image.width(); ++i)
            pattern[static_cast<std::size_t>(j * image.width() + i)] = static_cast<std::uint8_t>((i * 7 + j * 13) % 251 + 3);
    QWidget window;
    window.resize(2 * view.width() + 30, view.height() + 20);
    auto* reference = new DrawPixelsView(pattern, image, PixelZoom{zoomX, zoomY}, &window);
    reference->setGeometry(10, 10, view.width(), view.height());
    auto* frameView = new FrameView(&window);
    frameView->setGeometry(20 + view.width(), 10, view.width(), view.height());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    std::vector<std::uint8_t> frame = pattern;
    frameView->showFrame(frame, image.width(), image.height(), PixelZoom{zoomX, zoomY});
    QTRY_VERIFY(frameView->presentedFrames() > 0);
    QCOMPARE(frameView->currentFrame(), pattern);
    const QImage gl = reference->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    // What the window shows of the view, not only the view's own buffer.
    const QImage plain = frameView->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(gl.size(), view);
    QCOMPARE(plain.size(), view);
    QCOMPARE(frameView->grabFramebuffer().convertToFormat(QImage::Format_RGB32), plain);
    int differing = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            if (gl.pixel(x, y) != plain.pixel(x, y)) {
                if (differing++ == 0)
                    first = QPoint(x, y);
            }
    if (differing != 0) {
        gl.save(QString::fromUtf8(TERVIX_SCREENSHOT_DIR) + u"/view_drawpixels.png"_s);
        plain.save(QString::fromUtf8(TERVIX_SCREENSHOT_DIR) + u"/view_frame.png"_s);
    }
    QVERIFY2(differing == 0, qPrintable(u"%1 pixels differ, the first at (%2, %3): GL %4, image %5"_s
                                            .arg(differing)
                                            .arg(first.x())
                                            .arg(first.y())
                                            .arg(qGray(gl.pixel(first.x() < 0 ? QPoint(0, 0) : first)))
                                            .arg(qGray(plain.pixel(first.x() < 0 ? QPoint(0, 0) : first)))));
    // The picture is the frame, not a blank: the lower-left image pixel sits at the lower-left corner.
    QCOMPARE(qGray(plain.pixel(0, view.height() - 1)), int(pattern[0]));
}

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

bool colourNear(const QImage& image, int x, int y, QColor colour) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(x + dx, y + dy) && QColor(image.pixel(x + dx, y + dy)) == colour)
                return true;
    return false;
}

int litPixels(const QImage& image, QRect area) {
    int lit = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            lit += qGray(image.pixel(x, y)) > 60;
    return lit;
}

} // namespace

// A live frame costs the view's area: the console around it and the controls beside and below it
// are not painted again while the frames run. (With Camera1's margin the view reaches under the
// results list and the plot by a few pixels, so those repaint that strip; they are left out here.)
void GuiTest::liveFramesRepaintOnlyTheView() {
    BenchFolder folder;
    RunningBench bench(folder);
    QVERIFY(bench.console->noiseOn());
    QTest::qWait(200); // the start's own repaints are over
    PaintCounter console, slider, apply, view;
    bench.console->installEventFilter(&console);
    bench.control<QWidget>(1002)->installEventFilter(&slider);
    bench.control<QWidget>(1167)->installEventFilter(&apply);
    bench.console->view()->installEventFilter(&view);
    const long long before = bench.console->view()->presentedFrames();
    QTest::qWait(10 * bench.console->framePeriod());
    QVERIFY(bench.console->view()->presentedFrames() >= before + 3);
    QVERIFY(view.paints >= 3);
    QCOMPARE(console.paints, 0);
    QCOMPARE(slider.paints, 0);
    QCOMPARE(apply.paints, 0);
}

void GuiTest::thePlotDrawsTheWorkedExample() {
    BenchFolder folder;
    RunningBench bench(folder);
    MrtdPlot* plot = bench.console->plot();
    plot->resize(300, 200);
    const QRect labelOnly(12, 174, 50, 5); // above the empty lists' "0.000" at y = 190
    QCOMPARE(litPixels(plot->grab().toImage(), labelOnly), 0);
    BenchConsole& c = bench.console->core();
    c.selectFrequency(1);
    c.onTemperatureSlider(525); // +0.1 K
    c.applyResult();
    c.onTemperatureSlider(475); // -0.1 K
    c.applyResult();
    const QImage image = plot->grab().toImage();
    QCOMPARE(image.size(), QSize(300, 200));
    QCOMPARE(QColor(image.pixel(70, 115)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(70, 116 + 3)), QColor(Qt::black)); // below the marker
    QVERIFY(litPixels(image, labelOnly) > 0); // "0.100" stands on y = 186
}

void GuiTest::eachCameraHasItsOwnColour() {
    BenchFolder folder;
    RunningBench bench(folder);
    MrtdPlot* plot = bench.console->plot();
    plot->resize(400, 300);
    BenchConsole& c = bench.console->core();
    // Camera3 at 1.5 and 2 cycles per mrad, Camera5 at 3 and 4, all at m = 0.2 K.
    for (auto [camera, frequency] : {std::pair{2, 2}, {2, 3}, {4, 4}, {4, 5}}) {
        c.results.applyResult(camera, frequency, 0.2f);
        c.results.applyResult(camera, frequency, -0.2f);
    }
    const QImage image = plot->grab().toImage();
    const int y = 300 - 10 - static_cast<int>((std::log(0.2) - std::log(0.01)) * 56.0 + 0.5) + 8;
    const int green = (95 * 1.5 + 0.5 + 95 * 2 + 0.5) / 2;
    const int yellow = (static_cast<int>(95 * 3 + 0.5) + static_cast<int>(95 * 4 + 0.5)) / 2;
    QVERIFY(colourNear(image, green, y, QColor(0, 255, 0)));
    QVERIFY(colourNear(image, yellow, y, QColor(255, 255, 0)));
    QVERIFY(!colourNear(image, yellow, y, QColor(0, 255, 0)));
    QVERIFY(MrtdPlot::penColour(4) != MrtdPlot::penColour(2));
}

void GuiTest::notRecognizedRepaintsThePlot() {
    BenchFolder folder;
    RunningBench bench(folder);
    PaintCounter counter;
    bench.console->plot()->installEventFilter(&counter);
    QTest::qWait(100);
    const int before = counter.paints;
    bench.control<QAbstractButton>(1155)->click();
    QTRY_VERIFY(counter.paints > before);
    QCOMPARE(bench.control<QListWidget>(1166)->item(2)->text(), u"   1\t   0.5\t \t   ***  "_s);
}

void GuiTest::savingWritesTheListWholeOrNotAtAll() {
    BenchFolder folder;
    RunningBench bench(folder);
    bench.console->core().onTemperatureSlider(560);
    bench.control<QAbstractButton>(1167)->click();
    const QString path = folder.path(u"table1.txt"_s);
    QVERIFY(bench.console->writeTable(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray content = saved.readAll();
    QCOMPARE(content, QByteArray::fromStdString(bench.console->core().results.tableText(0)));
    QCOMPARE(content.count('\n'), 13);
    QVERIFY(content.contains("   1\t   0.5\t \t  0.24\n"));

    // A name so long that no temporary file can stand beside it: the write fails, the old file stays.
    const QString longPath = folder.path(QString(250, u'a') + u".txt"_s);
    {
        QFile old(longPath);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old results\n");
    }
    QVERIFY(!bench.console->writeTable(longPath));
    QCOMPARE(bench.log.messages.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(bench.log.messages[0]).startsWith(u"The table could not be saved to '"_s + longPath + u"':\n "_s));
    QFile old(longPath);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old results\n"));
}

void GuiTest::theAboutBoxOpensFromTheContextMenu() {
    BenchFolder folder;
    RunningBench bench(folder);
    QString title;
    QString version;
    // The menu and the box are modal: act on each once it is up.
    QTimer::singleShot(200, [&] {
        QMenu* menu = bench.console->findChild<QMenu*>(u"consoleMenu"_s);
        QVERIFY(menu);
        QCOMPARE(menu->actions().front()->text(), u"&About Tervix..."_s);
        QTimer::singleShot(200, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            title = box->windowTitle();
            for (QLabel* label : box->findChildren<QLabel*>())
                if (label->text().startsWith(u"Tervix Version"_s))
                    version = label->text();
            box->close();
        });
        menu->actions().front()->trigger();
        menu->close();
    });
    bench.console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bench.console.get()));
    QTest::keyClick(bench.console.get(), Qt::Key_F10, Qt::ShiftModifier);
    QTRY_COMPARE(title, u"About Tervix"_s);
    QCOMPARE(version, u"Tervix Version 2.1"_s);
}

void GuiTest::objectiveMrtdRunsBehindTheLiveImageAndCancels() {
    BenchFolder folder;
    RunningBench bench(folder);
    ObjectiveMrtdRunner* runner = bench.console->objectiveRunner();
    QProgressDialog* progress = runner->progressDialog();
    QVERIFY(!progress->isVisible());
    // Started from the context menu, as a person does; the menu is modal, the measurement is not.
    QTimer::singleShot(200, [&] {
        QMenu* menu = bench.console->findChild<QMenu*>(u"consoleMenu"_s);
        QVERIFY(menu);
        for (QAction* action : menu->actions())
            if (action->text() == u"Objective MRTD"_s)
                action->trigger();
        menu->close();
    });
    bench.console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bench.console.get()));
    QTest::keyClick(bench.console.get(), Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(runner->running());
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->maximum(), 48); // 8 repeats at 6 frequencies
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 1, 60000);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QGuiApplication::primaryScreen()->grabWindow(0).save(
        QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/objective_progress_%1x%2.png"_s.arg(screen.width()).arg(screen.height()));

    // The live image goes on meanwhile: the view keeps being given frames.
    const long long before = bench.console->view()->presentedFrames();
    QTRY_VERIFY(bench.console->view()->presentedFrames() >= before + 3);

    // Cancel on the dialog ends the run at once, with nothing drawn.
    QPushButton* cancel = progress->findChild<QPushButton*>();
    QVERIFY(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!runner->running());
    QVERIFY(!progress->isVisible());
    QTest::qWait(200);
    QVERIFY(!bench.console->plot()->objectiveResult(0));

    // Switching the camera cancels a running measurement too, and closing the window after one.
    bench.console->startObjectiveMrtd();
    QVERIFY(runner->running());
    bench.control<QAbstractButton>(1188)->click();
    QVERIFY(!runner->running());
    QCOMPARE(bench.console->core().cameraIndex, 1);
    bench.console->startObjectiveMrtd();
    QCOMPARE(runner->cameraSlot(), 1);
    bench.console->close();
    QVERIFY(!runner->running());
}

void GuiTest::objectiveMrtdDrawsADashedCurveWithIntervals() {
    BenchFolder folder;
    RunningBench bench(folder);
    MrtdPlot* plot = bench.console->plot();
    plot->resize(400, 300);
    ObjectiveMrtdRunner* runner = bench.console->objectiveRunner();
    QSignalSpy done(runner, &ObjectiveMrtdRunner::finished);
    ObserverSettings settings;
    settings.repeats = 3;
    settings.frequencies = {2, 3}; // 1.5 and 2 cycles/mrad, above the plot's 0.01 K floor
    runner->start(bench.console->core().state(), 0, settings);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 120000);
    QVERIFY(!runner->progressDialog()->isVisible());
    const auto& result = plot->objectiveResult(0);
    QVERIFY(result);
    QCOMPARE(result->frequencies.size(), std::size_t{2});
    const QImage image = plot->grab().toImage();
    image.save(QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/objective_plot.png"_s);
    const PlotScale s = plotScale(plot->width(), plot->height());
    const PlotPoint a = plotPointOf(s, 1.5, result->frequencies[0].mrtd.mean);
    const PlotPoint b = plotPointOf(s, 2.0, result->frequencies[1].mrtd.mean);
    // Along the line between the two means, lit and dark stretches alternate: a dashed line.
    // The line is flatter than 45 degrees, so each column holds at most one of its pixels.
    QVERIFY(std::abs(b.y - a.y) < b.x - a.x);
    int lit = 0, dark = 0;
    for (int x = a.x + 4; x <= b.x - 4; ++x) {
        const int y = a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
        bool on = false;
        for (int dy = -1; dy <= 1; ++dy)
            on = on || QColor(image.pixel(x, y + dy)) == MrtdPlot::penColour(0);
        (on ? lit : dark) += 1;
    }
    QVERIFY2(lit >= 5 && dark >= 3, qPrintable(u"lit %1, dark %2"_s.arg(lit).arg(dark)));
    // The interval's end caps stand above and below the mean at its frequency.
    const PlotPoint top = plotPointOf(s, 1.5, result->frequencies[0].mrtd.ciHigh);
    QVERIFY(top.y < a.y);
    QVERIFY(colourNear(image, top.x + 2, top.y, MrtdPlot::penColour(0)));
}

void GuiTest::theImageModelIsChosenFromTheKeyboardAndRemembered() {
    // The choice is kept in the test's own settings, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    QSettings(u"Tervix"_s, u"Tervix"_s).remove(u"imageModel"_s);
    BenchFolder folder;
    {
        RunningBench bench(folder);
        QLabel* maker = bench.control<QLabel>(1189);
        QVERIFY(maker);
        QCOMPARE(maker->text(), u"Tervix virtual test bench for thermal imaging cameras"_s);
        QCOMPARE(bench.state.sim.imageModel, ImageModel::Specified);
        const std::vector<float> specified = bench.state.sim.sceneImage;
        bool checkedBefore = false;
        // Shift+F10 opens the menu; I opens "Image model", P picks "Physical".
        QTimer::singleShot(200, [&] {
            QMenu* menu = bench.console->findChild<QMenu*>(u"consoleMenu"_s);
            QVERIFY(menu);
            QMenu* models = menu->findChild<QMenu*>(u"imageModelMenu"_s);
            QVERIFY(models);
            QCOMPARE(models->actions().size(), 2);
            QCOMPARE(models->actions()[0]->text(), u"&Specified"_s);
            QCOMPARE(models->actions()[1]->text(), u"&Physical"_s);
            QVERIFY(models->actions()[0]->isCheckable() && models->actions()[1]->isCheckable());
            checkedBefore = models->actions()[0]->isChecked() && !models->actions()[1]->isChecked();
            QTest::keyClick(menu, Qt::Key_I);
            QTimer::singleShot(200, [models] { QTest::keyClick(models, Qt::Key_P); });
        });
        bench.console->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(bench.console.get()));
        QTest::keyClick(bench.console.get(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_COMPARE(bench.state.sim.imageModel, ImageModel::Physical);
        QVERIFY(checkedBefore);
        QCOMPARE(maker->text(), u"Physical image model"_s);
        QVERIFY(bench.state.sim.sceneImage != specified); // rendered again at once
        for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            bench.console->setWindowState(Qt::WindowNoState);
            bench.console->setGeometry(QRect(QPoint(0, 0), size));
            QTest::qWait(300);
            bench.console->grab().save(QString::fromUtf8(TERVIX_SCREENSHOT_DIR) + u"/bench_physical_%1.png"_s.arg(size.width()));
        }
    }
    {
        RunningBench again(folder);
        QCOMPARE(again.state.sim.imageModel, ImageModel::Physical);
        QCOMPARE(again.control<QLabel>(1189)->text(), u"Physical image model"_s);
    }
    QSettings(u"Tervix"_s, u"Tervix"_s).remove(u"imageModel"_s);
    QStandardPaths::setTestModeEnabled(false);
}

void GuiTest::presentedFrameRateOfThePhysicalModel() {
    // A measurement for the record: frames per second presented under Xvfb in both models.
    QStandardPaths::setTestModeEnabled(true);
    BenchFolder folder;
    RunningBench bench(folder);
    bench.control<QAbstractButton>(1194)->click(); // Camera4, 640 x 512 at 60 Hz
    FrameView* view = bench.console->view();
    for (ImageModel model : {ImageModel::Specified, ImageModel::Physical}) {
        bench.console->chooseImageModel(model);
        QTest::qWait(300);
        const long long start = view->presentedFrames();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(2000);
        const double fps = static_cast<double>(view->presentedFrames() - start) * 1000.0 / static_cast<double>(clock.elapsed());
        qInfo("Camera4 %dx%d, %s model: %.1f frames per second presented, camera rate %.0f", bench.state.sim.imageWidth,
              bench.state.sim.imageHeight, model == ImageModel::Physical ? "physical" : "specified", fps,
              static_cast<double>(bench.state.camera.set.frameRate));
        QVERIFY(view->presentedFrames() > start);
    }
    QSettings(u"Tervix"_s, u"Tervix"_s).remove(u"imageModel"_s);
    QStandardPaths::setTestModeEnabled(false);
}

int main(int argc, char** argv) {
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication app(argc, argv);
    GuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_test.moc"
