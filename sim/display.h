#pragma once

#include "camera/camera_set.h"
#include "sim/random_generator.h"
#include "sim/sim_state.h"

#include <cstdint>
#include <vector>

// Level and contrast slider positions run over 0 ... sliderRange.
inline constexpr int sliderRange = 1000;
// The view frame buffer is this much larger than the image in each direction.
inline constexpr int viewFramePadding = 16;

struct LevelContrast {
    int level = 500;
    int contrast = 0;
};

// Sets the display window from the Level and Contrast positions.
void ApplyLevelContrast(const LevelContrast& sliders, const CameraSet& camera, SimState& sim);
// Sets both positions from the SensorImage's extremes (clamped to the sliders' range), then the window.
// Returns whether it succeeded, which it always does.
bool AutoLevelContrast(LevelContrast& sliders, const CameraSet& camera, SimState& sim);

// The 8-bit DisplayImage from SensorImage: the display window in the camera view, the full signal
// range in the loader preview; polarity (and a fitted preview) inverts.
void mapToDisplay(SimState& sim, const CameraSet& camera, bool cameraView, bool fittedPreview);

// One frame: DisplayImage's grey with fresh pixel, row and column noise and gain flicker. The
// buffer holds (imageWidth + 16) x (imageHeight + 16) bytes; the image is its first
// imageWidth x imageHeight bytes, row-major.
std::vector<std::uint8_t> BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random);
// The same into a buffer the caller keeps between frames.
void BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                    std::vector<std::uint8_t>& frame);

struct PixelZoom {
    double x = 1.0;
    double y = 1.0;
};
// The pixel zoom of a presented frame, before any jitter.
PixelZoom presentationZoom(const CameraSet& camera, const ViewScales& scales);
// Jitter enlarges the zoom by at most one pixel's worth, with the given probability per frame.
PixelZoom applyJitter(PixelZoom zoom, const CameraSet& camera, int imageWidth, int imageHeight,
                      RandomGenerator& random);
