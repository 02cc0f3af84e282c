#pragma once

#include "measurement/observer_profile.h"

#include "console/bench.h"
#include "console/frame_pacing.h"

#include <QDialog>
#include <QList>
#include <QPointF>
#include <QTimer>

#include <array>
#include <map>
#include <memory>

class AxisLabel;
class BenchSignals;
class CameraSwitcher;
class CampaignView;
class FrameView;
class MrtdPlot;
class ObjectiveMrtdRunner;
class QAbstractButton;
class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class ReadingsPanel;
class SessionPanel;
class TemperatureSlider;

// The bench's main window. Every handler forwards to the window-free bench, turning slider positions
// into values and values into positions; this class only owns the widgets, their layout, the timers
// and the drawing of the view.
class MainConsole : public QDialog, public ConsoleWindow {
    Q_OBJECT
public:
    MainConsole(BenchState& state, MessageSink& messages, QWidget* parent = nullptr);
    ~MainConsole() override;

    Bench& core() { return *core_; }
    FrameView* view() const { return view_; }
    // The camera's frame time in whole milliseconds (the frame timer itself paces by the exact rate).
    int framePeriod() const;
    bool noiseOn() const { return noiseOn_; }

    // ConsoleWindow
    void presentFrame(bool jitter) override;
    void showTemperatureValue(const std::string& text) override;
    void layoutChanged() override;
    void showResultList(int camera) override;
    void showView(bool shown) override;
    bool acquireView() override;
    void focusTrackbars() override;
    void invalidate() override;

    void loadEdit();
    // Switches the image model, remembers it for the next run and names it on the maker's line.
    void chooseImageModel(ImageModel model);
    void toggleNoise();
    void toggleMode();
    // "Save table": the save dialog, then the visible list written whole or not at all.
    void saveTable();
    // The same for any slot's list; false when the dialog was cancelled or the file not written.
    bool saveTableOf(int slot);
    // Writes a camera slot's list (the current one by default) to a file; false, after a message
    // naming the file and the reason, when it cannot be written. An existing file is replaced only
    // by a complete one.
    bool writeTable(const QString& path, int slot = -1);
    SessionPanel* session() const { return session_; }
    void openHelp();
    void showAbout();
    MrtdPlot* plot() const { return plot_; }
    // "Objective MRTD": the model observer for the current camera slot, in the background.
    void startObjectiveMrtd();
    // "Observer profile…": the laboratory's profile (tervix-cli observer fit) the human observer reads
    // with from now on, named on the status line and in the report; false, after a message naming the
    // file and what is wrong with it, when it is no profile (the one in use stays).
    bool chooseObserverProfile(const QString& path);
    const ObserverProfile& observerProfile() const { return observerProfile_; }
    ObjectiveMrtdRunner* objectiveRunner() const { return objective_; }
    // The temperature difference written under the image; empty when none is shown.
    QString valueText() const { return valueText_; }
    // "Export CSV" and "Export JSON": the session's statistics, as the command line's session
    // command gives them, written whole; false after a message when the file cannot be written.
    bool exportStatistics(const QString& path, bool json);
    QMenuBar* menuBar() const { return menuBar_; }
    // The session's records, in a window of their own beside the bench: every reading, and the
    // campaign's statistics (hidden while blind).
    ReadingsPanel* readings() const { return readings_; }
    CampaignView* campaign() const { return campaign_; }
    QDialog* recordsWindow() const { return records_; }
    void showRecords(bool campaign);
    // "Blind" ticked: entered at once. Unticked: left only after the question is answered Yes.
    void setBlind(bool on);
    // "Apply" and "Not recognized": the reading recorded, and the controls following the bench, which
    // offers the next half while blind.
    void recordReading(bool recognised);
    // A camera slot chosen: the camera is built away from the window's thread and taken in at a frame
    // boundary; until then the old camera's image goes on, and readings belong to it.
    void switchCamera(int slot);
    bool cameraSwitchPending() const;
    // The persistent line over the image while the session's file does not hold every reading (a
    // failed write, a lost lock), or just after it does again; hidden otherwise.
    QWidget* fileStatusBanner() const { return fileStatus_; }

signals:
    // A camera switch taken in, and how long that held the window's thread.
    void cameraSwitched(double heldMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    template <class W>
    W* control(int id, const QString& accessibleName, W* widget);
    template <class W>
    W* child(int id) const;
    void initialise();
    void deferredStart();
    void layoutControls(int w, int h);
    void showOperatorControls(bool shown);
    void maximizeToScreen();
    void applyColours();
    void syncControls();
    void frameTick();
    void startFramePacing();
    // The temperature trackbar moved: its position's difference in kelvin goes to the bench.
    void onTemperatureSlider(int position);
    // The actions the menu bar and the context menu share, and the menu bar that holds them all.
    void createActions();
    void createMenuBar();
    QGroupBox* createDisplayGroup();
    void chooseMagnifier(int factor);
    void createRecordsWindow();
    // The blind state shown by every widget that could give a value away.
    void showBlindState();
    // The results lists' rows from the bench's lists: a slot's (0 ... 4), or every slot's (-1).
    void showResults(int slot = -1);
    // The status line: what was restored at the start, if anything, and the image model in use.
    void showStatusLine();
    // The session file's status in the banner, the lock confirmed first.
    void showFileStatus();
    // The camera built meanwhile taken in, and its first frame shown; false when it must be built again.
    bool adoptCamera();
    // The camera's description cut to the caption's width, its figures whole.
    void showCameraSummary();
    // Where the target's centre lies in the frame (frame pixels, rows from the bottom).
    QPointF targetCentre() const;
    QString askSavePath(const QString& title, const QString& fileName, const QString& filter);

    std::unique_ptr<Bench> core_;
    std::unique_ptr<BenchSignals> signals_; // goes before the bench it listens to
    MessageSink& messages_;
    FrameView* view_ = nullptr;
    MrtdPlot* plot_ = nullptr;
    SessionPanel* session_ = nullptr; // owned by the window as its child
    ObjectiveMrtdRunner* objective_ = nullptr;
    ObserverProfile observerProfile_; // the published eye's until a profile is chosen
    AxisLabel* horizontalLabel_ = nullptr;
    AxisLabel* verticalLabel_ = nullptr;
    TemperatureSlider* temperatureSlider_ = nullptr;
    std::map<int, QSlider*> sliders_;
    std::array<QListWidget*, cameraSlots> lists_{};
    std::array<QRadioButton*, cameraSlots> cameraRadios_{};
    std::array<QRadioButton*, frequencyCount> frequencyRadios_{};
    std::array<QRadioButton*, 3> fovRadios_{};
    QButtonGroup* cameraGroup_ = nullptr;
    QButtonGroup* frequencyGroup_ = nullptr;
    QButtonGroup* fovGroup_ = nullptr;
    QLineEdit* distanceEdit_ = nullptr;
    QLineEdit* atmTemperatureEdit_ = nullptr;
    QLineEdit* atmCoefficientEdit_ = nullptr;
    QCheckBox* viewValueCheck_ = nullptr;
    QCheckBox* randomiseCheck_ = nullptr;
    QLabel* makerLine_ = nullptr;
    QWidget* fileStatus_ = nullptr;
    QLabel* fileStatusText_ = nullptr;
    QTimer lockCheck_;
    CameraSwitcher* cameraSwitcher_ = nullptr;
    QLabel* cameraCaption_ = nullptr;
    QCheckBox* automaticCheck_ = nullptr;
    QComboBox* magnifierBox_ = nullptr;
    QCheckBox* blindCheck_ = nullptr;
    QDialog* records_ = nullptr;
    QTabWidget* recordTabs_ = nullptr;
    ReadingsPanel* readings_ = nullptr;
    CampaignView* campaign_ = nullptr;
    QString restored_; // what the start took up again, named on the status line
    QMenuBar* menuBar_ = nullptr;
    struct Actions {
        QAction* saveTable = nullptr;
        QAction* exportCsv = nullptr;
        QAction* exportJson = nullptr;
        QAction* close = nullptr;
        QAction* apply = nullptr;
        QAction* notRecognized = nullptr;
        QAction* undo = nullptr;
        QAction* objective = nullptr;
        // What the objective MRTD measures: the bench's six frequencies, or up to the camera's limit.
        QAction* objectiveSix = nullptr;
        QAction* objectiveAuto = nullptr;
        QAction* range = nullptr;
        QAction* observerProfile = nullptr;
        QAction* randomise = nullptr;
        QAction* viewValue = nullptr;
        QAction* readings = nullptr;
        QAction* campaign = nullptr;
        QAction* help = nullptr;
        QAction* about = nullptr;
        QList<QAction*> imageModels;
        QList<QAction*> magnifiers;
    } actions_;
    QTimer startTimer_;
    QTimer frameTimer_; // single-shot, set again at every tick for the next frame due
    FramePacing framePacing_;
    std::vector<std::uint8_t> frameBuffer_;
    bool noiseOn_ = false;
    bool modeOn_ = true;
    bool viewReady_ = false;
    QSize radioSize_;
    QString startText_; // "0.0" at the deferred start
    QPoint startTextAt_;
    QString valueText_; // the temperature difference under the image
};
