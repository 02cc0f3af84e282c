#pragma once

#include "console/bench_state.h"
#include "console/mrtd_results.h"
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
    // Writes the temperature difference under the image.
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

class TargetPreview;

// Temperature-difference trackbar: positions 0 ... 1000 around 500, 250 positions per kelvin.
inline constexpr int temperatureSliderCentre = 500;
inline constexpr int temperatureSliderMax = 1000;
inline constexpr double temperatureSliderPerKelvin = 250.0;

// The console's handlers as sequences of state changes and pipeline stages, runnable without windows.
class BenchConsole {
public:
    BenchConsole(BenchState& state, MessageSink& messages, ConsoleWindow* window = nullptr);

    BenchState& state() { return state_; }
    MessageSink& messages() { return messages_; }

    // Controls' values.
    int temperatureSlider = temperatureSliderCentre; // 1002
    LevelContrast levelContrast;                     // 1086, 1087
    int electronicZoomSlider = 100;                  // 1089
    int opticalZoomSlider = 100;                     // 1090
    int frequencyIndex = 0;
    int cameraIndex = 0;
    int stepIndex = 0;
    bool viewValue = true;
    bool randomisePosition = false;
    int renderBusy = 0;
    std::string targetFile;
    std::string distanceText = "1. m"; // the never-shown distance edit 1003
    MrtdResults results;

    // The pipeline stages as the console runs them.
    void updateScene();
    void updateTargetExtent();
    void redrawView();
    // The 8-bit mapping again over the unchanged SensorImage, after a change of the display window
    // only, and the frame shown: the picture a full redraw would give, without rendering.
    void remapView();
    bool autoLevelContrast();

    // Handlers.
    // The zoom trackbars take the camera's zoom, as when the console opens on a loaded camera.
    void takeCameraZoom();
    void activateCamera();
    void displayReset();
    void onTemperatureSlider(int position);
    void showTemperatureDifference();
    void selectFrequency(int index);
    void randomiseTargetPosition();
    void toggleRandomisePosition(std::uint32_t tickCount);
    void toggleViewValue() { viewValue = !viewValue; }
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
    void setDistanceText(const std::string& text);
    // "Apply" and "Not recognized" for the current camera slot and frequency.
    void applyResult();
    void markNotRecognized();
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

private:
    BenchState& state_;
    MessageSink& messages_;
    ConsoleWindow* window_;
};

// The leading decimal number of an edit's text, as the console reads it; 0 when there is none.
double leadingNumber(const std::string& text);
