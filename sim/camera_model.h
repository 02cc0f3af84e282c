#pragma once

#include "atmosphere/atmosphere_table.h"
#include "camera/camera_set.h"
#include "sim/random_generator.h"
#include "sim/sim_state.h"

enum class BlurDirection { Horizontal, Vertical };

// Half-width of a blur kernel in pixels at most; wider blurs are cut there.
inline constexpr int maxKernelHalfWidth = 256;
// Widths the Gaussian fit searches lie below this, in mrad.
inline constexpr double maxFittedBlurWidth = 4.0;

// Everything the camera model reads and rebuilds, gathered for one call.
struct CameraModelContext {
    CameraState& camera;
    SimState& sim;
    const AtmosphereTable& atmosphere;
    RandomGenerator& random;
};

// Spectral response, both blur models, noise table, signal ranges, display window and signalTable.
void RefreshCameraModel(CameraModelContext& context);
// The camera part of the console's activation: detector format, the settings blur mode 2 implies,
// then the refresh.
void activateCameraModel(CameraModelContext& context);
// The kernels as the application builds them at construction: a non-zero mode takes the stored width.
void buildStartupKernels(CameraModelContext& context);

void horizontalBlurModel(CameraModelContext& context);
void verticalBlurModel(CameraModelContext& context);

float CombineBlur(float a, float b);
double FitBlurWidth(const std::vector<double>& frequencies, const std::vector<double>& values, double step);
double GaussianIntegral(double x0, double x1, double step, double width);
// Builds kernelX or kernelY for a Gaussian of the given width in mrad; width 0 releases it.
void BuildKernel(double width, BlurDirection direction, const CameraSet& camera, SimState& sim);
