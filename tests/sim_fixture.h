#pragma once

#include "console/bench_state.h"
#include "sim/camera_model.h"
#include "sim/scene.h"

#include <algorithm>
#include <vector>

inline void refreshModel(BenchState& state) {
    CameraModelContext context = state.model();
    RefreshCameraModel(context);
}

// A plain camera for the simulation tests: 256 x 256 pixels over 10 degrees, a flat 8-12 µm
// response, -20 ... 50 °C, no blur, no noise, white hot, in the specified image model.
inline BenchState plainBench() {
    BenchState state;
    state.sim.imageModel = ImageModel::Specified;
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

// An item given directly in projected coordinates (x, y pairs), with its edge lines.
inline TargetItem projectedPolygon(const std::vector<double>& xy, float signal,
                                   TargetItemKind kind = TargetItemKind::Polygon) {
    TargetItem item;
    item.isObject = true;
    item.kind = kind;
    item.dimension = 2;
    item.vertexCount = static_cast<int>(xy.size() / 2);
    item.vertices.assign(xy.size(), 0.0f);
    item.projected2D.assign(xy.begin(), xy.end());
    item.projected3D.assign(xy.size() / 2 * 3, 0.0f);
    item.screenBounds = {1e30f, -1e30f, 1e30f, -1e30f};
    for (std::size_t k = 0; k < xy.size(); ++k) {
        float &low = item.screenBounds[2 * (k % 2)], &high = item.screenBounds[2 * (k % 2) + 1];
        low = std::min(low, item.projected2D[k]), high = std::max(high, item.projected2D[k]);
    }
    for (std::size_t k = 0, n = xy.size() / 2; k < n; ++k)
        BuildEdgeLines(&item.projected2D[2 * k], &item.projected2D[2 * ((k + 1) % n)], item.projected2D,
                       item.vertexCount, &item.projected3D[3 * k]);
    item.renderTemperature = signal;
    return item;
}

inline TargetItem projectedRectangle(double x0, double x1, double y0, double y1, float signal) {
    TargetItem item = projectedPolygon({x0, y0, x0, y1, x1, y1, x1, y0}, signal);
    item.kind = TargetItemKind::Rectangle;
    return item;
}
