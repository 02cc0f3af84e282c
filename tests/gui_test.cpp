// What only the window does, under Xvfb with Mesa's software OpenGL: controls and layout at real screen
// sizes, the GL view, live frames, the plot, keys, menus, accessibility. The logic: the console tests.
#include "console/plot_geometry.h"
#include "gui/bench_app.h"
#include "gui/frame_view.h"
#include "gui/mrtd_plot.h"
#include "gui/objective_mrtd_runner.h"
#include "gui/temperature_slider.h"
#include "started_bench.h"

#include <QOpenGLFunctions_2_0>
#include <QOpenGLVersionFunctionsFactory>
#include <QOpenGLWidget>
#include <QtWidgets>

#include <functional>
#include <set>

using namespace controlId;
using namespace Qt::StringLiterals;

namespace {

const QString screenshots = QStringLiteral(TERVIX_SCREENSHOT_DIR) + u'/';

// Opens the window's context menu with Shift+F10, or with the Menu key as X11 delivers it (a keyboard
// context-menu event to the focused control), and runs `act` on it once it is up (it is modal). It
// opens on its first entry, the about box, and tells a screen reader so.
void onMenu(MainConsole* console, const std::function<void(QMenu*)>& act, bool menuKey = false) {
    QTimer::singleShot(200, [console, act] {
        QMenu* menu = console->findChild<QMenu*>(u"consoleMenu"_s);
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menu->activeAction(), menu->actions().front());
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(menu);
        QVERIFY(a && a->childCount() >= 1);
        QCOMPARE(a->role(), QAccessible::PopupMenu);
        QVERIFY(!a->state().invisible);
        QCOMPARE(a->text(QAccessible::Name), u"Context menu"_s);
        QCOMPARE(a->child(0)->text(QAccessible::Name), u"About Tervix..."_s);
        QVERIFY(a->child(0)->state().focused);
        act(menu);
    });
    console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(console));
    QWidget* focused = console->focusWidget() ? console->focusWidget() : console;
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), focused->mapToGlobal(QPoint(5, 5)));
    if (menuKey)
        QApplication::sendEvent(focused, &event);
    else
        QTest::keyClick(console, Qt::Key_F10, Qt::ShiftModifier);
}

// The controls shown, by their control-id names.
std::vector<QWidget*> shownControls(QWidget* window) {
    std::vector<QWidget*> shown;
    for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) // a group places its own
        if (!w->objectName().isEmpty() && w->objectName()[0].isDigit() && w->isVisible())
            shown.push_back(w);
    return shown;
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

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

bool colourNear(const QImage& image, PlotPoint p, QColor colour) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(p.x + dx, p.y + dy) && QColor(image.pixel(p.x + dx, p.y + dy)) == colour)
                return true;
    return false;
}

} // namespace

class GuiTest : public QObject {
    Q_OBJECT
private slots:
    // Maximized, only the observer's controls; Camera1 shows hot as white: four bright bars across
    // the middle of the view at 0.5 cycles per mrad and +2 K. With noise the live frames differ; a frame
    // repaints the view only, not the console around it or the controls beside it (the list and plot,
    // which Camera1's view margin reaches under, are left out).
    void startsMaximizedWithOnlyTheObserverControlsFourBarsAndLiveFrames() {
        RunningBench bench;
        QVERIFY(bench.console && bench.log.messages.empty());
        // The title names the session file the readings go into.
        QCOMPARE(bench.console->windowTitle(),
                 QFileInfo(QString::fromStdString(bench.console->core().recorder().path())).fileName() +
                     u" – Tervix 2.1"_s);
        QVERIFY(bench.console->windowState() & Qt::WindowMaximized);
        QCOMPARE(bench.console->geometry().size(), bench.console->screen()->availableGeometry().size());
        std::set<int> expected{imageView, controlId::temperatureSlider, applyButton, notRecognizedButton};
        expected.insert({saveTableButton, viewValueCheck, randomiseCheck, mrtdPlot, frequencyAxisCaption, helpButton});
        expected.insert({mrtdAxisCaption, temperatureCaption, targetsCaption, benchCaption, resultLists[0]});
        expected.insert({displayGroup, cameraCaption, blindCheck});
        expected.insert(cameraRadios.begin(), cameraRadios.end());
        expected.insert(frequencyRadios.begin(), frequencyRadios.end());
        std::set<int> shown;
        for (QWidget* w : shownControls(bench.console.get()))
            shown.insert(w->objectName().toInt());
        QCOMPARE(shown, expected);
        QCOMPARE(bench.console->framePeriod(), 33); // camera1 runs at 30 frames per second
        QVERIFY(bench.control<QWidget>(imageView)->width() > 600);
        bench.press(frequencyRadios[0]); // "0.5"
        bench.slide(1000);               // +2 K
        const QImage image = bench.console->view()->grabFramebuffer();
        QCOMPARE(brightRunsAcross(image), 4);
        FrameView* view = bench.console->view();
        QVERIFY(bench.console->noiseOn());
        QTest::qWait(200); // the start's own repaints are over
        PaintCounter console, slider, apply, painted;
        bench.console->installEventFilter(&console);
        bench.control<QWidget>(controlId::temperatureSlider)->installEventFilter(&slider);
        bench.control<QWidget>(applyButton)->installEventFilter(&apply);
        view->installEventFilter(&painted);
        QTest::qWait(10 * bench.console->framePeriod()); // live frames arrive
        QVERIFY(view->grabFramebuffer() != image);
        QVERIFY(painted.paints >= 3);
        QCOMPARE(console.paints + slider.paints + apply.paints, 0);
    }

    // Without the standard target the last target file of the folder is loaded, with a message;
    // without the start camera there is the reader's message, once, and no window.
    void aStartWithoutItsFilesSaysSo() {
        {
            BenchFolder folder;
            QFile::remove(folder.path(u"mira.tag"_s));
            QFile::copy(QStringLiteral(TERVIX_SHIPPED_DATA_DIR "/vehicle.tag"), folder.path(u"a.tag"_s));
            QFile::copy(QStringLiteral(TERVIX_SHIPPED_DATA_DIR "/mira.tag"), folder.path(u"z.tag"_s));
            StartedBench bench(folder.program());
            QVERIFY(bench.console);
            QCOMPARE(bench.log.messages, std::vector<std::string>{"Target file is not found"});
            QCOMPARE(bench.console->core().targetFile(), std::string("z.tag"));
            QCOMPARE(bench.state.target.items.size(), std::size_t(5));
        }
        BenchFolder folder;
        QFile::remove(folder.path(u"camera1.par"_s));
        MessageLog log;
        BenchApp app(log);
        QVERIFY(!app.InitInstance(QString::fromStdString(folder.program())));
        QCOMPARE(log.messages, std::vector<std::string>{"File 'camera1.par' is absent.\n Can't start the system"});
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible());
    }

    void theViewDrawsWhatDrawPixelsDrew_data() {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QPointF>("zoom");
        QTest::addColumn<QSize>("view");
        QTest::newRow("unzoomed") << QSize(640, 512) << QPointF(1.0, 1.0) << QSize(640, 512);
        QTest::newRow("electronic zoom 2 with margin") << QSize(320, 240) << QPointF(2.2, 2.2) << QSize(704, 528);
        QTest::newRow("doubled rows") << QSize(640, 240) << QPointF(1.0, 2.0) << QSize(640, 480);
        QTest::newRow("jitter") << QSize(640, 512) << QPointF(1.0 + 0.7 / 640, 1.0 + 0.3 / 512) << QSize(640, 512);
        QTest::newRow("view larger than the image") << QSize(300, 200) << QPointF(1.5, 1.25) << QSize(500, 300);
    }
    // The view against the way it used to draw: the same frame at the same zoom gives the same
    // picture, pixel for pixel, margins included.
    void theViewDrawsWhatDrawPixelsDrew() {
        QFETCH(QSize, image);
        QFETCH(QPointF, zoom);
        QFETCH(QSize, view);
        std::vector<std::uint8_t> pattern(static_cast<std::size_t>(image.width() * image.height()));
        for (std::size_t k = 0; k < pattern.size(); ++k) {
            const auto i = static_cast<int>(k) % image.width(), j = static_cast<int>(k) / image.width();
            pattern[k] = static_cast<std::uint8_t>((i * 7 + j * 13) % 251 + 3);
        }
        QWidget window;
        window.resize(2 * view.width() + 30, view.height() + 20);
        auto* reference = new DrawPixelsView(pattern, image, PixelZoom{zoom.x(), zoom.y()}, &window);
        reference->setGeometry(10, 10, view.width(), view.height());
        auto* frameView = new FrameView(&window);
        frameView->setGeometry(20 + view.width(), 10, view.width(), view.height());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        std::vector<std::uint8_t> frame = pattern; // the view takes the frame over
        frameView->showFrame(frame, image.width(), image.height(), PixelZoom{zoom.x(), zoom.y()});
        QTRY_VERIFY(frameView->presentedFrames() > 0);
        QCOMPARE(frameView->currentFrame(), pattern);
        const QImage gl = reference->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        // What the window shows of the view, not only the view's own buffer.
        const QImage plain = frameView->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(plain.size(), view);
        QCOMPARE(frameView->grabFramebuffer().convertToFormat(QImage::Format_RGB32), plain);
        if (gl != plain) {
            gl.save(screenshots + u"view_drawpixels.png"_s);
            plain.save(screenshots + u"view_frame.png"_s);
        }
        QVERIFY2(gl == plain, "the view differs from glDrawPixels; both are in the screenshot folder");
        // The picture is the frame, not a blank: the lower-left image pixel sits at the lower-left corner.
        QCOMPARE(qGray(plain.pixel(0, view.height() - 1)), int(pattern[0]));
    }

    // Enter or Space on a focused button presses it (and keeps the difference); Enter on the trackbar
    // is Load/Edit, which centres it; every press redraws the plot. The trackbar speaks kelvin.
    void keysPressButtonsTheTrackbarSpeaksKelvinAndTheTableIsSavedWholeOrNotAtAll() {
        RunningBench bench;
        auto* slider = bench.control<QSlider>(controlId::temperatureSlider);
        PaintCounter plot;
        bench.console->plot()->installEventFilter(&plot);
        const struct {
            int button, position;
            Qt::Key key;
            QString row;
        } presses[] = {{applyButton, 560, Qt::Key_Return, u"   1\t   0.5\t \t  0.240"_s},
                       {applyButton, 440, Qt::Key_Space, u"   1\t   0.5\t -0.240\t 0.240\t  0.240"_s},
                       {notRecognizedButton, 440, Qt::Key_Enter, u"   1\t   0.5\t  ***   \t 0.240\t  "_s}};
        for (const auto& p : presses) {
            bench.slide(p.position);
            const int paints = plot.paints;
            auto* button = bench.control<QPushButton>(p.button);
            button->setFocus();
            QTest::keyClick(button, p.key);
            QCOMPARE(bench.control<QListWidget>(resultLists[0])->item(2)->text(), p.row);
            QCOMPARE(slider->value(), p.position);
            QTRY_VERIFY(plot.paints > paints);
        }
        // Enter on the trackbar applies, as the Apply button does, and leaves the difference set.
        const std::size_t readings = bench.console->core().session().readings.size();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Return);
        QCOMPARE(bench.console->core().session().readings.size(), readings + 1);
        QCOMPARE(slider->value(), 440);
        QVERIFY(bench.log.messages.empty());
        slider->setValue(625);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(slider);
        QVERIFY(a && a->valueInterface());
        QCOMPARE(a->role(), QAccessible::Slider);
        QCOMPARE(a->text(QAccessible::Name), u"Temperature difference"_s);
        QCOMPARE(a->text(QAccessible::Value), u"+0.500 K"_s);
        QCOMPARE(a->text(QAccessible::Description), u"+0.500 K"_s);
        QAccessibleValueInterface* value = a->valueInterface();
        QCOMPARE((QVariantList{value->currentValue(), value->minimumValue(), value->maximumValue()}),
                 (QVariantList{0.5, -2.0, 2.0}));
        value->setCurrentValue(-0.1);
        QCOMPARE(slider->value(), 475);
        QCOMPARE(bench.state.console.temperatureDifference, -0.1f);
        QCOMPARE(a->text(QAccessible::Value), u"-0.100 K"_s);
        // A frequency choice centres the trackbar with its signals held back; the text follows all the same.
        bench.press(frequencyRadios[2]);
        QCOMPARE(a->text(QAccessible::Description), u"+0.000 K"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(bench.console.get())->text(QAccessible::Name), u"Tervix 2.1"_s);
        // The saved table is the slot's; a name too long for a temporary file beside it fails the write
        // with a message (whole_file_test: the old file stays). A refused camera switch keeps the old camera.
        const QString path = bench.path(u"table1.txt"_s);
        QVERIFY(bench.console->writeTable(path));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray::fromStdString(bench.console->core().results().tableText(0)));
        const QString tooLong = bench.path(QString(250, u'a') + u".txt"_s);
        QVERIFY(!bench.console->writeTable(tooLong));
        QCOMPARE(bench.log.messages.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(bench.log.messages[0])
                    .startsWith(u"The table could not be saved to '"_s + tooLong + u"':\n "_s));
        bench.log.messages.clear();
        QFile::remove(bench.path(u"camera4.par"_s));
        bench.press(cameraRadios[2]);
        QVERIFY(bench.log.messages.empty());
        QCOMPARE(bench.console->framePeriod(), 40);
        bench.press(cameraRadios[3]); // camera4.par is absent
        QCOMPARE(bench.log.messages.size(), std::size_t(1));
        QCOMPARE(bench.console->core().cameraIndex(), 2);
        for (std::size_t k = 0; k < cameraSlots; ++k) {
            QCOMPARE(bench.control<QAbstractButton>(cameraRadios[k])->isChecked(), k == 2);
            QCOMPARE(bench.control<QWidget>(resultLists[k])->isVisible(), k == 2);
        }
        QVERIFY(bench.control<QWidget>(imageView)->isVisible());
    }

    // A camera chosen is built away from the window's thread: the old camera's image and slot stay
    // until it is taken in, frames go on, and a trackbar moved meanwhile holds for the new camera.
    void aCameraSwitchLeavesTheLiveImageToTheOldCameraUntilTakenIn() {
        RunningBench bench;
        QSignalSpy switched(bench.console.get(), &MainConsole::cameraSwitched);
        const Bench& core = bench.console->core();
        bench.control<QAbstractButton>(cameraRadios[2])->click();
        QVERIFY(bench.console->cameraSwitchPending() && core.cameraIndex() == 0);
        QVERIFY(bench.control<QAbstractButton>(cameraRadios[2])->isChecked());
        bench.slide(600); // the old camera's image, which the built one must follow; the radio stays
        QVERIFY(bench.control<QAbstractButton>(cameraRadios[2])->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!bench.console->cameraSwitchPending(), 20000);
        QCOMPARE(std::tuple(core.cameraIndex(), sliderPositionOf(core.temperatureOnGrid()), switched.count()),
                 std::tuple(2, 600, 1));
        QCOMPARE(sliderPositionOf(core.temperatureDifference()), 600);
        QCOMPARE(bench.console->framePeriod(), 40); // camera3's 25 Hz
        const long long frames = bench.console->view()->presentedFrames();
        QTRY_VERIFY(bench.console->view()->presentedFrames() >= frames + 3);
        QVERIFY(bench.log.messages.empty());
    }

    // Shift+F10 and the Menu key on the focused trackbar open the menu; its first entry, the about box.
    void theKeyboardMenuOpensOnItsFirstEntryTheAboutBox() {
        RunningBench bench;
        bench.control<QWidget>(controlId::temperatureSlider)->setFocus();
        for (bool menuKey : {false, true}) {
            QString aboutTitle, aboutVersion;
            const auto about = [&](QMenu* menu) {
                QTimer::singleShot(200, [&] { // the about box is modal too
                    QWidget* box = QApplication::activeModalWidget();
                    QVERIFY(box);
                    aboutTitle = box->windowTitle();
                    for (QLabel* label : box->findChildren<QLabel*>())
                        if (label->text().startsWith(u"Tervix Version"_s))
                            aboutVersion = label->text();
                    box->close();
                });
                menu->actions().front()->trigger();
                menu->close();
            };
            onMenu(bench.console.get(), about, menuKey);
            QTRY_COMPARE(aboutTitle, u"About Tervix"_s);
            QCOMPARE(aboutVersion, u"Tervix Version 2.1"_s);
        }
    }

    // The objective MRTD, started from the menu, runs while the live image goes on; Cancel, a camera
    // switch and closing the window end it. A finished run is drawn dashed with its intervals' caps.
    void objectiveMrtdRunsBehindTheLiveImageCancelsAndDrawsDashed() {
        RunningBench bench;
        ObjectiveMrtdRunner* runner = bench.console->objectiveRunner();
        QProgressDialog* progress = runner->progressDialog();
        MrtdPlot* plot = bench.console->plot();
        plot->resize(400, 300);
        QSignalSpy done(runner, &ObjectiveMrtdRunner::finished);
        ObserverSettings settings;
        settings.observer = ObserverKind::Ideal; // its curve is flat enough to read one pixel a column
        settings.repeats = 8;                    // enough that the two means' slope does not hang on one noisy repeat
        settings.frequencies = {1.5, 2.0};       // 1.5 and 2 cycles/mrad, above the plot's 0.01 K floor
        runner->start(settings);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 120000);
        QVERIFY(!progress->isVisible());
        const ObjectiveRun* result = plot->objectiveRun(0);
        QVERIFY(result);
        QCOMPARE(result->frequencies.size(), std::size_t{2});
        const QImage image = plot->grab().toImage();
        const PlotScale s = plotScale(plot->width(), plot->height());
        const PlotPoint a = plotPointOf(s, 1.5, result->frequencies[0].mrtd.mean);
        const PlotPoint b = plotPointOf(s, 2.0, result->frequencies[1].mrtd.mean);
        // Along the line between the two means (flatter than 45 degrees, so one pixel a column), lit
        // and dark stretches alternate.
        QVERIFY(std::abs(b.y - a.y) < b.x - a.x);
        int lit = 0, dark = 0;
        for (int x = a.x + 4; x <= b.x - 4; ++x) {
            const PlotPoint p{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)};
            (colourNear(image, p, MrtdPlot::penColour(0)) ? lit : dark)++;
        }
        QVERIFY2(lit >= 5 && dark >= 3, qPrintable(u"lit %1, dark %2"_s.arg(lit).arg(dark)));
        // Its values, which the curve shows only roughly, are in the plot's tooltip under the observer's name.
        QVERIFY(plot->toolTip().contains(u"Camera1: ideal observer, vertical bars"_s) &&
                plot->toolTip().contains(u"2 cycles/mrad: %1 K"_s.arg(result->frequencies[1].mrtd.mean, 0, 'f', 3)));
        // The interval's end caps stand above the mean at its frequency.
        const PlotPoint top = plotPointOf(s, 1.5, result->frequencies[0].mrtd.ciHigh);
        QVERIFY(top.y < a.y);
        QVERIFY(colourNear(image, PlotPoint{top.x + 2, top.y}, MrtdPlot::penColour(0)));

        onMenu(bench.console.get(), [](QMenu* menu) {
            for (QAction* action : menu->actions())
                if (action->text() == u"Objective MRTD"_s)
                    action->trigger();
            menu->close();
        });
        QTRY_VERIFY(runner->running());
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->maximum(), 48); // 8 repeats at 6 frequencies
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 1, 60000);
        const long long before = bench.console->view()->presentedFrames();
        QTRY_VERIFY(bench.console->view()->presentedFrames() >= before + 3);
        QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        QVERIFY(!runner->running() && !progress->isVisible());
        QTest::qWait(200);
        QCOMPARE(bench.console->core().session().objectiveRuns.size(), std::size_t{1}); // the cancelled run left none
        bench.console->startObjectiveMrtd();
        bench.press(cameraRadios[1]);
        QVERIFY(!runner->running());
        bench.console->startObjectiveMrtd();
        bench.console->close();
        QVERIFY(!runner->running());
    }

    void theLayoutShowsEverythingWhole_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("camera");
        QTest::newRow("1024x768 Camera1") << QSize(1024, 768) << 0;
        QTest::newRow("1024x768 Camera2") << QSize(1024, 768) << 1;
        QTest::newRow("1920x1080 Camera1") << QSize(1920, 1080) << 0;
        QTest::newRow("1920x1080 Camera4") << QSize(1920, 1080) << 3;
    }
    // At a screen's size with results in several slots (one cooled, 0.004 K): no two shown controls
    // overlap and every caption has its natural width. The screenshots are kept for a look. The plot
    // draws what the plot geometry places, in each slot's colour: Camera3 and Camera5 at 0.2 K and
    // Camera1's cooled 0.004 K, which moves the scale's bottom.
    void theLayoutShowsEverythingWhole() {
        QFETCH(QSize, size);
        QFETCH(int, camera);
        RunningBench bench;
        const struct {
            int slot, frequency, plus, minus;
        } presses[] = {{2, 2, 550, 450}, {2, 3, 550, 450}, {1, 1, 520, 480}, {1, 4, 560, 440}, {4, 4, 550, 450},
                       {4, 5, 550, 450}, {0, 0, 501, 499}, {0, 2, 530, 475}, {0, 5, 700, 300}};
        for (const auto& p : presses) {
            if (bench.console->core().cameraIndex() != p.slot)
                bench.press(cameraRadios[static_cast<std::size_t>(p.slot)]);
            bench.press(frequencyRadios[static_cast<std::size_t>(p.frequency)]);
            bench.record(p.plus);
            bench.record(p.minus);
        }
        bench.press(cameraRadios[static_cast<std::size_t>(camera)]);
        bench.press(frequencyRadios[1]);
        bench.slide(560);
        QVERIFY(bench.log.messages.empty());
        bench.console->setWindowState(Qt::WindowNoState);
        bench.console->setGeometry(QRect(QPoint(0, 0), size));
        QTRY_COMPARE(bench.console->size(), size);
        QTest::qWait(100);
        const std::vector<QWidget*> shown = shownControls(bench.console.get());
        for (std::size_t a = 0; a < shown.size(); ++a) {
            QVERIFY2(bench.console->rect().contains(shown[a]->geometry()), qPrintable(shown[a]->objectName()));
            for (std::size_t b = a + 1; b < shown.size(); ++b)
                QVERIFY2(!shown[a]->geometry().intersects(shown[b]->geometry()),
                         qPrintable(shown[a]->objectName() + u" and "_s + shown[b]->objectName()));
            if (qobject_cast<QLabel*>(shown[a]) || qobject_cast<QAbstractButton*>(shown[a]))
                QVERIFY2(shown[a]->width() >= shown[a]->sizeHint().width(), qPrintable(shown[a]->objectName()));
        }
        auto* horizontal = bench.control<AxisLabel>(frequencyAxisCaption);
        auto* vertical = bench.control<AxisLabel>(mrtdAxisCaption);
        QVERIFY(horizontal->width() >= horizontal->textLength() && vertical->height() >= vertical->textLength());
        bench.console->grab().save(screenshots +
                                   u"bench_%1x%2_camera%3.png"_s.arg(size.width()).arg(size.height()).arg(camera + 1));
        MrtdPlot* plot = bench.console->plot();
        const QImage image = plot->grab().toImage();
        const PlotScale s = plotScaleHolding(plot->width(), plot->height(), 0.004);
        QVERIFY(plotPointOf(s, 0.5, 0.004).y < plot->height());
        QVERIFY(colourNear(image, plotPointOf(s, 0.5, 0.004), MrtdPlot::penColour(0)));
        auto halfway = [&](double f0, double f1) {
            const PlotPoint a = plotPointOf(s, f0, 0.2), b = plotPointOf(s, f1, 0.2);
            return PlotPoint{(a.x + b.x) / 2, (a.y + b.y) / 2};
        };
        QVERIFY(colourNear(image, halfway(1.5, 2.0), MrtdPlot::penColour(2)));
        QVERIFY(colourNear(image, halfway(3.0, 4.0), MrtdPlot::penColour(4)));
        QVERIFY(!colourNear(image, halfway(3.0, 4.0), MrtdPlot::penColour(2)));
    }

    // A fresh profile starts physical; Shift+F10 opens the menu, I its "Image model", S picks
    // "Specified"; the next start keeps the choice. The status line names the model in use.
    void theImageModelIsChosenFromTheKeyboardAndRemembered() {
        BenchFolder folder;
        {
            StartedBench bench(folder.program());
            QLabel* status = bench.control<QLabel>(1189);
            QCOMPARE(status->text(), u"Image model: physical"_s);
            QCOMPARE(bench.state.sim.imageModel, ImageModel::Physical);
            const std::vector<float> physical = bench.state.sim.sceneImage;
            onMenu(bench.console.get(), [&](QMenu* menu) {
                QMenu* models = menu->findChild<QMenu*>(u"imageModelMenu"_s);
                QVERIFY(models);
                QStringList entries; // text, checkable, checked
                for (const QAction* action : models->actions())
                    entries << u"%1 %2 %3"_s.arg(action->text()).arg(action->isCheckable()).arg(action->isChecked());
                QCOMPARE(entries, (QStringList{u"&Specified 1 0"_s, u"&Physical 1 1"_s}));
                QTest::keyClick(menu, Qt::Key_I);
                QTimer::singleShot(200, [models] { QTest::keyClick(models, Qt::Key_S); });
            });
            QTRY_COMPARE(bench.state.sim.imageModel, ImageModel::Specified);
            QCOMPARE(status->text(), u"Image model: specified"_s);
            QVERIFY(bench.state.sim.sceneImage != physical); // rendered again at once
        }
        StartedBench again(folder.program());
        QCOMPARE(again.state.sim.imageModel, ImageModel::Specified);
        QCOMPARE(again.control<QLabel>(1189)->text(), u"Image model: specified"_s);
    }
};

int main(int argc, char** argv) {
    QTemporaryDir settings; // the image model is remembered in settings of the test's own
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QSurfaceFormat::setDefaultFormat(FrameView::viewFormat());
    QApplication app(argc, argv);
    GuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_test.moc"
