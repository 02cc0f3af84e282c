#pragma once

#include <cstdint>
#include <vector>

// Which image model renders the bench's pictures. Specified is the bench's long-standing model and
// stays the default; Physical samples the scene by exact pixel areas, blurs with the optics'
// Gaussian alone and draws fresh normal noise every frame.
enum class ImageModel { Specified, Physical };

// What the physical model keeps between renders and frames.
struct PhysicalModelState {
    double blurWidthX = 0.0; // the optics' Gaussian sigma in mrad, as the camera model set it
    double blurWidthY = 0.0;
    double noiseSigma = 0.0; // temporal noise in signal units at the current background
    // Working buffers of the render, kept so that a live image does not reallocate them.
    std::vector<int> cellSlot;   // per padded pixel: index of its sub-pixel cells, or -1
    std::vector<float> cells;    // the sub-pixel cells of the pixels that hold some
    std::vector<int> cellPixels; // the pixels that hold cells, in the order their cells were taken
    std::vector<float> blurred;  // the horizontal pass's output
};
