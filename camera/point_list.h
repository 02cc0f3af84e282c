#pragma once

#include <vector>

// A tabulated function held as points x0, y0, x1, y1, ...
struct PointList {
    std::vector<float> vertices;

    int vertexCount() const { return static_cast<int>(vertices.size() / 2); }
    bool empty() const { return vertices.empty(); }
    float x(int i) const { return vertices[static_cast<std::size_t>(2 * i)]; }
    float y(int i) const { return vertices[static_cast<std::size_t>(2 * i + 1)]; }
    bool operator==(const PointList&) const = default;
};
