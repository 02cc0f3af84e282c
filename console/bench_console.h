#pragma once

#include "console/bench_state.h"
#include "console/mrtd_results.h"
#include "console/target_loader.h"
#include "sim/display.h"
#include "sim/spatial_frequencies.h"

#include <array>
#include <cstdint>
#include <string>

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
    // A results row changed; the plot repaints when asked.
    virtual void resultsChanged(int /*camera*/, bool /*repaintPlot*/) {}
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

// Temperature-difference trackbar: positions 0 ... 1000 around 500, 250 positions per kelvin.
inline constexpr int temperatureSliderCentre = 500;
inline constexpr int temperatureSliderMax = 1000;
inline constexpr double temperatureSliderPerKelvin = 250.0;

// The console's handlers as sequences of state changes and pipeline stages, runnable without windows.
// The controls' values change only through the handlers; the window and the tools read them back.
class BenchConsole : public TargetLoaderHost {
public:
    BenchConsole(BenchState& state, MessageSink& messages, ConsoleWindow* window = nullptr);

    BenchState& state() override { return state_; }
    MessageSink& messages() override { return messages_; }

    // Controls' values.
    int temperatureSlider() const { return temperatureSlider_; } // 1002
    const LevelContrast& levelContrast() const { return levelContrast_; }
    int electronicZoomSlider() const { return electronicZoomSlider_; }
    int opticalZoomSlider() const { return opticalZoomSlider_; }
    int frequencyIndex() const { return frequencyIndex_; }
    int cameraIndex() const { return cameraIndex_; }
    int stepIndex() const override { return stepIndex_; }
    bool viewValue() const { return viewValue_; }
    bool randomisePosition() const { return randomisePosition_; }
    // A render is under way: the window shows no frame meanwhile.
    bool rendering() const { return renderBusy_ != 0; }
    const std::string& targetFile() const { return targetFile_; }
    const std::string& distanceText() const { return distanceText_; }
    const MrtdResults& results() const { return results_; }

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
    void autoLevelContrast();

    // Handlers.
    // The console's initialisation: ready for the handlers, no render pending; with a view, the
    // temperature difference at the trackbar's centre and the view's scales set for the camera.
    void start(bool withView);
    // The zoom trackbars take the camera's zoom, as when the console opens on a loaded camera; every
    // activation does the same.
    void takeCameraZoom();
    void activateCamera();
    void displayReset();
    void onTemperatureSlider(int position);
    void showTemperatureDifference();
    void selectFrequency(int index);
    // Vertical bars (false) or the target turned to horizontal bars (true); re-renders and resets
    // the temperature difference as a frequency choice does.
    void selectOrientation(bool horizontalBars);
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
    void selectCamera(int index);
    void onDistanceEdit(const std::string& text);
    void onAtmosphereTemperatureEdit(const std::string& text);
    void onAtmosphereCoefficientEdit(const std::string& text);
    // Writing the distance edit runs its handler, as a changed edit does.
    void setDistanceText(const std::string& text) override;
    // The target loader puts the trackbar to a position without running the trackbar's handler.
    void placeTemperatureSlider(int position) override;
    // "Apply" and "Not recognized" for the current camera slot and frequency.
    void applyResult();
    void markNotRecognized();
    // Opening or recovering a session: its latest readings become the lists' rows.
    void restoreResults(MrtdResults results);
    // Load/Edit: the target loader picks and reads the standard target from the directory, then the
    // console adopts it and shows it with the camera activated.
    void loadEdit(const std::string& directory, TargetPreview* preview);
    // Close: the field of view chosen becomes the camera's.
    void close(int fovChoice);
    // Destroy: the target and the kernels go.
    void destroy();

    // The camera file of a camera slot, "camera1.par" ... "camera5.par".
    static std::string cameraFileOf(int index);
    // The slider position of a temperature difference, on the trackbar's grid.
    static int sliderPositionOf(double kelvin);
    // The temperature difference a trackbar position shows, in kelvin.
    static float temperatureDifferenceOf(int position);
    // The zoom trackbars' positions are hundredths of the zoom.
    static int zoomSliderPositionOf(float zoom);
    static float zoomOfSliderPosition(int position);

private:
    BenchState& state_;
    MessageSink& messages_;
    ConsoleWindow* window_;

    int temperatureSlider_ = temperatureSliderCentre;
    LevelContrast levelContrast_;    // 1086, 1087
    int electronicZoomSlider_ = 100; // 1089
    int opticalZoomSlider_ = 100;    // 1090
    int frequencyIndex_ = 0;
    int cameraIndex_ = 0;
    int stepIndex_ = 0;
    bool viewValue_ = true;
    bool randomisePosition_ = false;
    int renderBusy_ = 0;
    std::string targetFile_;
    std::string distanceText_ = "1. m"; // the never-shown distance edit 1003
    MrtdResults results_;
};

// A temperature difference as assistive tools read it, signed, in kelvin: "+0.50 K".
std::string temperatureDifferenceText(float kelvin);

// The leading decimal number of an edit's text, as the console reads it; 0 when there is none.
double leadingNumber(const std::string& text);
