#pragma once

#include "console/bench_state.h"
#include "sim/camera_model.h"
#include "sim/scene.h"

inline void refreshModel(BenchState& state) {
    CameraModelContext context = state.model();
    RefreshCameraModel(context);
}

// A plain camera for the simulation tests: 256 x 256 pixels over 10 degrees, a flat 8-12 µm
// response, -20 ... 50 °C, no blur, no noise, white hot.
inline BenchState plainBench() {
    BenchState state;
    CameraSet& c = state.camera.set;
    c.fovCurrentH = c.fovCurrentV = 10.0f;
    c.sensorWidth = c.sensorHeight = c.detectorColumns = c.detectorRows = 256;
    c.tempMin = c.levelMin = -20.0f;
    c.tempMax = c.levelMax = 50.0f;
    c.contrastMin = 0.2f;
    c.contrastMax = 20.0f;
    c.tm = 20.0f;
    c.netd = 0.05f;
    c.polarity = false;
    c.atmCoefficient = c.atmTemperature = 0.0f;
    c.matrixDetector = 1;
    state.camera.tables.spectralResponse0.vertices = {8.0f, 1.0f, 12.0f, 1.0f};
    refreshModel(state);
    return state;
}

// An item given directly in projected coordinates, with its edge lines.
inline TargetItem projectedRectangle(double x0, double x1, double y0, double y1, float signal) {
    TargetItem item;
    item.isObject = true;
    item.kind = TargetItemKind::Rectangle;
    item.dimension = 2;
    item.vertexCount = 4;
    item.vertices.assign(8, 0.0f);
    const auto fx0 = static_cast<float>(x0), fx1 = static_cast<float>(x1), fy0 = static_cast<float>(y0),
               fy1 = static_cast<float>(y1);
    item.projected2D = {fx0, fy0, fx0, fy1, fx1, fy1, fx1, fy0};
    item.projected3D.assign(12, 0.0f);
    for (std::size_t k = 0; k < 4; ++k)
        BuildEdgeLines(&item.projected2D[2 * k], &item.projected2D[2 * ((k + 1) % 4)], item.projected2D, 4,
                       &item.projected3D[3 * k]);
    item.screenBounds = {fx0, fx1, fy0, fy1};
    item.renderTemperature = signal;
    return item;
}
