#include "sim/scene.h"

#include "sim/in_band_exitance.h"
#include "sim/physical_radiometry.h"
#include "sim/rasterizer.h"

#include <algorithm>
#include <cmath>

namespace {

// A signal seen through a path of transmission tau in air of signal air.
double throughAtmosphere(double signal, double air, double tau) {
    return signal * tau + air * (1.0 - tau);
}

// Turns the projected target by 90 degrees about the centre of its shown extent, with the edge
// lines and bounds following.
void turnScene(Target& target, SimState& sim) {
    const double cx = (static_cast<double>(sim.sceneMinX) + sim.sceneMaxX) * 0.5;
    const double cy = (static_cast<double>(sim.sceneMinY) + sim.sceneMaxY) * 0.5;
    sim.sceneMinX = sim.sceneMinY = 1e15f;
    sim.sceneMaxX = sim.sceneMaxY = -1e15f;
    for (TargetItem& item : target.items) {
        if (!item.hasShape())
            continue;
        item.screenBounds = {1e15f, -1e15f, 1e15f, -1e15f};
        for (int k = 0; k < item.vertexCount; ++k) {
            float& px = item.projected2D[static_cast<std::size_t>(2 * k)];
            float& py = item.projected2D[static_cast<std::size_t>(2 * k + 1)];
            const double x = px;
            const double y = py;
            px = static_cast<float>(cx - (y - cy));
            py = static_cast<float>(cy + (x - cx));
            item.screenBounds[0] = std::min(item.screenBounds[0], px);
            item.screenBounds[1] = std::max(item.screenBounds[1], px);
            item.screenBounds[2] = std::min(item.screenBounds[2], py);
            item.screenBounds[3] = std::max(item.screenBounds[3], py);
        }
        if (item.shown) {
            sim.sceneMinX = std::min(sim.sceneMinX, item.screenBounds[0]);
            sim.sceneMaxX = std::max(sim.sceneMaxX, item.screenBounds[1]);
            sim.sceneMinY = std::min(sim.sceneMinY, item.screenBounds[2]);
            sim.sceneMaxY = std::max(sim.sceneMaxY, item.screenBounds[3]);
        }
        if (item.kind == TargetItemKind::Ellipse)
            continue;
        const int n = item.vertexCount;
        for (int k = 0; k < n; ++k) {
            const int next = k + 1 < n ? k + 1 : 0;
            BuildEdgeLines(&item.projected2D[static_cast<std::size_t>(2 * k)],
                           &item.projected2D[static_cast<std::size_t>(2 * next)], item.projected2D, n,
                           &item.projected3D[static_cast<std::size_t>(3 * k)]);
        }
    }
}

} // namespace

double transmission(double coefficient, double path) {
    return std::exp(-coefficient * path * 0.001);
}

void BuildEdgeLines(const float* p, const float* q, const std::vector<float>& polygon, int count, float* line) {
    double a = static_cast<double>(q[1]) - p[1];
    double b = static_cast<double>(p[0]) - q[0];
    double c = static_cast<double>(q[0]) * p[1] - static_cast<double>(p[0]) * q[1];
    double length = std::sqrt(a * a + b * b);
    if (length < 1e-7)
        return;
    a /= length;
    b /= length;
    c /= length;
    bool keep = false;
    for (int k = 0; k < count; ++k) {
        double side =
            a * polygon[static_cast<std::size_t>(2 * k)] + b * polygon[static_cast<std::size_t>(2 * k + 1)] + c;
        if (side >= -0.0001 && side <= 0.0001)
            continue;
        keep = side > 0.0001;
        break;
    }
    if (!keep) {
        a = -a;
        b = -b;
        c = -c;
    }
    line[0] = static_cast<float>(a);
    line[1] = static_cast<float>(b);
    line[2] = static_cast<float>(c);
}

void ProjectItem(TargetItem& item, const Target& target, SimState& sim, const CameraSet& camera,
                 const PointList& response, const ConsoleValues& console, const SceneSignals& shared, float axisX,
                 double& farthest) {
    item.screenBounds = {1e15f, -1e15f, 1e15f, -1e15f};
    double nearestSquared = 1e15;
    if (farthest < item.distance)
        farthest = item.distance;
    if (!item.hasShape())
        return;
    const double s = console.barScale;
    for (int k = 0; k < item.vertexCount; ++k) {
        const float* v = &item.vertices[static_cast<std::size_t>(k * item.dimension)];
        double x = v[0] * s - axisX;
        double z = viewingDistance + item.distance;
        if (item.kind == TargetItemKind::Polygon3D)
            z += v[2] * s;
        double y = v[1] * s - target.targetHeight;
        // Two separate candidates, as the bench has always measured the nearest distance.
        nearestSquared = std::min({nearestSquared, x * x + z * z, y * y + z * z});
        float px = static_cast<float>(x / z);
        float py = static_cast<float>(y / z);
        item.projected2D[static_cast<std::size_t>(2 * k)] = px;
        item.projected2D[static_cast<std::size_t>(2 * k + 1)] = py;
        item.screenBounds[0] = std::min(item.screenBounds[0], px);
        item.screenBounds[1] = std::max(item.screenBounds[1], px);
        item.screenBounds[2] = std::min(item.screenBounds[2], py);
        item.screenBounds[3] = std::max(item.screenBounds[3], py);
    }
    if (item.shown) {
        sim.sceneMinX = std::min(sim.sceneMinX, item.screenBounds[0]);
        sim.sceneMaxX = std::max(sim.sceneMaxX, item.screenBounds[1]);
        sim.sceneMinY = std::min(sim.sceneMinY, item.screenBounds[2]);
        sim.sceneMaxY = std::max(sim.sceneMaxY, item.screenBounds[3]);
    }
    const double nearest = std::sqrt(nearestSquared);
    double signal;
    if (console.galleryOpen) {
        signal = modelSignal(sim.imageModel, response, item.temperature, sceneIntegrationStep);
    } else {
        double tau = transmission(camera.atmCoefficient, nearest);
        signal = throughAtmosphere(shared.bars, shared.air, tau);
    }
    signal = std::clamp(signal, sim.signalMin, sim.signalMax);
    item.renderTemperature = static_cast<float>(signal);
    if (item.kind == TargetItemKind::Ellipse)
        return;
    const int n = item.vertexCount;
    for (int k = 0; k < n; ++k) {
        int next = k + 1 < n ? k + 1 : 0;
        BuildEdgeLines(&item.projected2D[static_cast<std::size_t>(2 * k)],
                       &item.projected2D[static_cast<std::size_t>(2 * next)], item.projected2D, n,
                       &item.projected3D[static_cast<std::size_t>(3 * k)]);
    }
}

void UpdateScene(Target& target, SimState& sim, const CameraSet& camera, const PointList& response,
                 const ConsoleValues& console) {
    const float axisX = target.viewUnitsPerPixel + target.targetCenterX;
    double farthest = 0.0;
    sim.sceneMinX = sim.sceneMinY = 1e15f;
    sim.sceneMaxX = sim.sceneMaxY = -1e15f;
    // Every item shows the same temperature through its own path: integrate once per update.
    const SceneSignals shared{
        modelSignal(sim.imageModel, response,
                    static_cast<double>(camera.backgroundTemperature) + console.temperatureDifference,
                    sceneIntegrationStep),
        modelSignal(sim.imageModel, response, camera.atmTemperature, sceneIntegrationStep)};
    for (TargetItem& item : target.items)
        ProjectItem(item, target, sim, camera, response, console, shared, axisX, farthest);
    if (farthest >= 0.0) {
        double tau = transmission(camera.atmCoefficient, farthest + viewingDistance);
        sim.backgroundSignal = static_cast<float>(
            throughAtmosphere(modelSignal(sim.imageModel, response, camera.backgroundTemperature, sceneIntegrationStep),
                              shared.air, tau));
    }
    if (console.horizontalBars)
        turnScene(target, sim);
    double phaseX = 0.0, phaseY = 0.0;
    if (console.targetPhaseX != 0.0 || console.targetPhaseY != 0.0) {
        const RenderGeometry g = computeRenderGeometry(camera, sim, RenderMode::CameraView, false);
        phaseX = console.targetPhaseX * g.pitchX;
        phaseY = console.targetPhaseY * g.pitchY;
    }
    const float offsetX = static_cast<float>(console.targetOffsetX + phaseX);
    const float offsetY = static_cast<float>(console.targetOffsetY + phaseY);
    for (TargetItem& item : target.items) {
        if (!item.hasShape())
            continue;
        for (int k = 0; k < item.vertexCount; ++k) {
            item.projected2D[static_cast<std::size_t>(2 * k)] += offsetX;
            item.projected2D[static_cast<std::size_t>(2 * k + 1)] += offsetY;
        }
        item.screenBounds[0] += offsetX;
        item.screenBounds[1] += offsetX;
        item.screenBounds[2] += offsetY;
        item.screenBounds[3] += offsetY;
        // The edge lines move with the vertices, or the edge samples would test the unmoved shape.
        if (item.kind != TargetItemKind::Ellipse) {
            for (int k = 0; k < item.vertexCount; ++k) {
                float* line = &item.projected3D[static_cast<std::size_t>(3 * k)];
                line[2] -= line[0] * offsetX + line[1] * offsetY;
            }
        }
    }
}
