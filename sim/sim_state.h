#pragma once

#include "sim/image_model.h"

#include <cstdint>
#include <vector>

// Integer and fine scales of the presented frame, set by the console's display reset.
struct ViewScales {
    int base = 1;
    int columnScale = 1;
    int rowScale = 1;
    float columnFine = 1.0f;
    float rowFine = 1.0f;
    double overall = 1.0;
};

// The images, kernels, noise table, scene extents, signal ranges and display window of the bench.
struct SimState {
    static constexpr double noValue = -999999.0;

    std::vector<float> sceneImage;          // SceneImage, then in place SensorImage; row 0 is the lowest
    std::vector<std::uint8_t> displayImage; // 3 bytes per pixel, the same grey in each
    std::vector<float> scratchImage;        // the blur's other buffer, kept between renders
    int imageWidth = 0;
    int imageHeight = 0;

    std::vector<float> noiseTable;
    std::vector<float> kernelX;
    int kernelXHalfWidth = 0;
    std::vector<float> kernelY;
    int kernelYHalfWidth = 0;

    float backgroundSignal = 0.0f;
    float sceneMinX = 0.0f, sceneMaxX = 0.0f, sceneMinY = 0.0f, sceneMaxY = 0.0f;

    double signalMin = 0.0, signalMax = 0.0;
    double contrastSignalMin = 0.0, contrastSignalMax = 0.0;
    double levelSignalMin = 0.0, levelSignalMax = 0.0;
    double windowLow = 0.0, windowHigh = 0.0;
    double lastNoiseSigma = noValue;

    // Detector format of the target loader's preview: its control's client size once it has run.
    int previewWidth = 270;
    int previewHeight = 270;

    ViewScales scales;

    // The image model in use, and the physical model's own state.
    ImageModel imageModel = defaultImageModel;
    PhysicalModelState physical;

    // The images go at the end of a run; the noise table with them.
    void releaseImages() {
        noiseTable = {};
        displayImage = {};
        sceneImage = {};
        scratchImage = {};
    }
};
