#include "gui/main_console.h"

#include "console/camera_summary.h"
#include "console/console_layout.h"
#include "console/control_ids.h"
#include "console/data_files.h"
#include "console/session_statistics.h"
#include "gui/about_dialog.h"
#include "gui/bench_settings.h"
#include "gui/bench_signals.h"
#include "gui/camera_switcher.h"
#include "gui/campaign_view.h"
#include "gui/dialog_folder.h"
#include "gui/frame_view.h"
#include "gui/mrtd_plot.h"
#include "gui/objective_mrtd_runner.h"
#include "gui/range_dialog.h"
#include "gui/readings_panel.h"
#include "gui/session_panel.h"
#include "gui/target_gallery_dialog.h"
#include "gui/temperature_slider.h"
#include "sim/display.h"
#include "sim/rasterizer.h"
#include "sim/truncate.h"
#include "text/messages.h"
#include "text/version.h"
#include "text/whole_file.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTextOption>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <chrono>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Results rows hold tabs; the lists set a tab stop every 40 dialog units. When the list is too narrow
// for that, each column gets the width of its widest entry instead, so that no column is cut.
class TabbedTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QTextOption text;
        // The row as wide as the list shows it: the columns fit the list rather than scroll.
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        const int rowWidth = view ? view->viewport()->width() : option.rect.width();
        text.setTabArray(tabsWithin(option.fontMetrics, rowWidth));
        painter->save();
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(QRectF(option.rect), index.data().toString(), text);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
            size.setWidth(view->viewport()->width());
        return size;
    }
    static qreal tabStop(const QFontMetrics& metrics) {
        // A dialog unit across is a quarter of the average character width.
        return 40.0 * metrics.averageCharWidth() / 4.0;
    }
    // The four fitted tab positions: each column as wide as its widest entry and a space.
    static QList<qreal> fittedTabs(const QFontMetrics& metrics) {
        static const std::array<std::vector<const char*>, 4> columns{{{"    N", "   6"},
                                                                      {"Frequency", "   0.5"},
                                                                      {"MRTD-", " -0.000", " ***   "},
                                                                      {"   MRTD+", " -0.000", " ***   "}}};
        QList<qreal> tabs;
        qreal x = 0;
        for (const auto& cells : columns) {
            qreal widest = 0;
            for (const char* cell : cells)
                widest = std::max<qreal>(widest, metrics.horizontalAdvance(QString::fromLatin1(cell)));
            x += widest + 2 * metrics.horizontalAdvance(QChar(u' '));
            tabs.append(x);
        }
        return tabs;
    }
    static int lastColumn(const QFontMetrics& metrics) {
        return std::max(metrics.horizontalAdvance(QString::fromLatin1("   MRTD")),
                        metrics.horizontalAdvance(QString::fromLatin1("  -0.000")));
    }
    // The narrowest row that shows every column whole.
    static int narrowestRow(const QFontMetrics& metrics) {
        return static_cast<int>(std::ceil(fittedTabs(metrics).back())) + lastColumn(metrics);
    }
    static QList<qreal> tabsWithin(const QFontMetrics& metrics, int rowWidth) {
        const qreal written = tabStop(metrics);
        const QList<qreal> fitted = fittedTabs(metrics);
        if (4 * written + lastColumn(metrics) <= rowWidth || fitted.back() >= 4 * written)
            return {written, 2 * written, 3 * written, 4 * written};
        return fitted;
    }
};

// An action's accessible item is made once and keeps the menu that first showed it. The actions the
// menu bar and the context menu share get theirs afresh whenever a menu opens, so that the open
// menu's active entry reads as focused to assistive tools.
void renewAccessibleItems(QMenu* menu) {
    for (QAction* action : menu->actions())
        if (QAccessibleInterface* item = QAccessible::queryAccessibleInterface(action))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(item));
}
void renewAccessibleItemsOnShow(QMenu* menu) {
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { renewAccessibleItems(menu); });
}

QColor colourOf(std::int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// The start waits this long after the window is set up, so that it runs from the event loop with the
// window already shown.
constexpr int deferredStartDelayMs = 1;
// The zoom trackbars' positions are hundredths of the zoom.
int zoomSliderPositionOf(double zoom) {
    return static_cast<int>(std::lround(zoom * 100.0));
}
double zoomOfSliderPosition(int position) {
    return position / 100.0;
}
// The key under which the chosen image model is remembered between runs, with the settings of
// organisation and application "Tervix".
QString imageModelKey() {
    return u"imageModel"_s;
}

} // namespace

using namespace controlId;

template <class W>
W* MainConsole::child(int id) const {
    return findChild<W*>(QString::number(id));
}

template <class W>
W* MainConsole::control(int id, const QString& accessibleName, W* widget) {
    widget->setObjectName(QString::number(id));
    widget->setAccessibleName(accessibleName);
    return widget;
}

MainConsole::MainConsole(BenchState& state, MessageSink& messages, QWidget* parent)
    : QDialog(parent), core_(std::make_unique<Bench>(state, messages, this)),
      signals_(std::make_unique<BenchSignals>(*core_)), messages_(messages) {
    setWindowTitle(u"Tervix "_s + QString::fromLatin1(tervixVersion));
    // Without a window manager nothing else names the window to assistive tools.
    setAccessibleName(windowTitle());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    // A compact face, so that the labels fit the fixed pixel layout.
    QFont face(u"Liberation Sans"_s);
    face.setPixelSize(12);
    setFont(face);
    resize(800, 508); // 400 x 254 dialog units
    initialise();
}

MainConsole::~MainConsole() {
    core_->recorder().writeInForeground(); // no write ends after the window is gone
    objective_->cancel();
    frameTimer_.stop();
    startTimer_.stop();
    core_->destroy();
}

void MainConsole::initialise() {
    Bench& c = *core_;
    CameraSet& camera = c.state().camera.set;

    // Observer controls.
    cameraGroup_ = new QButtonGroup(this);
    for (int k = 0; k < cameraSlots; ++k) {
        QString label = (u"Camera%1"_s).arg(k + 1);
        cameraRadios_[static_cast<std::size_t>(k)] =
            control(cameraRadios[static_cast<std::size_t>(k)], label, new QRadioButton(label, this));
        cameraGroup_->addButton(cameraRadios_[static_cast<std::size_t>(k)], k);
    }
    cameraRadios_[0]->setChecked(true);
    connect(cameraGroup_, &QButtonGroup::idClicked, this, &MainConsole::switchCamera);
    frequencyGroup_ = new QButtonGroup(this);
    for (int k = 0; k < frequencyCount; ++k) {
        QString label = QString::fromUtf8(frequencyChoices[static_cast<std::size_t>(k)].label);
        frequencyRadios_[static_cast<std::size_t>(k)] =
            control(frequencyRadios[static_cast<std::size_t>(k)], u"Spatial frequency "_s + label,
                    new QRadioButton(label, this));
        frequencyGroup_->addButton(frequencyRadios_[static_cast<std::size_t>(k)], k);
    }
    frequencyRadios_[0]->setChecked(true);
    // The frequency radios keep the size radio "4" has before it is first moved.
    radioSize_ = frequencyRadios_[5]->sizeHint().expandedTo(QSize(40, 25));
    connect(frequencyGroup_, &QButtonGroup::idClicked, this, [this](int k) {
        core_->selectFrequency(k);
        syncControls();
    });
    fovGroup_ = new QButtonGroup(this);
    const QString fovLabels[] = {u"Narrow"_s, u"Medium"_s, u"Wide"_s};
    for (int k = 0; k < 3; ++k) {
        fovRadios_[static_cast<std::size_t>(k)] =
            control(fieldOfViewRadios[static_cast<std::size_t>(k)], fovLabels[k], new QRadioButton(fovLabels[k], this));
        fovGroup_->addButton(fovRadios_[static_cast<std::size_t>(k)], k);
    }
    if (camera.fovIndex >= 0 && camera.fovIndex < 3)
        fovRadios_[static_cast<std::size_t>(camera.fovIndex)]->setChecked(true);
    auto* stepGroup = new QButtonGroup(this);
    stepGroup->addButton(control(step01Radio, u"0.1"_s, new QRadioButton(u"0.1"_s, this)), 0);
    stepGroup->addButton(control(step02Radio, u"0.2"_s, new QRadioButton(u"0.2"_s, this)), 1);

    view_ = control(imageView, u"Thermal image"_s, new FrameView(this));

    auto makeSlider = [this](int id, const QString& name, Qt::Orientation orientation, int low, int high,
                             int position) {
        auto* slider = control(id, name, new QSlider(orientation, this));
        slider->setRange(low, high);
        slider->setValue(position);
        slider->setTickPosition(QSlider::NoTicks);
        sliders_[id] = slider;
        return slider;
    };
    makeSlider(stepSlider, u"Step"_s, Qt::Vertical, 1, 1000, 1)->setPageStep(10);
    TemperatureSlider::installAccessibility();
    temperatureSlider_ =
        control(controlId::temperatureSlider, u"Temperature difference"_s, new TemperatureSlider(this));
    sliders_[controlId::temperatureSlider] = temperatureSlider_;
    connect(temperatureSlider_, &QSlider::valueChanged, this, &MainConsole::onTemperatureSlider);
    connect(temperatureSlider_, &TemperatureSlider::applyRequested, this, [this] { recordReading(true); });
    makeSlider(levelSlider, u"Level"_s, Qt::Horizontal, 0, sliderRange, 500);
    makeSlider(contrastSlider, u"Contrast"_s, Qt::Horizontal, 0, sliderRange, 0);
    makeSlider(controlId::electronicZoomSlider, u"Electronic zoom"_s, Qt::Horizontal, 100, 1000,
               zoomSliderPositionOf(c.electronicZoom()));
    makeSlider(controlId::opticalZoomSlider, u"Optical zoom"_s, Qt::Horizontal, 100, 1000,
               zoomSliderPositionOf(c.opticalZoom()));

    auto* loadButton = control(loadEditButton, u"Load/Edit"_s, new QPushButton(u"Load/Edit"_s, this));
    auto* closeBox = control(controlId::closeButton, u"Close"_s, new QPushButton(u"Close"_s, this));
    connect(loadButton, &QPushButton::clicked, this, &MainConsole::loadEdit);
    connect(closeBox, &QPushButton::clicked, this, &MainConsole::reject);
    auto* modeBox = control(modeCheck, u"Mode on/off"_s, new QCheckBox(u"Mode on/off"_s, this));
    modeBox->setChecked(true);
    connect(modeBox, &QCheckBox::clicked, this, &MainConsole::toggleMode);
    control(polarityButton, u"Polarity"_s, new QPushButton(u"Polarity"_s, this));
    distanceEdit_ = control(distanceEdit, u"Distance"_s, new QLineEdit(this));
    connect(distanceEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { core_->setDistanceText(text.toStdString()); });
    control(modeOfWorkGroup, u"Mode of work"_s, new QGroupBox(u"Mode of work"_s, this));
    control(fieldOfViewGroup, u"Field of view"_s, new QGroupBox(u"Field of view"_s, this));
    auto* noiseBox = control(noiseCheck, u"Noise"_s, new QCheckBox(u"Noise"_s, this));
    connect(noiseBox, &QCheckBox::clicked, this, &MainConsole::toggleNoise);
    control(atmTemperatureCaption, u"Atm. t"_s, new QLabel(u"Atm. t"_s, this));
    atmTemperatureEdit_ = control(controlId::atmTemperatureEdit, u"Atm. t"_s, new QLineEdit(this));
    connect(atmTemperatureEdit_, &QLineEdit::textEdited, this,
            [this](const QString& text) { core_->onAtmosphereTemperatureEdit(text.toStdString()); });
    control(atmCoefficientCaption, u"Atm. koeff"_s, new QLabel(u"Atm. koeff"_s, this));
    atmCoefficientEdit_ = control(controlId::atmCoefficientEdit, u"Atm. koeff"_s, new QLineEdit(this));
    connect(atmCoefficientEdit_, &QLineEdit::textEdited, this,
            [this](const QString& text) { core_->onAtmosphereCoefficientEdit(text.toStdString()); });
    control(autosettingCheck, u"Autosetting"_s, new QCheckBox(u"Autosetting"_s, this))->setChecked(true);
    control(levelCaption, u"Level"_s, new QLabel(u"Level"_s, this));
    control(contrastCaption, u"Contrast"_s, new QLabel(u"Contrast"_s, this));
    control(electronicZoomCaption, u"Electronic zoom"_s, new QLabel(u"Electronic zoom"_s, this));
    control(opticalZoomCaption, u"Optical zoom"_s, new QLabel(u"Optical zoom"_s, this));
    createDisplayGroup();
    cameraCaption_ = control(cameraCaption, u"Camera"_s, new QLabel(this));

    for (int k = 0; k < cameraSlots; ++k) {
        auto* list = control(resultLists[static_cast<std::size_t>(k)], (u"Camera%1 results"_s).arg(k + 1),
                             new QListWidget(this));
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setFocusPolicy(Qt::NoFocus);
        list->setItemDelegate(new TabbedTextDelegate(list));
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (const std::string& row : c.results().rows(k))
            list->addItem(QString::fromStdString(row));
        list->setVisible(k == 0);
        lists_[static_cast<std::size_t>(k)] = list;
    }
    auto* apply = control(applyButton, u"Apply"_s, new QPushButton(u"Apply"_s, this));
    connect(apply, &QPushButton::clicked, this, [this] { recordReading(true); });
    auto* notRecognized = control(notRecognizedButton, u"Not recognized"_s, new QPushButton(u"Not recognized"_s, this));
    connect(notRecognized, &QPushButton::clicked, this, [this] { recordReading(false); });
    auto* save = control(saveTableButton, u"Save table"_s, new QPushButton(u"Save table"_s, this));
    connect(save, &QPushButton::clicked, this, &MainConsole::saveTable);
    viewValueCheck_ = control(controlId::viewValueCheck, u"View  value"_s, new QCheckBox(u"View  value"_s, this));
    viewValueCheck_->setChecked(true);
    connect(viewValueCheck_, &QCheckBox::clicked, this, [this] { core_->toggleViewValue(); });
    randomiseCheck_ =
        control(controlId::randomiseCheck, u"Randomise position"_s, new QCheckBox(u"Randomise position"_s, this));
    connect(randomiseCheck_, &QCheckBox::clicked, this, [this] {
        auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
        core_->toggleRandomisePosition(static_cast<std::uint32_t>(ms.count()));
    });
    blindCheck_ = control(controlId::blindCheck, u"Blind"_s, new QCheckBox(u"Blind"_s, this));
    connect(blindCheck_, &QCheckBox::clicked, this, &MainConsole::setBlind);
    plot_ = control(mrtdPlot, u"MRTD plot"_s, new MrtdPlot(*signals_, this));
    objective_ = new ObjectiveMrtdRunner(this, c);
    // The lists show the bench's lists; a reading or a strike-out changes its slot's alone.
    // The banner follows too: a reading the file cannot take is counted at once.
    const auto showReading = [this](int index) {
        showResults(core_->session().readings[static_cast<std::size_t>(index)].slot - 1);
        showFileStatus();
    };
    connect(signals_.get(), &BenchSignals::readingRecorded, this, showReading);
    connect(signals_.get(), &BenchSignals::readingStruck, this, showReading);
    connect(signals_.get(), &BenchSignals::stateChanged, this, [this] {
        showResults();
        if (readings_) // not yet made while the window starts
            showBlindState();
        if (fileStatus_)
            showFileStatus();
    });
    // The session file is written beside the window's thread: an Apply waits for no disk. A write
    // that failed is said here, on the window's thread.
    c.recorder().writeInBackground([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                core_->recorder().reportWrites();
                showFileStatus();
            },
            Qt::QueuedConnection);
    });
    session_ = new SessionPanel(*this, c, messages_,
                                {[this](int slot) { return saveTableOf(slot); }, [this] { syncControls(); }});
    horizontalLabel_ = control(frequencyAxisCaption, u"Spatial frequency axis"_s, new AxisLabel(this));
    horizontalLabel_->vertical = false;
    verticalLabel_ = control(mrtdAxisCaption, u"MRTD axis"_s, new AxisLabel(this));
    control(temperatureCaption, u"Temperature difference"_s, new QLabel(u"Temperature difference"_s, this));
    control(targetsCaption, u"Targets"_s, new QLabel(u"Targets"_s, this));
    makerLine_ = control(benchCaption, u"Status"_s, new QLabel(this));
    // Above the image, where an observer looks: the session's file not holding every reading.
    fileStatus_ = control(controlId::fileStatusBanner, u"Session file status"_s, new QFrame(this));
    fileStatus_->setAutoFillBackground(true);
    QPalette warning(QColor(0xFF, 0xE0, 0x82));
    warning.setColor(QPalette::WindowText, Qt::black);
    fileStatus_->setPalette(warning);
    fileStatusText_ = new QLabel(fileStatus_);
    fileStatusText_->setObjectName(u"sessionFileStatusText"_s);
    auto* saveAs = new QPushButton(u"Save session as..."_s, fileStatus_);
    saveAs->setObjectName(u"sessionFileSaveAs"_s);
    saveAs->setAccessibleName(u"Save session as"_s);
    auto* statusRow = new QHBoxLayout(fileStatus_);
    statusRow->setContentsMargins(6, 0, 2, 0);
    statusRow->addWidget(fileStatusText_, 1);
    statusRow->addWidget(saveAs);
    fileStatus_->hide();
    cameraSwitcher_ = new CameraSwitcher(this);
    connect(cameraSwitcher_, &CameraSwitcher::ready, this, [this] {
        if (!frameTimer_.isActive())
            adoptCamera(); // no frames to wait for
    });
    restored_ = session_->startOrRestore();
    auto* help = control(helpButton, u"Help"_s, new QPushButton(u"Help"_s, this));
    connect(help, &QPushButton::clicked, this, &MainConsole::openHelp);
    setWindowIcon(programIcon());
    createActions();
    createRecordsWindow();
    createMenuBar();
    connect(saveAs, &QPushButton::clicked, session_->menuActions().saveSessionAs, &QAction::trigger);
    // A lock that went is said before the next reading finds it.
    connect(&lockCheck_, &QTimer::timeout, this, &MainConsole::showFileStatus);
    lockCheck_.start(2000);
    // The context menu keeps the entries it always had, for the menu key and Shift+F10.
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        const QPoint centre(width() / 2, height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, centre, mapToGlobal(centre));
        contextMenuEvent(&event);
    });

    // Only Load/Edit runs from Enter; no other button may take it as the default.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    loadButton->setDefault(true);

    // Controls that nothing shows.
    for (int id : neverShown)
        child<QWidget>(id)->hide();
    showOperatorControls(false);
    if (camera.threeFields == 0)
        fovRadios_[1]->hide();

    distanceEdit_->setText(QString::fromStdString(c.distanceText()));
    atmTemperatureEdit_->setText(QString::asprintf("%4.2f", static_cast<double>(camera.atmTemperature)));
    atmCoefficientEdit_->setText(QString::asprintf("%6.3f", static_cast<double>(camera.atmCoefficient)));
    applyColours();
    // The image model chosen in an earlier run; a profile that never chose one starts with the
    // default, which is not remembered as a choice.
    const auto remembered = imageModelFromName(
        QSettings(settingsOrganisation, settingsApplication).value(imageModelKey()).toString().toStdString());
    if (remembered)
        core_->setImageModel(*remembered);
    for (QAction* action : actions_.imageModels)
        action->setChecked(action->data().toInt() == static_cast<int>(core_->imageModel()));
    showStatusLine();
    viewReady_ = SetupViewPixelFormat(messages_);
    c.start(viewReady_);
    if (!viewReady_)
        return; // no rendering context and no timers: the console runs without the view
    setWindowState(Qt::WindowMinimized);
    startTimer_.setSingleShot(true);
    startTimer_.setInterval(deferredStartDelayMs);
    connect(&startTimer_, &QTimer::timeout, this, &MainConsole::deferredStart);
    startTimer_.start();
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, &MainConsole::frameTick);
}

void MainConsole::deferredStart() {
    loadEdit();
    maximizeToScreen();
    toggleMode();
    const CameraSet& camera = core_->state().camera.set;
    startText_ = u"0.0"_s;
    startTextAt_ = QPoint(camera.sensorWidth * core_->state().sim.scales.base + 15, height() - 30);
    toggleNoise();
    update();
}

void MainConsole::maximizeToScreen() {
    // Without a window manager, maximizing alone leaves the window at its minimum size.
    if (QScreen* s = screen())
        setGeometry(s->availableGeometry());
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
}

int MainConsole::framePeriod() const {
    const float rate = core_->state().camera.set.frameRate;
    return std::max(1, truncToInt(1000.0 / rate));
}

void MainConsole::toggleNoise() {
    if (noiseOn_) {
        frameTimer_.stop();
        noiseOn_ = false;
        core_->redrawView();
    } else {
        noiseOn_ = true;
        startFramePacing();
    }
    child<QCheckBox>(noiseCheck)->setChecked(noiseOn_);
}

namespace {
double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
} // namespace

void MainConsole::startFramePacing() {
    framePacing_ = FramePacing(core_->state().camera.set.frameRate);
    framePacing_.start(monotonicSeconds());
    frameTimer_.start(0);
}

void MainConsole::frameTick() {
    // A camera built meanwhile is taken in between two frames; taking it in shows its first frame.
    const bool shown = cameraSwitcher_->hasReady() && adoptCamera();
    // Frame n is due n / rate seconds after the start: the rate holds on average whatever the timer's
    // whole milliseconds, and a frame that is late drops the ones it overtook instead of queueing them.
    if (framePacing_.tick(monotonicSeconds()).present && !shown)
        presentFrame(true);
    frameTimer_.start(static_cast<int>(std::ceil(framePacing_.wait(monotonicSeconds()) * 1000.0)));
}

void MainConsole::toggleMode() {
    modeOn_ = !modeOn_;
    child<QCheckBox>(modeCheck)->setChecked(modeOn_);
    layoutControls(width(), height());
    showOperatorControls(modeOn_);
    update();
}

void MainConsole::showOperatorControls(bool shown) {
    const bool threeFields = core_->state().camera.set.threeFields != 0;
    for (int id : operatorControls) {
        QWidget* w = child<QWidget>(id);
        w->setVisible(shown && (id != mediumRadio || threeFields));
    }
}

void MainConsole::applyColours() {
    const CameraSet& camera = core_->state().camera.set;
    const QColor background = colourOf(camera.backgroundColour);
    const QColor text = colourOf(camera.textColour);
    QPalette p = palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        p.setColor(role, background);
    // Disabled entries halfway to the background, and without the style's etched shadow, which it
    // draws in the Light colour (white) under disabled text: on the camera's dark background that
    // made disabled menu entries look brighter and bolder than the enabled ones.
    const QColor dimmed =
        QColor::fromRgbF((text.redF() + background.redF()) / 2, (text.greenF() + background.greenF()) / 2,
                         (text.blueF() + background.blueF()) / 2);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(role, text);
        p.setColor(QPalette::Disabled, role, dimmed);
    }
    p.setColor(QPalette::Light, background);
    setPalette(p);
    // The image, the plot and the file status banner keep colours of their own.
    for (QWidget* child : findChildren<QWidget*>())
        if (child != view_ && child != plot_ && child != fileStatus_ && !fileStatus_->isAncestorOf(child))
            child->setPalette(p);
    horizontalLabel_->textColour = verticalLabel_->textColour = text;
    horizontalLabel_->backgroundColour = verticalLabel_->backgroundColour = background;
}

void MainConsole::layoutControls(int w, int h) {
    ConsoleLayoutInput in = imageViewInput(core_->state().camera.set, core_->state().sim.scales);
    in.width = w;
    in.height = h;
    in.menuWidth = menuBar_->sizeHint().width();
    in.top = menuBar_->sizeHint().height();
    const QSize display = child<QWidget>(displayGroup)->sizeHint();
    in.displayWidth = display.width();
    in.displayHeight = display.height();
    in.radioWidth = radioSize_.width();
    in.radioHeight = radioSize_.height();
    // The list shows the header and a row with both halves whole: four tab stops and the last column.
    const QFontMetrics fm(lists_[0]->font());
    const int rowMargins = 2 * lists_[0]->frameWidth() + 8;
    in.listWidth = TabbedTextDelegate::narrowestRow(fm) + rowMargins;
    for (int id :
         {temperatureCaption, benchCaption, targetsCaption, controlId::randomiseCheck, controlId::viewValueCheck,
          controlId::blindCheck, applyButton, notRecognizedButton, saveTableButton, helpButton})
        in.captionWidths[id] = child<QWidget>(id)->sizeHint().width();
    for (auto* group : {cameraGroup_, frequencyGroup_})
        for (QAbstractButton* radio : group->buttons())
            in.captionWidths[radio->objectName().toInt()] = radio->sizeHint().width();
    in.captionWidths[frequencyAxisCaption] = horizontalLabel_->textLength();
    in.captionWidths[mrtdAxisCaption] = verticalLabel_->textLength();
    session_->addNaturalWidths(in.captionWidths);
    const auto at = consoleLayout(in);
    for (const auto& [id, r] : at)
        if (QWidget* widget = child<QWidget>(id))
            widget->setGeometry(r.x, r.y, r.width, r.height);
    session_->layout(at);
    const LayoutRect& bar = at.at(controlId::menuBar);
    menuBar_->setGeometry(bar.x, bar.y, bar.width, bar.height);
    showCameraSummary();
}

void MainConsole::layoutChanged() {
    layoutControls(width(), height());
    update();
}

void MainConsole::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (core_->state().console.consoleReady) {
        layoutControls(width(), height());
        update();
    }
}

void MainConsole::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    const CameraSet& camera = core_->state().camera.set;
    painter.setPen(colourOf(camera.textColour));
    painter.setBackground(colourOf(camera.backgroundColour));
    painter.setBackgroundMode(Qt::OpaqueMode);
    if (!startText_.isEmpty())
        painter.drawText(startTextAt_, startText_);
    // Placed at paint time, so that it follows the window's size.
    if (!valueText_.isEmpty())
        painter.drawText(QPoint(width() / 2 + 100, height() - 30), valueText_);
}

void MainConsole::presentFrame(bool jitter) {
    Bench& c = *core_;
    if (c.rendering() || !viewReady_)
        return;
    const SimState& sim = c.state().sim;
    const CameraSet& camera = c.state().camera.set;
    if (sim.displayImage.empty())
        return;
    const PixelZoom stretch = nextFrame(c.state(), jitter, frameBuffer_);
    // Only a render moves the target; the timer's frames (with jitter) leave the magnifier's centre.
    if (!jitter)
        view_->setMagnifier(c.magnifier(), targetCentre());
    PixelZoom zoom = presentationZoom(camera, sim.scales);
    zoom.x *= stretch.x;
    zoom.y *= stretch.y;
    view_->showFrame(frameBuffer_, sim.imageWidth, sim.imageHeight, zoom);
}

void MainConsole::showTemperatureValue(const std::string& text) {
    valueText_ = QString::fromStdString(text);
    startText_.clear();
    update();
}

void MainConsole::showResults(int slot) {
    const bool blind = core_->blind();
    for (int camera = 0; camera < cameraSlots; ++camera) {
        if (slot >= 0 && camera != slot)
            continue;
        QListWidget* list = lists_[static_cast<std::size_t>(camera)];
        const auto& rows = core_->results().rows(camera);
        for (int row = 0; row < list->count() && row < static_cast<int>(rows.size()); ++row)
            list->item(row)->setText(QString::fromStdString(rows[static_cast<std::size_t>(row)]));
        if (!blind)
            continue;
        // Blind, a frequency's row tells only which halves are read, minus first as the columns run.
        const HalvesRead read = halvesRead(core_->session(), core_->observer(), camera + 1,
                                           core_->orientation() == BarOrientation::Horizontal ? orientationHorizontal
                                                                                              : orientationVertical);
        for (int i = 0; i < frequencyCount && rowOfFrequency(i) < list->count(); ++i) {
            const auto& halves = read[static_cast<std::size_t>(i)];
            list->item(rowOfFrequency(i))
                ->setText((u"   %1\t   %2\t %3\t %4"_s)
                              .arg(i + 1)
                              .arg(QString::fromLatin1(frequencyChoices[static_cast<std::size_t>(i)].resultLabel))
                              .arg(halves[1] ? u"done"_s : QString(), halves[0] ? u"done"_s : QString()));
        }
    }
}

void MainConsole::showBlindState() {
    const bool blind = core_->blind();
    blindCheck_->setChecked(blind);
    temperatureSlider_->setBlind(blind);
    recordTabs_->setTabVisible(recordTabs_->indexOf(campaign_), !blind);
    actions_.campaign->setEnabled(!blind);
    // Whatever would put a number in front of a blind observer waits until blind mode is left: the
    // saved table, the exports, the report, the model observer's curve and the ranges.
    const SessionPanel::MenuActions& session = session_->menuActions();
    for (QAction* action : {actions_.saveTable, actions_.exportCsv, actions_.exportJson, actions_.objective,
                            session.report, actions_.range})
        action->setEnabled(!blind);
    child<QPushButton>(saveTableButton)->setEnabled(!blind);
}

void MainConsole::setBlind(bool on) {
    if (!on) {
        QMessageBox question(QMessageBox::Question, u"Blind"_s,
                             u"Leave blind mode? Every value, yours included, is shown again, and the session "
                             u"notes that you looked."_s,
                             QMessageBox::Yes | QMessageBox::No, this);
        question.setObjectName(u"leaveBlindQuestion"_s);
        question.setDefaultButton(QMessageBox::No);
        if (question.exec() != QMessageBox::Yes) {
            blindCheck_->setChecked(true);
            return;
        }
    }
    core_->setBlind(on);
    syncControls(); // the half offered on entering
}

void MainConsole::recordReading(bool recognised) {
    session_->recordReading(recognised);
    syncControls();
}

void MainConsole::showRecords(bool campaign) {
    recordTabs_->setCurrentWidget(campaign && !core_->blind() ? static_cast<QWidget*>(campaign_) : readings_);
    records_->show();
    records_->raise();
}

void MainConsole::createRecordsWindow() {
    // A tool window stays in front of the bench, so the records stay in sight after the next Apply.
    records_ = new QDialog(this, Qt::Tool);
    records_->setObjectName(u"records"_s);
    records_->setWindowTitle(u"Session records"_s);
    records_->setAccessibleName(records_->windowTitle());
    recordTabs_ = new QTabWidget(records_);
    recordTabs_->setObjectName(u"recordTabs"_s);
    readings_ = new ReadingsPanel(*core_, *signals_, *actions_.undo, recordTabs_);
    campaign_ = new CampaignView(*signals_, recordTabs_);
    recordTabs_->addTab(readings_, u"&Readings"_s);
    recordTabs_->addTab(campaign_, u"&Campaign"_s);
    auto* layout = new QVBoxLayout(records_);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(recordTabs_);
    records_->resize(900, 420);
    showBlindState();
}

void MainConsole::switchCamera(int slot) {
    objective_->cancel(); // the measurement belongs to the camera it started on
    cameraSwitcher_->start(core_->cameraSwitch(slot));
}

bool MainConsole::cameraSwitchPending() const {
    return cameraSwitcher_->pendingSlot() >= 0;
}

bool MainConsole::adoptCamera() {
    QElapsedTimer held;
    held.start();
    const std::unique_ptr<CameraSwitch> prepared = cameraSwitcher_->takeReady();
    // A scene changed while the camera was built is built again, from the bench as it is now.
    if (!core_->adoptCameraSwitch(*prepared)) {
        cameraSwitcher_->start(core_->cameraSwitch(prepared->index));
        return false;
    }
    syncControls();
    showCameraSummary();
    emit cameraSwitched(static_cast<double>(held.nsecsElapsed()) / 1e6);
    return true;
}

void MainConsole::showFileStatus() {
    SessionRecorder& recorder = core_->recorder();
    recorder.confirmLock();
    const QString text = QString::fromStdString(
        sessionFileStatusText(recorder.fileStatus(), recorder.session().readings.size(), recorder.path()));
    const bool written = recorder.fileStatus().state == SessionFileStatus::State::Written;
    fileStatusText_->setText(text);
    fileStatus_->setToolTip(text + u"\n"_s + QString::fromStdString(recorder.path()));
    fileStatus_->setAccessibleDescription(text);
    fileStatus_->findChild<QPushButton*>()->setVisible(!written);
    fileStatus_->setVisible(!text.isEmpty());
    fileStatus_->raise();
    if (readings_)
        readings_->fileStatusChanged();
}

void MainConsole::showStatusLine() {
    QString text = u"Image model: "_s + QString::fromLatin1(imageModelName(core_->imageModel()));
    if (!observerProfile_.name.empty())
        text += u", observer profile "_s + QFileInfo(QFile::decodeName(observerProfile_.name.c_str())).fileName();
    if (!restored_.isEmpty())
        text = restored_ + u" "_s + text;
    makerLine_->setText(text);
    makerLine_->setToolTip(text);
}

void MainConsole::showResultList(int camera) {
    for (QListWidget* list : lists_)
        list->hide();
    lists_[static_cast<std::size_t>(camera)]->show();
}

void MainConsole::showView(bool shown) {
    view_->setVisible(shown);
}

bool MainConsole::acquireView() {
    viewReady_ = SetupViewPixelFormat(messages_);
    return viewReady_;
}

void MainConsole::focusTrackbars() {
    for (int id : {levelSlider, contrastSlider, controlId::opticalZoomSlider, controlId::electronicZoomSlider,
                   controlId::temperatureSlider, stepSlider})
        sliders_[id]->setFocus();
    // The observer's arrow and page keys move the temperature difference, so the visible trackbar
    // keeps the focus rather than the hidden one.
    temperatureSlider_->setFocus();
}

void MainConsole::invalidate() {
    update();
}

void MainConsole::loadEdit() {
    TargetGalleryDialog gallery(messages_, this);
    core_->loadEdit(".", &gallery);
    applyColours();
    syncControls();
    showCameraSummary();
}

void MainConsole::onTemperatureSlider(int position) {
    core_->setTemperatureOnGrid(temperatureDifferenceOf(position));
    syncControls();
}

void MainConsole::syncControls() {
    Bench& c = *core_;
    // The session file's name in the title: which file the readings go into is never a guess.
    const QString sessionFile = QFileInfo(QString::fromStdString(c.recorder().path())).fileName();
    setWindowTitle((sessionFile.isEmpty() ? QString() : sessionFile + u" – "_s) + u"Tervix "_s +
                   QString::fromLatin1(tervixVersion));
    QSignalBlocker block(temperatureSlider_);
    temperatureSlider_->setDifference(c.temperatureOnGrid());
    {
        QSignalBlocker levelBlock(sliders_[levelSlider]);
        sliders_[levelSlider]->setValue(c.levelContrast().level);
    }
    {
        QSignalBlocker contrastBlock(sliders_[contrastSlider]);
        sliders_[contrastSlider]->setValue(c.levelContrast().contrast);
    }
    for (auto [id, zoom] : {std::pair{controlId::electronicZoomSlider, c.electronicZoom()},
                            {controlId::opticalZoomSlider, c.opticalZoom()}}) {
        QSignalBlocker zoomBlock(sliders_[id]);
        sliders_[id]->setValue(zoomSliderPositionOf(zoom));
    }
    {
        QSignalBlocker distanceBlock(distanceEdit_);
        distanceEdit_->setText(QString::fromStdString(c.distanceText()));
    }
    if (QAbstractButton* radio = frequencyGroup_->button(c.frequencyIndex()))
        radio->setChecked(true);
    const int pending = cameraSwitcher_->pendingSlot();
    if (QAbstractButton* radio = cameraGroup_->button(pending >= 0 ? pending : c.cameraIndex()))
        radio->setChecked(true);
    automaticCheck_->setChecked(c.automaticDisplay());
    chooseMagnifier(c.magnifier());
    if (noiseOn_ && framePacing_.rate() != FramePacing(core_->state().camera.set.frameRate).rate())
        startFramePacing();
}

void MainConsole::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused push button takes Enter as a press, as on every desktop; Enter anywhere else
        // is Load/Edit. (The buttons are not auto-default, so their own Enter comes here.)
        auto* button = qobject_cast<QPushButton*>(focusWidget());
        if (button && button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
        loadEdit();
        return;
    }
    QDialog::keyPressEvent(event); // Escape runs reject: Close
}

void MainConsole::reject() {
    if (!session_->confirmClose())
        return;
    objective_->cancel();
    session_->finish();
    core_->adoptFieldOfView(fovGroup_->checkedId() >= 0 ? fovGroup_->checkedId() : core_->state().camera.set.fovIndex);
    frameTimer_.stop();
    QDialog::reject();
}

void MainConsole::closeEvent(QCloseEvent* event) {
    // The close box is Close, without a question.
    event->ignore();
    reject();
}

void MainConsole::saveTable() {
    saveTableOf(core_->cameraIndex());
}

bool MainConsole::saveTableOf(int camera) {
    const QString proposed = QDir(dialogFolder()).filePath((u"table%1.txt"_s).arg(camera + 1));
    QFileDialog dialog(this, u"Save table"_s, proposed, u"Table (*.txt)"_s);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(u"txt"_s);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false; // cancelled: nothing is written
    rememberDialogFolder(dialog.selectedFiles().front());
    return writeTable(dialog.selectedFiles().front(), camera);
}

bool MainConsole::writeTable(const QString& path, int slot) {
    if (slot < 0)
        slot = core_->cameraIndex();
    std::string error;
    if (writeWholeFile(QFile::encodeName(path).toStdString(), core_->results().tableText(slot), error)) {
        session_->markSaved(slot);
        return true;
    }
    messages_.message((u"The table could not be saved to '"_s + path + u"':\n "_s).toStdString() + error);
    return false;
}

void MainConsole::openHelp() {
    // The guide in the working folder, else beside the program or in the installed data.
    QString guide = u"guide_tervix.pdf"_s;
    if (!QFileInfo::exists(guide))
        guide = QString::fromStdString(dataFilePath(core_->state().programDirectory, guide.toStdString()));
    // The desktop's own document opener takes it; no program is started here with the path.
    if (!QFileInfo::exists(guide) ||
        !QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(guide).absoluteFilePath())))
        messages_.message((u"The guide '"_s + guide + u"' could not be opened."_s).toStdString());
}

void MainConsole::startObjectiveMrtd() {
    // The observer reads the screen as the window shows it: its magnifier and display window.
    ObserverSettings settings = shownObserverSettings(*core_);
    settings.profile = observerProfile_;
    settings.toCameraLimit = actions_.objectiveAuto->isChecked();
    objective_->start(settings);
}

bool MainConsole::chooseObserverProfile(const QString& path) {
    std::string error;
    const auto profile = readObserverProfile(QFile::encodeName(path).toStdString(), error);
    if (!profile) {
        messages_.message(error);
        return false;
    }
    observerProfile_ = *profile;
    showStatusLine();
    return true;
}

void MainConsole::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainConsole::chooseImageModel(ImageModel model) {
    core_->setImageModel(model);
    QSettings(settingsOrganisation, settingsApplication)
        .setValue(imageModelKey(), QString::fromLatin1(imageModelName(model)));
    showStatusLine();
    for (QAction* action : actions_.imageModels)
        action->setChecked(action->data().toInt() == static_cast<int>(core_->imageModel()));
}

void MainConsole::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setObjectName(u"consoleMenu"_s);
    menu.setAccessibleName(u"Context menu"_s);
    menu.addAction(actions_.about);
    menu.addAction(actions_.objective);
    menu.addAction(actions_.range);
    menu.addAction(actions_.undo);
    QMenu* models = menu.addMenu(u"&Image model"_s);
    models->setObjectName(u"imageModelMenu"_s);
    models->addActions(actions_.imageModels);
    renewAccessibleItemsOnShow(models);
    menu.addActions({actions_.readings, actions_.campaign});
    menu.addSeparator();
    session_->addMenuActions(menu);
    renewAccessibleItems(&menu);
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // From the keyboard the menu opens with its first entry selected, so that the arrow keys and
        // assistive tools start from an entry rather than from nothing.
        menu.setActiveAction(menu.actions().front());
    }
    menu.exec(event->globalPos(), event->reason() == QContextMenuEvent::Keyboard ? menu.actions().front() : nullptr);
}

void MainConsole::createActions() {
    auto make = [this](const QString& text, const QKeySequence& key = {}) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        return action;
    };
    actions_.saveTable = make(u"Save table..."_s, QKeySequence::Save);
    connect(actions_.saveTable, &QAction::triggered, this, &MainConsole::saveTable);
    actions_.exportCsv = make(u"Export CSV..."_s);
    actions_.exportJson = make(u"Export JSON..."_s);
    for (auto [action, json] : {std::pair{actions_.exportCsv, false}, {actions_.exportJson, true}})
        connect(action, &QAction::triggered, this, [this, json] {
            const QString name = QString::fromStdString(sessionFileName(core_->session().created))
                                     .replace(u".json"_s, json ? u"-statistics.json"_s : u"-statistics.csv"_s);
            const QString path = askSavePath(json ? u"Export JSON"_s : u"Export CSV"_s, name,
                                             json ? u"JSON (*.json)"_s : u"CSV (*.csv)"_s);
            if (!path.isEmpty())
                exportStatistics(path, json);
        });
    actions_.close = make(u"Close"_s, QKeySequence::Close);
    connect(actions_.close, &QAction::triggered, this, &MainConsole::reject);
    actions_.apply = make(u"Apply"_s);
    connect(actions_.apply, &QAction::triggered, this, [this] { recordReading(true); });
    actions_.notRecognized = make(u"Not recognized"_s);
    connect(actions_.notRecognized, &QAction::triggered, this, [this] { recordReading(false); });
    // Takes back the current observer's last reading by striking it out; nothing leaves the session.
    actions_.undo = make(u"Undo last reading"_s, QKeySequence::Undo);
    connect(actions_.undo, &QAction::triggered, this, [this] { core_->undoLastReading(); });
    actions_.objective = make(u"Objective MRTD"_s);
    connect(actions_.objective, &QAction::triggered, this, &MainConsole::startObjectiveMrtd);
    auto* frequencies = new QActionGroup(this);
    actions_.objectiveSix = make(u"The bench's six"_s);
    actions_.objectiveAuto = make(u"Auto, to the camera's limit"_s);
    for (auto [action, name] : {std::pair{actions_.objectiveSix, u"objectiveSixFrequencies"_s},
                                {actions_.objectiveAuto, u"objectiveAutoFrequencies"_s}}) {
        action->setObjectName(name);
        action->setCheckable(true);
        frequencies->addAction(action);
    }
    actions_.objectiveSix->setChecked(true);
    actions_.range = rangeAction(this, *signals_, [this] {
        const int slot = core_->cameraIndex() + 1;
        RangeInputs in{slot, sessionStatistics(core_->session()), {}, session_->cameraFolders()};
        for (const char* orientation : {orientationVertical, orientationHorizontal})
            if (const ObjectiveRun* run = core_->objectiveRun(slot, orientation))
                in.objective.push_back(*run);
        return in;
    });
    actions_.observerProfile = make(u"Observer profile..."_s);
    connect(actions_.observerProfile, &QAction::triggered, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, u"Observer profile"_s, dialogFolder(), u"Observer profile (*.json)"_s);
        rememberDialogFolder(path);
        if (!path.isEmpty())
            chooseObserverProfile(path);
    });
    // The check boxes stay the state's one place; the actions click them and follow them.
    for (auto [action, box] :
         {std::pair{&actions_.randomise, randomiseCheck_}, {&actions_.viewValue, viewValueCheck_}}) {
        *action = make(box->text().simplified());
        (*action)->setCheckable(true);
        (*action)->setChecked(box->isChecked());
        connect(*action, &QAction::triggered, box, &QCheckBox::click);
        connect(box, &QCheckBox::toggled, *action, &QAction::setChecked);
    }
    actions_.readings = make(u"Readings..."_s, Qt::CTRL | Qt::Key_R);
    connect(actions_.readings, &QAction::triggered, this, [this] { showRecords(false); });
    actions_.campaign = make(u"Campaign..."_s, Qt::CTRL | Qt::Key_K);
    connect(actions_.campaign, &QAction::triggered, this, [this] { showRecords(true); });
    actions_.help = make(u"Help"_s, QKeySequence::HelpContents);
    connect(actions_.help, &QAction::triggered, this, &MainConsole::openHelp);
    actions_.about = make(u"&About Tervix..."_s);
    connect(actions_.about, &QAction::triggered, this, &MainConsole::showAbout);
    auto* models = new QActionGroup(this);
    for (const ImageModelNames& names : imageModelNames) {
        const ImageModel model = names.model;
        QAction* action = make(u"&"_s + QString::fromLatin1(names.label));
        action->setCheckable(true);
        action->setChecked(core_->imageModel() == model);
        action->setData(static_cast<int>(model));
        models->addAction(action);
        actions_.imageModels.append(action);
        connect(action, &QAction::triggered, this, [this, model] { chooseImageModel(model); });
    }
    auto* magnifiers = new QActionGroup(this);
    for (int k = 0; k < magnifierBox_->count(); ++k) {
        QAction* action = make(magnifierBox_->itemText(k));
        const int factor = magnifierBox_->itemData(k).toInt();
        action->setCheckable(true);
        action->setChecked(factor == core_->magnifier());
        action->setData(factor);
        magnifiers->addAction(action);
        actions_.magnifiers.append(action);
        connect(action, &QAction::triggered, this, [this, factor] { chooseMagnifier(factor); });
    }
}

void MainConsole::createMenuBar() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(u"menuBar"_s);
    menuBar_->setAccessibleName(u"Menu bar"_s);
    const SessionPanel::MenuActions& session = session_->menuActions();
    QMenu* sessionMenu = menuBar_->addMenu(u"&Session"_s);
    sessionMenu->addActions({session.newSession, session.openSession, session.saveSessionAs, session.addObserver});
    sessionMenu->addSeparator();
    sessionMenu->addActions(
        {actions_.saveTable, actions_.exportCsv, actions_.exportJson, session.report, session.reportSettings});
    sessionMenu->addSeparator();
    sessionMenu->addAction(actions_.close);
    QMenu* measurement = menuBar_->addMenu(u"&Measurement"_s);
    measurement->addActions({actions_.apply, actions_.notRecognized, actions_.undo});
    measurement->addSeparator();
    measurement->addAction(actions_.objective);
    measurement->addMenu(u"Objective MRTD &frequencies"_s)->addActions({actions_.objectiveSix, actions_.objectiveAuto});
    measurement->addActions({actions_.observerProfile, actions_.range});
    measurement->addMenu(u"&Image model"_s)->addActions(actions_.imageModels);
    measurement->addSeparator();
    measurement->addAction(actions_.randomise);
    QMenu* view = menuBar_->addMenu(u"&View"_s);
    view->addAction(actions_.viewValue);
    view->addMenu(u"&Magnifier"_s)->addActions(actions_.magnifiers);
    view->addSeparator();
    view->addActions({actions_.readings, actions_.campaign});
    QMenu* help = menuBar_->addMenu(u"&Help"_s);
    help->addActions({actions_.help, actions_.about});
    for (QMenu* menu : menuBar_->findChildren<QMenu*>())
        renewAccessibleItemsOnShow(menu);
}

QGroupBox* MainConsole::createDisplayGroup() {
    auto* group = control(displayGroup, u"Display"_s, new QGroupBox(u"Display"_s, this));
    automaticCheck_ = control(automaticDisplayCheck, u"Automatic level and contrast"_s,
                              new QCheckBox(u"Automatic level and contrast"_s, group));
    automaticCheck_->setChecked(core_->automaticDisplay());
    connect(automaticCheck_, &QCheckBox::clicked, this, [this](bool on) {
        core_->setAutomaticDisplay(on);
        syncControls();
    });
    magnifierBox_ = control(magnifierBox, u"Magnifier"_s, new QComboBox(group));
    for (int factor : {1, 2, 4, 8})
        magnifierBox_->addItem(QString(QChar(0x00D7)) + QString::number(factor), factor);
    connect(magnifierBox_, &QComboBox::activated, this,
            [this](int index) { chooseMagnifier(magnifierBox_->itemData(index).toInt()); });
    auto* magnifierLabel = control(magnifierCaption, u"Magnifier"_s, new QLabel(u"Magnifier"_s, group));
    magnifierLabel->setBuddy(magnifierBox_);
    // A moved Level or Contrast takes the display window out of automatic.
    for (int id : {levelSlider, contrastSlider}) {
        sliders_[id]->setMinimumWidth(50);
        connect(sliders_[id], &QSlider::valueChanged, this, [this] {
            core_->setDisplayWindow(sliders_[levelSlider]->value(), sliders_[contrastSlider]->value());
            syncControls();
        });
    }
    connect(sliders_[controlId::electronicZoomSlider], &QSlider::valueChanged, this, [this](int position) {
        core_->setElectronicZoom(zoomOfSliderPosition(position));
        syncControls();
    });
    // Short enough for the group to fit beside the image on the smallest screens; the accessible
    // name stays the whole one.
    child<QLabel>(electronicZoomCaption)->setText(u"Zoom"_s);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->addWidget(child<QLabel>(levelCaption), 0, 0);
    grid->addWidget(sliders_[levelSlider], 0, 1);
    grid->addWidget(child<QLabel>(contrastCaption), 0, 2);
    grid->addWidget(sliders_[contrastSlider], 0, 3);
    grid->addWidget(child<QLabel>(electronicZoomCaption), 1, 0);
    grid->addWidget(sliders_[controlId::electronicZoomSlider], 1, 1);
    grid->addWidget(magnifierLabel, 1, 2);
    grid->addWidget(magnifierBox_, 1, 3);
    grid->addWidget(automaticCheck_, 2, 0, 1, 4);
    return group;
}

void MainConsole::chooseMagnifier(int factor) {
    core_->setMagnifier(factor);
    const int shown = core_->magnifier();
    magnifierBox_->setCurrentIndex(magnifierBox_->findData(shown));
    for (QAction* action : actions_.magnifiers)
        action->setChecked(action->data().toInt() == shown);
    view_->setMagnifier(shown, targetCentre());
}

QPointF MainConsole::targetCentre() const {
    // The target's offset (with its sub-pixel phase) from the image's centre, in frame pixels.
    const BenchState& s = core_->state();
    const RenderGeometry g = computeRenderGeometry(s.camera.set, s.sim, RenderMode::CameraView, false);
    QPointF centre(s.sim.imageWidth / 2.0, s.sim.imageHeight / 2.0);
    if (g.pitchX > 0.0 && g.pitchY > 0.0)
        centre += QPointF(s.console.targetOffsetX / g.pitchX + s.console.targetPhaseX,
                          s.console.targetOffsetY / g.pitchY + s.console.targetPhaseY);
    return centre;
}

void MainConsole::showCameraSummary() {
    const BenchState& s = core_->state();
    const CameraSummary summary = cameraSummary(Bench::cameraFileOf(core_->cameraIndex()), s.camera.set, s.sim);
    const QString figures = QString::fromStdString(summary.figures);
    const QString description = QString::fromStdString(summary.description);
    const QString separator = u" \u2014 "_s;
    const QString whole = description.isEmpty() ? figures : description + separator + figures;
    // The figures stay whole; the description gives way on a narrow window.
    const QFontMetrics metrics(cameraCaption_->font());
    const int room = cameraCaption_->width() - metrics.horizontalAdvance(separator + figures);
    cameraCaption_->setText(description.isEmpty() ? figures
                                                  : metrics.elidedText(description, Qt::ElideRight, std::max(room, 0)) +
                                                        separator + figures);
    cameraCaption_->setToolTip(whole);
    cameraCaption_->setAccessibleName(whole);
}

QString MainConsole::askSavePath(const QString& title, const QString& fileName, const QString& filter) {
    const QString path = QFileDialog::getSaveFileName(this, title, QDir(dialogFolder()).filePath(fileName), filter);
    rememberDialogFolder(path);
    return path;
}

bool MainConsole::exportStatistics(const QString& path, bool json) {
    const Session& session = core_->session();
    std::string error;
    if (writeWholeFile(QFile::encodeName(path).toStdString(),
                       json ? sessionJson(session) : statisticsCsv(sessionStatistics(session)), error))
        return true;
    messages_.message((u"The statistics could not be exported to '"_s + path + u"':\n "_s).toStdString() + error);
    return false;
}
