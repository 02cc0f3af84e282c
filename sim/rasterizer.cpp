#include "sim/rasterizer.h"

#include "camera/detector_format.h"
#include "sim/truncate.h"
#include "sim/truncated_pi.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

bool insideEllipse(const TargetItem& item, double x, double y) {
    const auto& b = item.screenBounds;
    double cx = (static_cast<double>(b[0]) + b[1]) * 0.5;
    double cy = (static_cast<double>(b[2]) + b[3]) * 0.5;
    double w = static_cast<double>(b[1]) - b[0];
    double h = static_cast<double>(b[3]) - b[2];
    double dx = x - cx;
    double dy = y - cy;
    double r;
    if (w <= h) {
        r = h / 2.0;
        dx *= h / w;
    } else {
        r = w / 2.0;
        dy *= w / h;
    }
    return dx * dx + dy * dy <= r * r;
}

bool insideByEvenOdd(const TargetItem& item, double x, double y) {
    const int n = item.vertexCount;
    const float* p = item.projected2D.data();
    bool inside = false;
    for (int k = 0; k < n; ++k) {
        int k1 = k + 1 < n ? k + 1 : 0;
        double xk = p[2 * k], yk = p[2 * k + 1];
        double xk1 = p[2 * k1], yk1 = p[2 * k1 + 1];
        if ((yk <= y && yk1 <= y) || (yk > y && yk1 > y) || (xk <= x && xk1 <= x))
            continue;
        if (yk1 == yk)
            continue;
        double t = (y - yk) / (yk1 - yk);
        if (t >= 0.0 && t <= 1.0 && xk + (xk1 - xk) * t > x)
            inside = !inside;
    }
    return inside;
}

bool insideByEdgeLines(const TargetItem& item, double x, double y) {
    const float* line = item.projected3D.data();
    for (int k = 0; k < item.vertexCount; ++k, line += 3)
        if (line[0] * x + line[1] * y + line[2] < 0.0)
            return false;
    return true;
}

// Pixels one flat-block test covers.
constexpr int flatBlock = 8;

// Whether none of the flatBlock pixels at row[0 ...] differs from any of its eight neighbours or is a
// sub-pixel marker (the rows above and below given at the same column; one column either side must
// exist in all three rows).
__attribute__((target_clones("avx2", "default"))) bool isFlatBlock(const float* row, const float* up,
                                                                   const float* down) {
    int differs = 0;
    for (int t = 0; t < flatBlock; ++t) {
        const float v = row[t];
        differs |= (v == subPixelMarker) | (row[t - 1] != v) | (row[t + 1] != v) | (up[t - 1] != v) | (up[t] != v) |
                   (up[t + 1] != v) | (down[t - 1] != v) | (down[t] != v) | (down[t + 1] != v);
    }
    return differs == 0;
}

bool painted(const TargetItem& item) {
    return item.shown && item.pixelBounds[1] != item.pixelBounds[3];
}

} // namespace

RenderGeometry computeRenderGeometry(const CameraSet& camera, const SimState& sim, RenderMode mode, bool fit) {
    RenderGeometry g;
    const bool preview = mode != RenderMode::CameraView;
    const bool fitted = preview && fit;
    g.zoom = fitted ? 1.0 : camera.electronicZoom;
    g.detectorWidth = preview ? sim.previewWidth : camera.sensorWidth;
    g.detectorHeight = preview ? sim.previewHeight : camera.sensorHeight;
    if (fitted) {
        g.halfX = std::max(static_cast<double>(sim.sceneMaxX) - sim.sceneMinX,
                           static_cast<double>(sim.sceneMaxY) - sim.sceneMinY) /
                  1.5;
        g.halfY = g.halfX;
        g.centreX = (static_cast<double>(sim.sceneMinX) + sim.sceneMaxX) / 2.0;
        g.centreY = (static_cast<double>(sim.sceneMinY) + sim.sceneMaxY) / 2.0;
    } else {
        g.halfX = std::tan(camera.fovCurrentH * truncatedPi / 360.0) / camera.opticalZoom / g.zoom;
        g.halfY = std::tan(camera.fovCurrentV * truncatedPi / 360.0) / camera.opticalZoom / g.zoom;
        g.hx = sim.kernelXHalfWidth;
        g.hy = sim.kernelYHalfWidth;
    }
    // At least one pixel, whatever the zoom, so that the pitch stays finite.
    g.nominalWidth = std::max(1, zoomedPixels(g.detectorWidth, g.zoom));
    g.nominalHeight = std::max(1, zoomedPixels(g.detectorHeight, g.zoom));
    g.pitchX = 2.0 * g.halfX / g.nominalWidth;
    g.pitchY = 2.0 * g.halfY / g.nominalHeight;
    g.marginX = g.hx * g.pitchX;
    g.marginY = g.hy * g.pitchY;
    g.roundedWidth = roundUpPast4(g.nominalWidth);
    g.roundedHeight = roundUpPast4(g.nominalHeight);
    g.width = g.roundedWidth + 2 * g.hx;
    g.height = g.roundedHeight + 2 * g.hy;
    return g;
}

void ItemPixelBounds(TargetItem& item, std::vector<float>& image, const RenderGeometry& g) {
    const auto& b = item.screenBounds;
    double w = static_cast<double>(b[1]) - b[0];
    double h = static_cast<double>(b[3]) - b[2];
    bool touches = b[0] - g.centreX <= g.halfX + g.marginX && b[2] - g.centreY <= g.halfY + g.marginY &&
                   b[1] - g.centreX >= -g.halfX - g.marginX && b[3] - g.centreY >= -g.halfY - g.marginY;
    auto& p = item.pixelBounds;
    if (!touches) {
        p[1] = p[3] = 0;
        return;
    }
    p[0] = truncToInt((b[0] + g.marginX + g.halfX - g.centreX) / g.pitchX - 0.99);
    p[2] = truncToInt(static_cast<double>(p[0]) + truncToInt(w / g.pitchX + 1.99));
    p[0] = std::max(p[0], 0);
    p[2] = std::min(p[2], g.width);
    p[1] = truncToInt((b[2] + g.marginY + g.halfY - g.centreY) / g.pitchY - 0.99);
    p[3] = truncToInt(static_cast<double>(p[1]) + truncToInt(h / g.pitchY + 1.99));
    p[1] = std::max(p[1], 0);
    p[3] = std::min(p[3], g.height);
    if (w < g.pitchX || h < g.pitchY) {
        for (int j = p[1]; j < p[3]; ++j)
            for (int i = p[0]; i < p[2]; ++i)
                image[static_cast<std::size_t>(j) * g.width + i] = subPixelMarker;
    }
}

void FillItem(const TargetItem& item, std::vector<float>& image, const RenderGeometry& g) {
    if (!painted(item))
        return;
    const auto& p = item.pixelBounds;
    const double left = -g.halfX - g.marginX + g.centreX;
    const double bottom = -g.halfY - g.marginY + g.centreY;
    for (int j = p[1]; j < p[3]; ++j) {
        double y = bottom + (j + 0.5) * g.pitchY;
        float* row = &image[static_cast<std::size_t>(j) * g.width];
        for (int i = p[0]; i < p[2]; ++i) {
            double x = left + (i + 0.5) * g.pitchX;
            bool inside =
                item.kind == TargetItemKind::Ellipse ? insideEllipse(item, x, y) : insideByEvenOdd(item, x, y);
            if (inside)
                row[i] = item.renderTemperature;
        }
    }
}

bool SampleItem(const TargetItem& item, double x, double y, int i, int j) {
    const auto& p = item.pixelBounds;
    if (!painted(item) || i < p[0] || i > p[2] || j < p[1] || j > p[3])
        return false;
    return item.kind == TargetItemKind::Ellipse ? insideEllipse(item, x, y) : insideByEdgeLines(item, x, y);
}

void rasterizeScene(Target& target, SimState& sim, const RenderGeometry& g) {
    const std::size_t pixels = static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height);
    sim.sceneImage.assign(pixels, sim.backgroundSignal);
    std::vector<float>& image = sim.sceneImage;
    for (int index : target.distanceOrder) {
        TargetItem& item = target.items[static_cast<std::size_t>(index)];
        if (!item.shown)
            continue;
        ItemPixelBounds(item, image, g);
        FillItem(item, image, g);
    }

    // Edge pass, in place and in row-major order, as the bench has always resolved edges. Only a
    // pixel inside some painted item's sampling rectangle can change (anywhere else no sample hits
    // and no marker lies), so the pass visits those rectangles' columns row by row and nothing else;
    // the pixels it skips would have stayed as they are.
    struct Reach {
        int x0, x1, y0, y1; // inclusive, inside the image
        const TargetItem* item;
    };
    std::vector<Reach> reaches;
    for (int index : target.distanceOrder) {
        const TargetItem& item = target.items[static_cast<std::size_t>(index)];
        if (!painted(item))
            continue;
        const auto& p = item.pixelBounds;
        Reach r{std::max(p[0], 0), std::min(p[2], g.width - 1), std::max(p[1], 0), std::min(p[3], g.height - 1), &item};
        if (r.x0 <= r.x1 && r.y0 <= r.y1)
            reaches.push_back(r);
    }
    constexpr int n = edgeSamples;
    const double left = -g.halfX - g.marginX + g.centreX;
    const double bottom = -g.halfY - g.marginY + g.centreY;
    std::array<float, n * n> samples{};
    std::vector<std::pair<int, int>> spans;
    for (int j = 0; j < g.height; ++j) {
        spans.clear();
        for (const Reach& r : reaches)
            if (r.y0 <= j && j <= r.y1)
                spans.emplace_back(r.x0, r.x1);
        if (spans.empty())
            continue;
        std::sort(spans.begin(), spans.end());
        const int up = std::min(j + 1, g.height - 1);
        const int down = std::max(j - 1, 0);
        int next = 0; // first column not yet visited in this row
        for (const auto& [from, to] : spans) {
            const float* row = &image[static_cast<std::size_t>(j) * g.width];
            const float* upRow = &image[static_cast<std::size_t>(up) * g.width];
            const float* downRow = &image[static_cast<std::size_t>(down) * g.width];
            for (int i = std::max(from, next); i <= to; ++i) {
                // Most pixels lie inside an item or outside all: eight at a time are checked for a
                // neighbour that differs; a block without one is left exactly as the pixel-by-pixel
                // test would leave it, since nothing in it changes.
                while (i >= 1 && i + flatBlock <= to + 1 && i + flatBlock < g.width &&
                       isFlatBlock(row + i, upRow + i, downRow + i))
                    i += flatBlock;
                if (i > to)
                    break;
                const int right = std::min(i + 1, g.width - 1);
                const int leftI = std::max(i - 1, 0);
                float& pixel = image[static_cast<std::size_t>(j) * g.width + i];
                float v = pixel;
                auto at = [&](int jj, int ii) { return image[static_cast<std::size_t>(jj) * g.width + ii]; };
                // A marker pixel is always resolved, even where only markers surround it.
                bool edge = v == subPixelMarker || at(j, leftI) != v || at(j, right) != v || at(up, i) != v ||
                            at(down, i) != v || at(up, leftI) != v || at(up, right) != v || at(down, leftI) != v ||
                            at(down, right) != v;
                if (!edge)
                    continue;
                if (v == subPixelMarker) {
                    v = sim.backgroundSignal;
                    pixel = v;
                }
                samples.fill(v);
                bool hit = false;
                const double x0 = left + i * g.pitchX;
                const double y0 = bottom + j * g.pitchY;
                // The painted items, farthest first, whose rectangle holds the pixel: the only ones
                // SampleItem lets through.
                for (const Reach& r : reaches) {
                    if (i < r.x0 || i > r.x1 || j < r.y0 || j > r.y1)
                        continue;
                    const TargetItem& item = *r.item;
                    const bool ellipse = item.kind == TargetItemKind::Ellipse;
                    for (int b = 0; b < n; ++b) {
                        double y = y0 + b * g.pitchY / (n - 1);
                        for (int a = 0; a < n; ++a) {
                            double x = x0 + a * g.pitchX / (n - 1);
                            if (ellipse ? insideEllipse(item, x, y) : insideByEdgeLines(item, x, y)) {
                                samples[static_cast<std::size_t>(b * n + a)] = item.renderTemperature;
                                hit = true;
                            }
                        }
                    }
                }
                if (hit) {
                    float sum = 0.0f;
                    for (float s : samples)
                        sum += s;
                    pixel = sum * (1.0f / (n * n));
                }
            }
            next = std::max(next, to + 1);
        }
    }
}
