// The bench window under Xvfb with Mesa's software OpenGL, driven as an observer would.
#include "console/control_ids.h"
#include "console/plot_geometry.h"
#include "gui/bench_app.h"
#include "gui/frame_view.h"
#include "gui/main_console.h"
#include "gui/mrtd_plot.h"
#include "gui/objective_mrtd_runner.h"
#include "sim/in_band_exitance.h"
#include "sim/scene.h"
#include "started_bench.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QOpenGLFunctions_2_0>
#include <QOpenGLVersionFunctionsFactory>
#include <QOpenGLWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QStandardPaths>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "text_support.h"

using namespace controlId;

using namespace Qt::StringLiterals;

namespace {

QString shipped(const QString& name) {
    return QStringLiteral(TERVIX_SHIPPED_DATA_DIR) + u'/' + name;
}

// A working folder with the shipped cameras and targets, made current for the test's length.
class BenchFolder {
public:
    explicit BenchFolder(bool withStandardTarget = true, bool withCameras = true) {
        previous_ = QDir::currentPath();
        if (withCameras)
            for (const QString& name :
                 {u"camera1.par"_s, u"camera2.par"_s, u"camera3.par"_s, u"camera4.par"_s, u"camera5.par"_s})
                QFile::copy(shipped(name), dir_.filePath(name));
        if (withStandardTarget)
            QFile::copy(shipped(u"mira.tag"_s), dir_.filePath(u"mira.tag"_s));
        QFile::copy(shipped(u"Atmosphere.ini"_s), dir_.filePath(u"Atmosphere.ini"_s));
        QDir::setCurrent(dir_.path());
        // Each bench keeps its sessions in its own data folder, so no test restores another's.
        previousData_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir_.filePath(u"data"_s).toLocal8Bit());
    }
    ~BenchFolder() {
        QDir::setCurrent(previous_);
        qputenv("XDG_DATA_HOME", previousData_);
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    std::string program() const { return dir_.filePath(u"tervix"_s).toStdString(); }

private:
    QTemporaryDir dir_;
    QString previous_;
    QByteArray previousData_;
};

// A started bench in the test's bench folder.
struct RunningBench : StartedBench {
    explicit RunningBench(const BenchFolder& folder) : StartedBench(folder.program()) {}
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
    void presentedFrameRate_data();
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
    void theZoomTrackbarsFollowTheCameraSwitchedTo();
    void enterOrSpaceOnAFocusedButtonPressesIt();
    void enterOnTheTrackbarIsLoadEdit();
    void aRefusedCameraSwitchKeepsTheOldSlotsRadioAndList();
    void viewValueOffClearsTheNumber();
    void theTrackbarSpeaksKelvin();
    void theKeyboardMenuOpensOnItsFirstEntry();
    void aCooledCamerasSmallResultIsOnThePlot();
    void theLayoutShowsEverythingWhole_data();
    void theLayoutShowsEverythingWhole();
    void theImageModelIsChosenFromTheKeyboardAndRemembered();
};

void GuiTest::startsMaximizedWithOnlyTheObserverControls() {
    BenchFolder folder;
    RunningBench bench(folder);
    QVERIFY(bench.console);
    QVERIFY(bench.log.messages.empty());
    QCOMPARE(bench.console->windowTitle(), u"Tervix 2.1"_s);
    QVERIFY(bench.console->windowState() & Qt::WindowMaximized);
    QCOMPARE(bench.console->geometry().size(), bench.console->screen()->availableGeometry().size());
    std::set<QString> expected;
    for (int id : {imageView, controlId::temperatureSlider, applyButton, notRecognizedButton, saveTableButton,
                   viewValueCheck, randomiseCheck, mrtdPlot, frequencyAxisCaption, mrtdAxisCaption, temperatureCaption,
                   targetsCaption, benchCaption, helpButton})
        expected.insert(QString::number(id));
    for (int id : cameraRadios)
        expected.insert(QString::number(id));
    for (int id : frequencyRadios)
        expected.insert(QString::number(id));
    expected.insert(QString::number(resultLists[0]));
    QCOMPARE(visibleControls(bench.console.get()), expected);
    QCOMPARE(bench.control<QWidget>(controlId::temperatureSlider)->accessibleName(), u"Temperature difference"_s);
    QCOMPARE(bench.console->framePeriod(), 33); // camera1 runs at 30 frames per second
    QCOMPARE(bench.console->core().targetFile(), std::string("mira.tag"));
    QVERIFY(bench.control<QWidget>(imageView)->width() > 600);
    bench.console->grab().save(QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/bench_start.png"_s);
}

void GuiTest::aFrequencyChoiceResetsTheTemperatureDifference() {
    BenchFolder folder;
    RunningBench bench(folder);
    auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
    slider->setValue(700);
    QCOMPARE(bench.state.console.temperatureDifference, 0.8f);
    bench.control<QAbstractButton>(frequencyRadios[2])->click(); // "1.5"
    QCOMPARE(slider->value(), 500);
    QCOMPARE(bench.state.console.temperatureDifference, 0.0f);
    QCOMPARE(bench.state.console.barScale, 2.66666f);
}

void GuiTest::cameraThreeShowsItsListAndKeepsTheAtmosphere() {
    BenchFolder folder;
    RunningBench bench(folder);
    bench.console->core().onAtmosphereCoefficientEdit("0.123");
    bench.control<QAbstractButton>(cameraRadios[2])->click(); // Camera3
    QVERIFY(bench.log.messages.empty());
    for (int id : {resultLists[0], resultLists[1], resultLists[3], resultLists[4]})
        QVERIFY(!bench.control<QWidget>(id)->isVisible());
    QVERIFY(bench.control<QWidget>(resultLists[2])->isVisible());
    QCOMPARE(bench.state.camera.set.scanLines, 240);
    QCOMPARE(bench.state.camera.set.atmCoefficient, 0.123f);
    QCOMPARE(bench.console->framePeriod(), 40);
    QVERIFY(bench.control<QWidget>(imageView)->isVisible());
}

void GuiTest::aMissingStartCameraEndsWithTheMessageAndNoWindow() {
    BenchFolder folder(true, false);
    MessageLog log;
    BenchApp app(log);
    QVERIFY(!app.InitInstance(QString::fromStdString(folder.program())));
    QCOMPARE(log.messages.size(), std::size_t(1)); // once, by the start it ends
    QCOMPARE(QString::fromStdString(log.messages.back()), u"File 'camera1.par' is absent.\n Can't start the system"_s);
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
    QCOMPARE(bench.console->core().targetFile(), std::string("z.tag"));
    QCOMPARE(bench.state.target.items.size(), std::size_t(5));
}

void GuiTest::theViewShowsFourBarsAtHalfACyclePerMilliradian() {
    BenchFolder folder;
    RunningBench bench(folder);
    bench.control<QAbstractButton>(frequencyRadios[0])->click();          // "0.5"
    bench.control<QSlider>(controlId::temperatureSlider)->setValue(1000); // +2 K
    QCOMPARE(bench.state.console.temperatureDifference, 2.0f);
    const QImage image = bench.console->view()->grabFramebuffer();
    QVERIFY(!image.isNull());
    QCOMPARE(brightRunsAcrossMiddle(image), 4); // camera1 shows hot as white
    image.save(QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/view_four_bars.png"_s);
    // The window as the README shows it: 1 cycle per mrad at +0.3 K, one result recorded.
    bench.control<QAbstractButton>(frequencyRadios[1])->click();
    bench.control<QSlider>(controlId::temperatureSlider)->setValue(575);
    bench.control<QAbstractButton>(applyButton)->click();
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
    auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
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
        nearest =
            std::min({nearest, x * x + viewingDistance * viewingDistance, y * y + viewingDistance * viewingDistance});
    }
    const double tau = std::exp(-c.atmCoefficient * std::sqrt(nearest) * 0.001);
    const double expected = signalOfTemperature(r, shown) * tau + signalOfTemperature(r, c.atmTemperature) * (1 - tau);
    QVERIFY(std::fabs(bar.renderTemperature - expected) < expected * 1e-6);
}

void GuiTest::presentedFrameRate_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("physical");
    // Camera2 (640 x 512 at 50 Hz) and Camera4 (640 x 512 at 60 Hz), the largest shipped detectors.
    QTest::newRow("Camera2 specified") << 1 << false;
    QTest::newRow("Camera4 specified") << 3 << false;
    QTest::newRow("Camera4 physical") << 3 << true;
}

// The live image follows the camera's rate: never more frames than the camera gives (a 60 Hz camera
// must not show the 62.5 of a 16 ms timer, nor a queue of late frames), and, on this idle window,
// at least half of them (a stalled or stopped live image fails).
void GuiTest::presentedFrameRate() {
    QFETCH(int, slot);
    QFETCH(bool, physical);
    QStandardPaths::setTestModeEnabled(true);
    BenchFolder folder;
    RunningBench bench(folder);
    bench.control<QAbstractButton>(cameraRadios[static_cast<std::size_t>(slot)])->click();
    bench.console->chooseImageModel(physical ? ImageModel::Physical : ImageModel::Specified);
    FrameView* view = bench.console->view();
    QTest::qWait(300);
    const long long start = view->presentedFrames();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(3000);
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const double shown = static_cast<double>(view->presentedFrames() - start);
    const double rate = static_cast<double>(bench.state.camera.set.frameRate);
    qInfo("%s: %.1f frames per second presented, camera rate %.1f", QTest::currentDataTag(), shown / seconds, rate);
    QVERIFY2(shown <= rate * seconds * 1.01 + 2, qPrintable(u"%1 frames in %2 s"_s.arg(shown).arg(seconds)));
    QVERIFY2(shown >= rate * seconds * 0.5, qPrintable(u"%1 frames in %2 s"_s.arg(shown).arg(seconds)));
    QSettings(u"Tervix"_s, u"Tervix"_s).remove(u"imageModel"_s);
    QStandardPaths::setTestModeEnabled(false);
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
            pattern[static_cast<std::size_t>(j * image.width() + i)] =
                static_cast<std::uint8_t>((i * 7 + j * 13) % 251 + 3);
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
    QVERIFY2(differing == 0, qPrintable(u"%1 pixels differ, the first at (%2, %3): GL %4, image %5"_s.arg(differing)
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
    QVERIFY(litPixels(image, labelOnly) > 0);                      // "0.100" stands on y = 186
}

void GuiTest::eachCameraHasItsOwnColour() {
    BenchFolder folder;
    RunningBench bench(folder);
    MrtdPlot* plot = bench.console->plot();
    BenchConsole& c = bench.console->core();
    // Camera3 at 1.5 and 2 cycles per mrad, Camera5 at 3 and 4, all at m = 0.2 K.
    for (auto [camera, frequency] : {std::pair{2, 2}, {2, 3}, {4, 4}, {4, 5}}) {
        c.selectCamera(camera);
        c.selectFrequency(frequency);
        c.onTemperatureSlider(550);
        c.applyResult();
        c.onTemperatureSlider(450);
        c.applyResult();
    }
    plot->resize(400, 300); // after the camera switches, which lay the window out again
    const QImage image = plot->grab().toImage();
    // Halfway along each slot's segment at 0.2 K: Camera3's between 1.5 and 2, Camera5's between 3 and 4.
    const PlotScale scale = plotScale(400, 300);
    auto halfway = [&](double f0, double f1) {
        const PlotPoint a = plotPointOf(scale, f0, 0.2), b = plotPointOf(scale, f1, 0.2);
        return PlotPoint{(a.x + b.x) / 2, (a.y + b.y) / 2};
    };
    const PlotPoint greenPoint = halfway(1.5, 2.0), yellowPoint = halfway(3.0, 4.0);
    const int green = greenPoint.x, yellow = yellowPoint.x, y = greenPoint.y;
    QCOMPARE(yellowPoint.y, y);
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
    bench.control<QAbstractButton>(notRecognizedButton)->click();
    QTRY_VERIFY(counter.paints > before);
    QCOMPARE(bench.control<QListWidget>(resultLists[0])->item(2)->text(), u"   1\t   0.5\t \t   ***   "_s);
}

void GuiTest::savingWritesTheListWholeOrNotAtAll() {
    BenchFolder folder;
    RunningBench bench(folder);
    bench.console->core().onTemperatureSlider(560);
    bench.control<QAbstractButton>(applyButton)->click();
    const QString path = folder.path(u"table1.txt"_s);
    QVERIFY(bench.console->writeTable(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray content = saved.readAll();
    QCOMPARE(content, QByteArray::fromStdString(bench.console->core().results().tableText(0)));
    QCOMPARE(content.count('\n'), 13);
    QVERIFY(content.contains("   1\t   0.5\t \t  0.240\n"));

    // A name so long that no temporary file can stand beside it: the write fails, the old file stays.
    const QString longPath = folder.path(QString(250, u'a') + u".txt"_s);
    {
        QFile old(longPath);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old results\n");
    }
    QVERIFY(!bench.console->writeTable(longPath));
    QCOMPARE(bench.log.messages.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(bench.log.messages[0])
                .startsWith(u"The table could not be saved to '"_s + longPath + u"':\n "_s));
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
        QStringLiteral(TERVIX_SCREENSHOT_DIR) +
        u"/objective_progress_%1x%2.png"_s.arg(screen.width()).arg(screen.height()));

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
    bench.control<QAbstractButton>(cameraRadios[1])->click();
    QVERIFY(!runner->running());
    QCOMPARE(bench.console->core().cameraIndex(), 1);
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

void GuiTest::theZoomTrackbarsFollowTheCameraSwitchedTo() {
    BenchFolder folder;
    QFile::remove(folder.path(u"camera2.par"_s));
    {
        QFile file(folder.path(u"camera2.par"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(testing_support::zoomedCameraText("2.000000", "1.500000", true)));
    }
    RunningBench bench(folder);
    bench.control<QAbstractButton>(cameraRadios[1])->click();
    QVERIFY(bench.log.messages.empty());
    QCOMPARE(bench.control<QSlider>(controlId::electronicZoomSlider)->value(), 200);
    QCOMPARE(bench.control<QSlider>(controlId::opticalZoomSlider)->value(), 150);
    const int width = bench.state.sim.imageWidth;
    auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(bench.state.camera.set.electronicZoom, 2.0f);
    QCOMPARE(bench.state.camera.set.opticalZoom, 1.5f);
    QCOMPARE(bench.state.sim.imageWidth, width);
}

void GuiTest::enterOrSpaceOnAFocusedButtonPressesIt() {
    BenchFolder folder;
    RunningBench bench(folder);
    auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
    slider->setValue(560); // +0.24 K
    auto* apply = bench.control<QPushButton>(applyButton);
    apply->setFocus();
    QTest::keyClick(apply, Qt::Key_Return);
    // Recorded, and the difference stays (Load/Edit would have centred the trackbar).
    QCOMPARE(bench.control<QListWidget>(resultLists[0])->item(2)->text(), u"   1\t   0.5\t \t  0.240"_s);
    QCOMPARE(slider->value(), 560);
    slider->setValue(440);
    apply->setFocus();
    QTest::keyClick(apply, Qt::Key_Space);
    QCOMPARE(bench.control<QListWidget>(resultLists[0])->item(2)->text(), u"   1\t   0.5\t -0.240\t 0.240\t  0.240"_s);
    auto* notRecognized = bench.control<QPushButton>(notRecognizedButton);
    notRecognized->setFocus();
    QTest::keyClick(notRecognized, Qt::Key_Enter);
    QCOMPARE(bench.control<QListWidget>(resultLists[0])->item(2)->text(), u"   1\t   0.5\t  ***   \t 0.240\t  "_s);
    QVERIFY(bench.log.messages.empty());
}

void GuiTest::enterOnTheTrackbarIsLoadEdit() {
    BenchFolder folder;
    RunningBench bench(folder);
    auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
    slider->setFocus();
    slider->setValue(540);
    QTest::keyClick(slider, Qt::Key_Return);
    QCOMPARE(slider->value(), 500);
    QCOMPARE(bench.state.console.temperatureDifference, 0.0f);
    QCOMPARE(bench.console->valueText(), u"0.00  "_s);
}

void GuiTest::aRefusedCameraSwitchKeepsTheOldSlotsRadioAndList() {
    BenchFolder folder;
    QFile::remove(folder.path(u"camera3.par"_s));
    RunningBench bench(folder);
    bench.control<QAbstractButton>(cameraRadios[1])->click();
    bench.control<QAbstractButton>(cameraRadios[2])->click(); // camera3.par is absent
    QCOMPARE(bench.log.messages.size(), std::size_t(1));
    QVERIFY(bench.control<QAbstractButton>(cameraRadios[1])->isChecked());
    QVERIFY(!bench.control<QAbstractButton>(cameraRadios[2])->isChecked());
    QVERIFY(bench.control<QWidget>(resultLists[1])->isVisible());
    QVERIFY(!bench.control<QWidget>(resultLists[2])->isVisible());
    QCOMPARE(bench.console->core().cameraIndex(), 1);
}

void GuiTest::viewValueOffClearsTheNumber() {
    BenchFolder folder;
    RunningBench bench(folder);
    auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
    slider->setValue(625);
    QCOMPARE(bench.console->valueText(), u"0.50  "_s);
    bench.control<QAbstractButton>(viewValueCheck)->click();
    QCOMPARE(bench.console->valueText(), QString());
    slider->setValue(450);
    QCOMPARE(bench.console->valueText(), QString());
    bench.control<QAbstractButton>(viewValueCheck)->click();
    QCOMPARE(bench.console->valueText(), u"-0.20  "_s);
}

void GuiTest::theTrackbarSpeaksKelvin() {
    BenchFolder folder;
    RunningBench bench(folder);
    auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
    slider->setValue(625);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(slider);
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::Slider);
    QCOMPARE(a->text(QAccessible::Name), u"Temperature difference"_s);
    QCOMPARE(a->text(QAccessible::Value), u"+0.50 K"_s);
    QCOMPARE(a->text(QAccessible::Description), u"+0.50 K"_s);
    QAccessibleValueInterface* value = a->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toDouble(), 0.5);
    QCOMPARE(value->minimumValue().toDouble(), -2.0);
    QCOMPARE(value->maximumValue().toDouble(), 2.0);
    value->setCurrentValue(-0.1);
    QCOMPARE(slider->value(), 475);
    QCOMPARE(bench.state.console.temperatureDifference, -0.1f);
    QCOMPARE(a->text(QAccessible::Value), u"-0.10 K"_s);
    // A frequency choice centres the trackbar with its signals held back; the text follows all the same.
    bench.control<QAbstractButton>(frequencyRadios[2])->click();
    QCOMPARE(a->text(QAccessible::Description), u"+0.00 K"_s);
    // The window keeps its name for assistive tools.
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(bench.console.get());
    QCOMPARE(window->text(QAccessible::Name), u"Tervix 2.1"_s);
}

void GuiTest::theKeyboardMenuOpensOnItsFirstEntry() {
    BenchFolder folder;
    RunningBench bench(folder);
    bench.console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bench.console.get()));
    QWidget* slider = bench.control<QWidget>(controlId::temperatureSlider);
    slider->setFocus();
    // Shift+F10, and the Menu key as the X11 platform delivers it: a keyboard context-menu event to the
    // focused control, which leaves it to the window.
    const std::function<void()> openers[] = {
        [&] { QTest::keyClick(bench.console.get(), Qt::Key_F10, Qt::ShiftModifier); },
        [&] {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), slider->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(slider, &event);
        }};
    for (const auto& open : openers) {
        bool checked = false;
        QTimer::singleShot(200, [&] {
            QMenu* menu = bench.console->findChild<QMenu*>(u"consoleMenu"_s);
            QVERIFY(menu);
            QVERIFY(menu->isVisible());
            QCOMPARE(menu->activeAction(), menu->actions().front());
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(menu);
            QVERIFY(a);
            QCOMPARE(a->role(), QAccessible::PopupMenu);
            QVERIFY(!a->state().invisible);
            QCOMPARE(a->text(QAccessible::Name), u"Context menu"_s);
            QVERIFY(a->childCount() >= 1);
            QAccessibleInterface* first = a->child(0);
            QCOMPARE(first->text(QAccessible::Name), u"About Tervix..."_s);
            QVERIFY(first->state().focused);
            checked = true;
            menu->close();
        });
        open();
        QTRY_VERIFY(checked);
    }
}

void GuiTest::aCooledCamerasSmallResultIsOnThePlot() {
    BenchFolder folder;
    RunningBench bench(folder);
    MrtdPlot* plot = bench.console->plot();
    BenchConsole& c = bench.console->core();
    c.selectFrequency(0);
    c.onTemperatureSlider(501); // +0.004 K
    c.applyResult();
    c.onTemperatureSlider(499); // -0.004 K
    c.applyResult();
    plot->resize(300, 200);
    const QImage image = plot->grab().toImage();
    const PlotScale s = plotScaleHolding(300, 200, 0.004);
    QCOMPARE(s.reference, 0.001);
    const PlotPoint p = plotPointOf(s, 0.5, 0.004);
    QVERIFY(p.y < 200);
    QCOMPARE(QColor(image.pixel(p.x, p.y)), QColor(Qt::white)); // the marker
    // The written scale would have put it below the plot's bottom edge.
    QVERIFY(plotPointOf(plotScale(300, 200), 0.5, 0.004).y >= 200);
    QVERIFY(litPixels(image, QRect(12, 200 - 12 - 8, 30, 8)) > 0); // "0.001" at the bottom left
}

void GuiTest::theLayoutShowsEverythingWhole_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("camera");
    QTest::newRow("1024x768 Camera1") << QSize(1024, 768) << 0;
    QTest::newRow("1024x768 Camera2") << QSize(1024, 768) << 1;
    QTest::newRow("1920x1080 Camera1") << QSize(1920, 1080) << 0;
    QTest::newRow("1920x1080 Camera4") << QSize(1920, 1080) << 3;
}

// The window at a screen's size with results of several slots: no two shown controls overlap, every
// caption has its natural width, and the plot shows a cooled camera's 0.004 K. The screenshots are
// kept for a look.
void GuiTest::theLayoutShowsEverythingWhole() {
    QFETCH(QSize, size);
    QFETCH(int, camera);
    BenchFolder folder;
    RunningBench bench(folder);
    BenchConsole& c = bench.console->core();
    // Results in four slots, one of them below the written scale's bottom.
    const struct {
        int slot;
        int frequency;
        int plus;
        int minus;
    } presses[] = {{2, 0, 501, 499}, {2, 1, 503, 497}, {2, 3, 510, 490}, {1, 1, 520, 480}, {1, 4, 560, 440},
                   {4, 2, 540, 470}, {4, 5, 620, 390}, {0, 0, 505, 496}, {0, 2, 530, 475}, {0, 5, 700, 300}};
    for (const auto& p : presses) {
        if (c.cameraIndex() != p.slot)
            bench.control<QAbstractButton>(cameraRadios[static_cast<std::size_t>(p.slot)])->click();
        bench.control<QAbstractButton>(frequencyRadios[static_cast<std::size_t>(p.frequency)])->click();
        bench.control<QSlider>(controlId::temperatureSlider)->setValue(p.plus);
        bench.control<QAbstractButton>(applyButton)->click();
        bench.control<QSlider>(controlId::temperatureSlider)->setValue(p.minus);
        bench.control<QAbstractButton>(applyButton)->click();
    }
    bench.control<QAbstractButton>(cameraRadios[static_cast<std::size_t>(camera)])->click();
    bench.control<QAbstractButton>(frequencyRadios[1])->click();
    bench.control<QSlider>(controlId::temperatureSlider)->setValue(560);
    QVERIFY(bench.log.messages.empty());
    bench.console->setWindowState(Qt::WindowNoState);
    bench.console->setGeometry(QRect(QPoint(0, 0), size));
    QTRY_COMPARE(bench.console->size(), size);
    QTest::qWait(100);

    std::vector<QWidget*> shown;
    for (QWidget* w : bench.console->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && w->objectName()[0].isDigit() && w->isVisible())
            shown.push_back(w);
    for (std::size_t a = 0; a < shown.size(); ++a) {
        QVERIFY2(bench.console->rect().contains(shown[a]->geometry()), qPrintable(shown[a]->objectName()));
        for (std::size_t b = a + 1; b < shown.size(); ++b)
            QVERIFY2(!shown[a]->geometry().intersects(shown[b]->geometry()),
                     qPrintable(shown[a]->objectName() + u" and "_s + shown[b]->objectName()));
        if (qobject_cast<QLabel*>(shown[a]) || qobject_cast<QAbstractButton*>(shown[a]))
            QVERIFY2(shown[a]->width() >= shown[a]->sizeHint().width(), qPrintable(shown[a]->objectName()));
    }
    auto* horizontal = bench.console->findChild<AxisLabel*>(QString::number(frequencyAxisCaption));
    auto* vertical = bench.console->findChild<AxisLabel*>(QString::number(mrtdAxisCaption));
    QVERIFY(horizontal->width() >= horizontal->textLength());
    QVERIFY(vertical->height() >= vertical->textLength());
    const QString name = u"bench_%1x%2_camera%3.png"_s.arg(size.width()).arg(size.height()).arg(camera + 1);
    bench.console->grab().save(QStringLiteral(TERVIX_SCREENSHOT_DIR) + u"/"_s + name);
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
            bench.console->grab().save(QString::fromUtf8(TERVIX_SCREENSHOT_DIR) +
                                       u"/bench_physical_%1.png"_s.arg(size.width()));
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

int main(int argc, char** argv) {
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication app(argc, argv);
    GuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_test.moc"
