#pragma once

#include "app/bench_state.h"
#include "sim/display.h"

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
};

// One spatial-frequency radio: its label, frequency in cycles per mrad and bar scale.
struct FrequencyChoice {
    const char* label;
    double frequency;
    float barScale;
};
inline constexpr std::array<FrequencyChoice, 6> frequencyChoices{{
    {"0.5", 0.5, 8.0f},
    {"1", 1.0, 4.0f},
    {"1.5", 1.5, 2.66666f}, // the bench's own value, not 8/3
    {"2", 2.0, 2.0f},
    {"3", 3.0, 4.0f / 3.0f},
    {"4", 4.0, 1.0f},
}};

// Temperature-difference trackbar: positions 0 ... 1000 around 500, 250 positions per kelvin.
inline constexpr int temperatureSliderCentre = 500;
inline constexpr int temperatureSliderMax = 1000;
inline constexpr double temperatureSliderPerKelvin = 250.0;

// The console's handlers as sequences of state changes and pipeline stages, runnable without windows.
class BenchConsole {
public:
    BenchConsole(BenchState& state, MessageSink& messages, ConsoleWindow* window = nullptr);

    BenchState& state() { return state_; }

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

    // The pipeline stages as the console runs them.
    void updateScene();
    void updateTargetExtent();
    void redrawView();
    bool autoLevelContrast();

    // Handlers.
    void activateCamera();
    void displayReset();
    void onTemperatureSlider(int position);
    void showTemperatureDifference();
    void selectFrequency(int index);
    void randomiseTargetPosition();
    void toggleRandomisePosition(std::uint32_t tickCount);
    void toggleViewValue() { viewValue = !viewValue; }
    void selectCamera(int index);
    void onDistanceEdit(const std::string& text);
    void onAtmosphereTemperatureEdit(const std::string& text);
    void onAtmosphereCoefficientEdit(const std::string& text);

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
