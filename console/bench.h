#pragma once

#include "console/bench_listener.h"
#include "console/bench_state.h"
#include "console/mrtd_results.h"
#include "console/session.h"
#include "console/target_loader.h"
#include "console/temperature_grid.h"
#include "sim/display.h"
#include "sim/spatial_frequencies.h"
#include "text/messages.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

class MessageSink;

// The window side of the console: what the handlers ask of the screen. The bench's window implements
// it; headless runs leave it out.
class ConsoleWindow {
public:
    virtual ~ConsoleWindow() = default;
    // Shows the current DisplayImage, with fresh noise, jitter only on timer frames.
    virtual void presentFrame(bool jitter) = 0;
    // Writes the temperature difference under the image; an empty text takes it away.
    virtual void showTemperatureValue(const std::string& text) = 0;
    // Lays the controls out again after the view's scales changed.
    virtual void layoutChanged() = 0;
    // Only the results list of this camera slot is shown.
    virtual void showResultList(int /*camera*/) {}
    // The image view is hidden while a camera file loads.
    virtual void showView(bool /*shown*/) {}
    // The view's drawing context is let go while the target loader runs, and taken again after;
    // false when it cannot be had.
    virtual void releaseView() {}
    virtual bool acquireView() { return true; }
    // Keyboard focus after a target load, and a repaint of the whole window.
    virtual void focusTrackbars() {}
    virtual void invalidate() {}
};

enum class BarOrientation { Vertical, Horizontal };

// One judgement of the bars on the screen: who judged, and whether they were recognised. The bench
// knows everything else about the reading.
struct Observation {
    std::string observer;
    bool recognised = true;
};

// The part of a frame a reader reads, from the stretch the frame's jitter gives it.
using FrameReadRegion = std::function<FrameRegion(const PixelZoom& stretch)>;

// One frame as the view shows it: the display image with fresh noise, and the stretch jitter gives
// it ({1, 1} without jitter). The window's live view, the model observer, the fidelity reports and
// the command line take their frames here, so that the observer judges what a person sees. Jitter
// draws from the generator even when the camera never jitters, so callers that never ask for it
// keep their noise stream. With read, an image model that can draws the noise over the part read
// alone (the rest of the frame keeps what it held); the others draw the whole frame.
PixelZoom nextFrame(BenchState& state, bool jitter, std::vector<std::uint8_t>& frame, const FrameReadRegion& read = {});

// The bench in physical units: the temperature difference in kelvin, the frequency, the bar
// orientation, the camera slot, the image model; runnable without windows. The controls' values
// change only through these actions; the window and the tools read them back. Every reading taken
// and every run of the model observer goes into the bench's session, from which the results lists
// are derived; the listeners hear of each change.
class Bench : public TargetLoaderHost {
public:
    Bench(BenchState& state, MessageSink& messages, ConsoleWindow* window = nullptr);

    BenchState& state() override { return state_; }
    MessageSink& messages() override { return messages_; }

    // Controls' values.
    // The difference on the trackbar's grid, kelvin: the one a person set last. The difference on
    // the bench (temperatureDifference) leaves it while the model observer searches off the grid.
    double temperatureOnGrid() const { return temperatureOnGrid_; }
    const LevelContrast& levelContrast() const { return levelContrast_; }
    // The electronic and optical zoom as the bench holds them, in hundredths.
    double electronicZoom() const { return electronicZoom_; }
    double opticalZoom() const { return opticalZoom_; }
    int frequencyIndex() const { return frequencyIndex_; }
    int cameraIndex() const { return cameraIndex_; }
    int stepIndex() const override { return stepIndex_; }
    bool viewValue() const { return viewValue_; }
    bool randomisePosition() const { return randomisePosition_; }
    // A render is under way: the window shows no frame meanwhile.
    bool rendering() const { return renderBusy_ != 0; }
    const std::string& targetFile() const { return targetFile_; }
    const std::string& distanceText() const { return distanceText_; }
    // The results lists, derived from the session (see resultsOf): the current observer's, on the
    // current orientation.
    const MrtdResults& results() const { return results_; }
    // The observer the window names; their readings are the ones the lists show.
    const std::string& observer() const { return observer_; }
    void setObserver(const std::string& name);
    double temperatureDifference() const { return state_.console.temperatureDifference; }
    BarOrientation orientation() const {
        return state_.console.horizontalBars ? BarOrientation::Horizontal : BarOrientation::Vertical;
    }

    // The pipeline stages as the console runs them.
    void updateScene();
    void updateTargetExtent() override;
    void redrawView();
    // Renders the camera view of another target into the bench's images (the bench's own target
    // stays), without presenting it.
    void renderCameraView(Target& target);
    // The 8-bit mapping again over the unchanged SensorImage, after a change of the display window
    // only, and the frame shown: the picture a full redraw would give, without rendering.
    void remapView();
    // The display window from the new image's extremes, while it is automatic.
    void autoLevelContrast();
    // The display window: automatic (from each image's extremes) or the observer's Level and Contrast
    // positions, which hold until automatic is chosen again. Each change maps the image again.
    bool automaticDisplay() const { return automaticDisplay_; }
    void setAutomaticDisplay(bool automatic);
    void setDisplayWindow(int level, int contrast);
    // The electronic zoom, to the nearest hundredth; the image is rendered again at the new zoom.
    void setElectronicZoom(double zoom);
    // The view's nearest-neighbour magnification, 1, 2, 4 or 8 (anything else is 1).
    int magnifier() const { return magnifier_; }
    void setMagnifier(int factor);
    // How the image is shown now, as each reading records it.
    ReadingDisplay display() const;

    // Handlers.
    // The console's initialisation: ready for the handlers, no render pending; with a view, the
    // temperature difference at none and the view's scales set for the camera.
    void start(bool withView);
    // The bench's zoom takes the camera's, as when the console opens on a loaded camera; every
    // activation does the same.
    void takeCameraZoom();
    void activateCamera();
    void displayReset();
    // The temperature difference on the trackbar's grid (temperatureOnGrid), as a person sets it:
    // the camera takes the bench's zoom, then one render, one mapping (two when the automatic display
    // window moved) and one frame shown.
    void setTemperatureOnGrid(double kelvin);
    // Any temperature difference, off the grid (the grid's value stays as it is): the model observer
    // searches the difference itself.
    void setTemperatureDifference(double kelvin);
    // The difference back at the grid's value, written under the image unless hidden.
    void showTemperatureDifference();
    void selectFrequency(int index);
    // Any spatial frequency in cycles/mrad: the bars scaled to it and their position reset as a
    // choice of the six does (one of the six is that choice). The model observer measures between
    // and beyond the six where a camera needs it; its benches record nothing, and a reading records
    // the frequency of the radio chosen last.
    void setSpatialFrequency(double cyclesPerMrad);
    // Vertical bars (false) or the target turned to horizontal bars (true); re-renders and resets
    // the temperature difference as a frequency choice does, and the lists show that orientation's.
    void selectOrientation(bool horizontalBars);
    void setOrientation(BarOrientation orientation) { selectOrientation(orientation == BarOrientation::Horizontal); }
    void randomiseTargetPosition();
    void toggleRandomisePosition(std::uint32_t tickCount);
    // Ticks "Randomise position" on or off with the random generator left as it is seeded (the
    // command-line tool seeds it from its own option).
    void setRandomisePosition(bool on);
    void toggleViewValue();
    // The image model. Switching recomputes the model's signals and noise level and renders again
    // at once; results, target, settings and the display sliders stay.
    void setImageModel(ImageModel model);
    ImageModel imageModel() const { return state_.sim.imageModel; }
    // Moves the target by a sub-pixel phase (camera-view pixels) on top of its offset, and redraws.
    void setTargetPhase(double dx, double dy);
    // The slot's camera file read (a file that does not load leaves the old camera, and its slot,
    // in use), the camera activated and its image rendered and shown, all at once.
    void selectCamera(int index);
    // The same in three steps, so that the live image goes on while the new camera is built: the
    // window's thread takes a copy of the bench (cameraSwitch), a worker builds the camera's model
    // and first image on it (CameraSwitch::prepare), and the window's thread takes the result in at
    // a frame boundary (adoptCameraSwitch). A result whose scene was changed meanwhile (a render
    // since the copy) is refused: false, the bench unchanged, and the switch is to be made again.
    std::unique_ptr<struct CameraSwitch> cameraSwitch(int index);
    bool adoptCameraSwitch(CameraSwitch& prepared);
    void onDistanceEdit(const std::string& text);
    void onAtmosphereTemperatureEdit(const std::string& text);
    void onAtmosphereCoefficientEdit(const std::string& text);
    // Writing the distance edit runs its handler, as a changed edit does.
    void setDistanceText(const std::string& text) override;
    // The target loader sets the grid's difference without rendering it.
    void placeTemperatureOnGrid(double kelvin) override;
    // "Apply" and "Not recognized": the reading of what is on the bench now (time, slot, camera file,
    // image model, orientation, frequency, half and the difference as the grid value it is) appended
    // to the session, the session file rewritten, the lists derived again. The reading is kept when
    // the file cannot be written (false, after a message). An observation that names no observer is
    // the current observer's; one that names one makes them the current observer.
    bool record(const Observation& observation);
    // Takes back the current observer's last reading that still counts: it is struck out "Undone" by
    // them, now. False when they have none.
    bool undoLastReading();
    // Strikes out any reading that counts, for a reason that must be given. Like a reading, written
    // to the session file at once; nothing is ever deleted. False when nothing was struck.
    bool strikeReading(std::size_t index, const std::string& by, const std::string& reason);
    // Sets a struck reading back into the statistics, by the current observer, for a reason that
    // must be given; the strike-out and the reinstatement both stay in the audit trail.
    bool reinstateReading(std::size_t index, const std::string& reason);
    // Adds a person to the session's roster (name exactly as typed, identifier, eyesight check);
    // false, after a message saying why, when the entry is refused.
    bool addObserver(const SessionObserver& observer);
    // Blind mode: no value is shown while the observer reads, so that none steers the next reading;
    // the window hides every number and asks before leaving. Going blind and looking again are noted
    // in the session with the current observer. Entering offers the first open half (see
    // offerNextHalf), and so do every reading and every change of slot or orientation while blind.
    bool blind() const { return blind_; }
    void setBlind(bool on);
    // The next half to read, drawn at random among the halves the current observer has not read yet
    // on this slot and orientation: its frequency chosen and the difference on the grid at the middle
    // of that half's range. False when every half is read.
    bool offerNextHalf();
    void applyResult() { record({"", true}); }
    void markNotRecognized() { record({"", false}); }
    // A run of the model observer, appended to the session and written as a reading is, stamped with
    // the time now when it holds none. It keeps its own slot and orientation: a run that ends after
    // the window moved on still belongs to what it measured. Kept even when the file cannot be
    // written (false, after a message).
    bool recordObjectiveRun(ObjectiveRun run);
    // The latest run of a slot (1 ... 5) in an orientation; none when there is none.
    const ObjectiveRun* objectiveRun(int slot, const std::string& orientation) const;
    // The views that show the session; a listener must be removed before it goes.
    void addListener(BenchListener& listener);
    void removeListener(BenchListener& listener);
    // The session readings go to: a new one stored in the folder (nothing written until the first
    // reading), or one read from a file, kept in that file. A bench that starts neither keeps its
    // readings in memory only.
    void startSession(const std::string& folder, const std::string& createdIsoTime);
    void resumeSession(Session session, const std::string& path, bool unsaved);
    // A normal end: the session file marked ended.
    bool finishSession() { return recorder_.finish(); }
    // The session written whole to another file and kept there from then on (see SessionRecorder).
    bool saveSessionAs(const std::string& path);
    const Session& session() const { return recorder_.session(); }
    SessionRecorder& recorder() { return recorder_; }
    const SessionRecorder& recorder() const { return recorder_; }
    // Load/Edit: the target loader picks and reads the standard target from the directory, then the
    // console adopts it and shows it with the camera activated.
    void loadEdit(const std::string& directory, TargetPreview* preview);
    // The field of view chosen in the window becomes the camera's, as the window closes.
    void adoptFieldOfView(int fovChoice);
    // Destroy: the target and the kernels go.
    void destroy();

    // The camera file of a camera slot, "camera1.par" ... "camera5.par".
    static std::string cameraFileOf(int index);
    // A zoom to the nearest hundredth, the zoom's step on the bench.
    static double zoomInHundredths(double zoom);

private:
    // New random offsets (and sub-pixel phases) for the target within the field, from the extent the
    // last projection gave; nothing is drawn.
    void randomiseOffsets();
    // The image brought to the scene as it stands (the difference just set, new bars): projected,
    // rendered, the automatic display window followed, one frame shown.
    void showNewDifference();
    // The automatic display window set from the image just rendered, and the image mapped again
    // when the window moved (true then).
    bool followDisplayWindow();
    // The lists derived again from the whole session, and the views told so.
    void resultsReplaced();
    void sessionReplaced();
    // The bars at this scale, their position reset, with the difference back at none.
    void showBars(float barScale);
    template <class Event>
    void tell(Event event);
    // Every control's value as another bench holds it (the session and the window stay).
    void takeControlsOf(const Bench& other);
    bool strike(std::size_t index, const StruckMark& mark);
    // A strike's or reinstatement's reason: given, and within its length (else false, after a message).
    bool acceptableReason(const std::string& reason, const char* action);
    // The numbers of the session's inputs the bench measures with now: the camera, target and
    // atmosphere files, each frozen into the session at the first reading after it was loaded.
    std::vector<std::size_t> inputsInUse();

    BenchState& state_;
    MessageSink& messages_;
    ConsoleWindow* window_;

    float temperatureOnGrid_ = 0.0f; // controlId::temperatureSlider
    LevelContrast levelContrast_;    // controlId::levelSlider, controlId::contrastSlider
    double electronicZoom_ = 1.0;    // controlId::electronicZoomSlider
    double opticalZoom_ = 1.0;       // controlId::opticalZoomSlider
    int frequencyIndex_ = 0;
    int cameraIndex_ = 0;
    int stepIndex_ = 0;
    bool viewValue_ = true;
    bool randomisePosition_ = false;
    bool automaticDisplay_ = true;
    int magnifier_ = 1;
    int renderBusy_ = 0;
    std::uint64_t sceneGeneration_ = 0; // counts the renders and mappings, which a camera switch must follow
    bool blind_ = false;
    std::string blindObserver_;                          // whom the session's last "blind on" names
    std::minstd_rand blindDraw_{std::random_device{}()}; // apart from the noise's generator
    std::string targetFile_;
    std::string targetPath_; // where the loader read targetFile_; empty before the first load
    // The frozen camera, target and atmosphere inputs in use (session input numbers), none until the
    // first reading after a load; a new session or a file loaded again freezes them anew.
    std::array<std::size_t, 3> inputsInUse_{};
    std::string distanceText_ = "1. m"; // the never-shown controlId::distanceEdit
    SessionRecorder recorder_;
    std::string observer_;
    MrtdResults results_; // resultsOf(recorder_.session(), observer_, orientation), kept for the window's repaints
    std::vector<BenchListener*> listeners_;
};

// A camera switch made away from the window's thread (Bench::cameraSwitch): a bench of its own on
// a copy of the bench's state, with its controls, a generator seeded from the bench's, and the
// messages its reading of the camera file gives.
struct CameraSwitch {
    int index = 0;
    BenchState state;
    MessageLog messages;
    std::unique_ptr<Bench> bench;
    std::uint64_t sceneGeneration = 0;

    // The camera read, activated and rendered as selectCamera does; any thread, one at a time.
    void prepare() { bench->selectCamera(index); }
};

// A temperature difference as the readout and assistive tools show it, signed, in kelvin, with the
// three decimals the trackbar's 0.004 K steps need to tell its positions apart: "+0.016 K".
std::string temperatureDifferenceText(float kelvin);

// The leading decimal number of an edit's text, as the console reads it; 0 when there is none.
double leadingNumber(const std::string& text);
