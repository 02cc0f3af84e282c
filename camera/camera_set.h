#pragma once

#include "camera/point_list.h"

#include <array>
#include <cstdint>
#include <string>

// Stored-only block of the camera file: 24 floats, then 5 integers.
struct CameraBlock {
    std::array<float, 24> floats{};
    std::array<std::int32_t, 5> ints{};
    bool operator==(const CameraBlock&) const = default;
};

// The simulated camera and the bench settings that travel with it. Temperatures in degrees Celsius,
// fields of view in degrees, blur widths in mrad. Colours hold 0x00BBGGRR.
struct CameraSet {
    float netd = 0.1f;
    float fovCurrentH = 40.0f;
    float fovCurrentV = 40.0f;
    float tempMax = 50.0f;
    float tempMin = 0.0f;
    float reserved1 = 25.0f, reserved2 = 25.0f;
    float reserved3 = 200.0f, reserved4 = 200.0f;
    float atmTemperature = 10.0f;
    float frameRate = 25.0f;
    float reserved5 = 40.0f, reserved6 = 40.0f;
    float atmCoefficient = 0.01f;
    float electronicZoom = 1.0f;
    float opticalZoom = 1.0f;
    std::array<float, 3> reserved7{};
    std::array<float, 9> reserved8{};
    float tm = 0.0f;
    float contrastMin = 0.0f, contrastMax = 0.0f;
    float levelMin = 0.0f, levelMax = 0.0f;
    float backgroundTemperature = 0.0f; // starts at tempMin
    float defectGlobal1 = 1.0f, defectLocal1 = 1.0f, defectGlobal2 = 1.0f, defectLocal2 = 1.0f;
    float deadPixels1 = 1.0f, deadPixels2 = 3.0f;
    float centralZone = 50.0f;
    std::array<float, 4> reserved9{};
    std::int32_t reserved10 = 8;
    std::int32_t sensorWidth = 256;
    std::int32_t sensorHeight = 256;
    std::int32_t backgroundColour = 0x504941;
    std::int32_t threeFields = 0;
    std::int32_t hBlurMode = 0;
    std::int32_t vBlurMode = 0;
    std::int32_t netdMode = 0;
    std::int32_t reserved11 = 0;
    std::int32_t fovIndex = 2;
    std::int32_t textColour = 0xFFFFFF;
    std::int32_t reserved12 = 0, reserved13 = 0;
    bool polarity = true;
    bool reserved14 = false;
    bool longWave = false;
    std::array<std::array<float, 2>, 3> fovTable{{{2.0f, 2.0f}, {10.0f, 10.0f}, {20.0f, 20.0f}}};
    std::int32_t altOptics = 0;
    std::int32_t keepElectronicZoom = 0;
    std::array<float, 5> reserved15{};
    std::int32_t matrixDetector = 0;
    std::int32_t doubleColumns = 0;
    std::int32_t detectorColumns = 0;
    std::int32_t detectorRows = 0;
    std::int32_t doubleBoth = 0;
    std::int32_t doubleRows = 0;
    std::int32_t scanLines = 0;
    float flickerAmplitude = 0.0f;
    float flickerProbability = 0.0f;
    float blurWidthWide = 0.0f, blurWidthAlt = 0.0f, blurWidthMedium = 0.0f, blurWidthNarrow = 0.0f;
    float reserved16 = 0.0f;
    std::int32_t reserved17 = 0;
    bool blurFlag = false;
    std::array<std::int32_t, 3> reserved18{};
    std::array<std::int32_t, 3> frameNoise{};
    std::int32_t spectralResponseIndex = 0;
    std::int32_t viewMargin = 0;
    float blurParam = 0.0f;
    float jitterAmplitude = 0.0f;
    float jitterProbability = 0.0f;
    std::int32_t reserved19 = 0;
    std::array<std::array<float, 4>, 2> blurDivisors{};
    std::int32_t blurDivisorSet = 0;
    std::int32_t reserved20 = 0;
    std::int32_t interlaceShift = 0;
    std::array<std::int32_t, 2> reserved21{};
    std::array<float, 4> reserved22{};
    std::int32_t reserved23 = 0;
    std::int32_t reserved24 = 0, reserved25 = 0;
    CameraBlock blockA, blockB, blurBlock;
    std::int32_t atmosphereIndex = 0;
    std::int32_t reserved26 = 0, reserved27 = 0;
    std::int32_t noiseOption = 0;

    bool operator==(const CameraSet&) const = default;
};

// The twelve tables a camera file stores, and the temperature-to-signal table rebuilt from them.
struct CameraTables {
    PointList mrtdWideH, spectralResponse0, mrtdWideV, mrtdNarrowH, mrtdNarrowV, spectralResponse1;
    PointList reservedTable1, reservedTable2, reservedTable3, reservedTable4;
    PointList mrtdMediumH, mrtdAltH;
    PointList signalTable;
    // 0: spectralResponse0 is the current spectral response, 1: spectralResponse1.
    int currentSpectralResponseIndex = 0;

    const PointList& currentSpectralResponse() const {
        return currentSpectralResponseIndex != 0 ? spectralResponse1 : spectralResponse0;
    }
    bool operator==(const CameraTables&) const = default;
};

// Everything a camera file fills: the record, its tables and the values kept beside them.
struct CameraState {
    CameraSet set;
    CameraTables tables;
    double hBlurWidth = 0.0;
    double vBlurWidth = 0.0;
    std::string cameraTargetName;
    std::int32_t reservedOuterInt = 0;
    float reservedOuterFloat = 0.0f;

    bool operator==(const CameraState&) const = default;
};

// The state before any file is read: the record's defaults and the five default three-point tables.
CameraState defaultCameraState();
