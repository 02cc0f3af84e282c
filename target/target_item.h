#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class TargetItemKind : std::int32_t { Layer = -1, Rectangle = 0, Polygon = 1, Polygon3D = 2, Ellipse = 3 };

// One record for layers (isObject false) and objects (isObject true). An object belongs to the
// nearest layer before it in the list.
struct TargetItem {
    bool isObject = false;
    bool shown = true;
    bool keptAside = false;
    float distance = 0.0f;
    float temperature = 0.0f;
    float renderTemperature = 0.0f; // the item's signal, set by the scene update
    std::vector<float> vertices;    // vertexCount x dimension floats, vertex-major
    std::vector<float> projected2D; // 2 floats per vertex
    std::array<float, 3> minCoord{0.0f, 0.0f, 0.0f};
    std::array<float, 3> maxCoord{0.0f, 0.0f, 0.0f};
    std::array<float, 4> screenBounds{}; // projected minX, maxX, minY, maxY
    TargetItemKind kind = TargetItemKind::Layer;
    int vertexCount = 0;
    int dimension = 0;
    std::array<int, 4> pixelBounds{}; // x0, y0, x1, y1
    std::vector<float> projected3D;   // one edge line a, b, c per polygon edge
    std::string name;

    bool hasShape() const { return kind != TargetItemKind::Layer; }
    // Drops the geometry: the item stays in the list but is not drawn.
    void clearGeometry() {
        kind = TargetItemKind::Layer;
        vertexCount = 0;
        dimension = 0;
        vertices.clear();
        projected2D.clear();
        projected3D.clear();
    }
};
