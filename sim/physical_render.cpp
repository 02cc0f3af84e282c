#include "sim/physical_render.h"

#include "sim/convolve_row.h"

#include "sim/display.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr int S = physicalCells;
constexpr double sqrtHalf = 0.70710678118654752440;
constexpr double invSqrtTwoPi = 0.39894228040143267794;

// One polygon edge with a horizontal extent, in pixel coordinates.
struct Edge {
    double x0, y0, x1, y1;
};

// An edge clipped to a vertical slab: from u0 (height v0) to u1 (height v1), u0 < u1, and the
// sign of its direction.
struct SlabPiece {
    double u0, v0, u1, v1;
    double direction;
};

bool clipToSlab(const Edge& e, double xa, double xb, SlabPiece& piece) {
    const double lo = std::min(e.x0, e.x1), hi = std::max(e.x0, e.x1);
    const double u0 = std::max(lo, xa), u1 = std::min(hi, xb);
    if (!(u1 > u0))
        return false;
    const double slope = (e.y1 - e.y0) / (e.x1 - e.x0);
    piece = {u0, e.y0 + (u0 - e.x0) * slope, u1, e.y0 + (u1 - e.x0) * slope, e.x1 > e.x0 ? 1.0 : -1.0};
    return true;
}

// ∫ (clamp(v, ya, yb) - ya) du along a piece: the part of the band [ya, yb] below the edge.
double bandIntegral(const SlabPiece& p, double ya, double yb) {
    const double length = p.u1 - p.u0;
    auto c = [&](double v) { return std::clamp(v, ya, yb) - ya; };
    if (p.v0 == p.v1)
        return p.direction * length * c(p.v0);
    std::array<double, 4> t{0.0, (ya - p.v0) / (p.v1 - p.v0), (yb - p.v0) / (p.v1 - p.v0), 1.0};
    t[1] = std::clamp(t[1], 0.0, 1.0);
    t[2] = std::clamp(t[2], 0.0, 1.0);
    if (t[1] > t[2])
        std::swap(t[1], t[2]);
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double dt = t[static_cast<std::size_t>(k + 1)] - t[static_cast<std::size_t>(k)];
        if (dt > 0.0)
            sum += dt *
                   (c(p.v0 + t[static_cast<std::size_t>(k)] * (p.v1 - p.v0)) +
                    c(p.v0 + t[static_cast<std::size_t>(k + 1)] * (p.v1 - p.v0))) /
                   2.0;
    }
    return p.direction * length * sum;
}

// The item as a polygon in padded-pixel coordinates; an ellipse as a polygon of equal area whose
// outline stays within a ten-thousandth of a pixel's area of the true one over any pixel.
std::vector<double> pixelPolygon(const TargetItem& item, const RenderGeometry& g) {
    const double left = -g.halfX - g.marginX + g.centreX;
    const double bottom = -g.halfY - g.marginY + g.centreY;
    std::vector<double> p;
    if (item.kind == TargetItemKind::Ellipse) {
        const auto& b = item.screenBounds;
        const double cx = ((static_cast<double>(b[0]) + b[1]) / 2.0 - left) / g.pitchX;
        const double cy = ((static_cast<double>(b[2]) + b[3]) / 2.0 - bottom) / g.pitchY;
        const double rx = (static_cast<double>(b[1]) - b[0]) / 2.0 / g.pitchX;
        const double ry = (static_cast<double>(b[3]) - b[2]) / 2.0 / g.pitchY;
        // A chord of the n-gon departs from the arc by r(1 - cos(π/n)) ≈ rπ²/(2n²); over at most
        // two pixels of outline that must stay below 1e-4 of a pixel.
        const double r = std::max({rx, ry, 1e-9});
        const int n = std::clamp(static_cast<int>(std::ceil(M_PI * std::sqrt(r * 1e4))), 16, 1 << 16);
        const double step = 2.0 * M_PI / n;
        const double scale = std::sqrt(step / std::sin(step)); // equal area
        p.reserve(static_cast<std::size_t>(2 * n));
        for (int k = 0; k < n; ++k) {
            p.push_back(cx + rx * scale * std::cos(k * step));
            p.push_back(cy + ry * scale * std::sin(k * step));
        }
        return p;
    }
    p.reserve(static_cast<std::size_t>(2 * item.vertexCount));
    for (int k = 0; k < item.vertexCount; ++k) {
        p.push_back((item.projected2D[static_cast<std::size_t>(2 * k)] - left) / g.pitchX);
        p.push_back((item.projected2D[static_cast<std::size_t>(2 * k + 1)] - bottom) / g.pitchY);
    }
    return p;
}

// Φ(z) and φ(z) of the standard normal.
double normalCdf(double z) {
    return 0.5 * std::erfc(-z * sqrtHalf);
}
double normalPdf(double z) {
    return invSqrtTwoPi * std::exp(-0.5 * z * z);
}

// ∫_{-∞}^{y} Φ(t/σ) dt.
double edgeIntegral(double y, double sigma) {
    if (sigma <= 0.0)
        return std::max(y, 0.0);
    const double z = y / sigma;
    return sigma * (z * normalCdf(z) + normalPdf(z));
}

// Tap weights of one direction: taps[d + h] for whole pixels, cells[(d + h) * S + a] for cell a.
struct Weights {
    int h = 0;
    std::vector<float> taps;
    std::vector<double> cells;
};

Weights buildWeights(int h, double sigma) {
    Weights w;
    w.h = h;
    const double total = pixelResponseIntegral(h + 0.5, sigma) - pixelResponseIntegral(-h - 0.5, sigma);
    w.taps.resize(static_cast<std::size_t>(2 * h + 1));
    w.cells.resize(static_cast<std::size_t>((2 * h + 1) * S));
    for (int d = -h; d <= h; ++d) {
        double sum = 0.0;
        for (int a = 0; a < S; ++a) {
            const double v = (pixelResponseIntegral(d + 0.5 - static_cast<double>(a) / S, sigma) -
                              pixelResponseIntegral(d + 0.5 - static_cast<double>(a + 1) / S, sigma)) /
                             total;
            w.cells[static_cast<std::size_t>((d + h) * S + a)] = v;
            sum += v;
        }
        w.taps[static_cast<std::size_t>(d + h)] = static_cast<float>(sum);
    }
    return w;
}

int reachOf(double sigma) {
    if (!(sigma > 0.0))
        return 0;
    return static_cast<int>(
        std::min(std::ceil(physicalKernelReach * sigma + 0.5), static_cast<double>(maxPhysicalMargin)));
}

} // namespace

double pixelResponseIntegral(double x, double sigma) {
    return edgeIntegral(x + 0.5, sigma) - edgeIntegral(x - 0.5, sigma);
}

PhysicalGeometry computePhysicalGeometry(const CameraSet& camera, const SimState& sim, RenderMode mode, bool fit) {
    PhysicalGeometry pg;
    RenderGeometry& g = pg.g;
    g = computeRenderGeometry(camera, sim, mode, fit);
    const bool fitted = mode != RenderMode::CameraView && fit;
    if (!fitted) {
        // Projected units are tangents, which at these angles are radians to far better than 1e-5.
        pg.sigmaX = g.pitchX > 0.0 ? sim.physical.blurWidthX * 1e-3 / g.pitchX : 0.0;
        pg.sigmaY = g.pitchY > 0.0 ? sim.physical.blurWidthY * 1e-3 / g.pitchY : 0.0;
    }
    // A width beyond what the margin can carry is cut to it, as the specified kernels are cut.
    const double widest = (maxPhysicalMargin - 0.5) / physicalKernelReach;
    for (double* sigma : {&pg.sigmaX, &pg.sigmaY})
        *sigma = std::isfinite(*sigma) ? std::clamp(*sigma, 0.0, widest) : 0.0;
    g.hx = std::min(reachOf(pg.sigmaX), maxPhysicalMargin);
    g.hy = std::min(reachOf(pg.sigmaY), maxPhysicalMargin);
    g.marginX = g.hx * g.pitchX;
    g.marginY = g.hy * g.pitchY;
    g.width = g.roundedWidth + 2 * g.hx;
    g.height = g.roundedHeight + 2 * g.hy;
    return pg;
}

void rasterizePhysical(Target& target, SimState& sim, const RenderGeometry& g) {
    PhysicalModelState& ps = sim.physical;
    const std::size_t pixels = static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height);
    sim.sceneImage.assign(pixels, sim.backgroundSignal);
    std::vector<float>& image = sim.sceneImage;
    for (int index : ps.cellPixels)
        if (static_cast<std::size_t>(index) < ps.cellSlot.size())
            ps.cellSlot[static_cast<std::size_t>(index)] = -1;
    if (ps.cellSlot.size() != pixels)
        ps.cellSlot.assign(pixels, -1);
    ps.cellPixels.clear();
    ps.cells.clear();

    std::vector<Edge> edges;
    std::vector<int> bucketStart, bucketEdges;
    std::vector<SlabPiece> pieces, cellPieces;
    for (int index : target.distanceOrder) {
        const TargetItem& item = target.items[static_cast<std::size_t>(index)];
        if (!item.shown || !item.hasShape() || item.vertexCount < (item.kind == TargetItemKind::Ellipse ? 0 : 3))
            continue;
        const std::vector<double> poly = pixelPolygon(item, g);
        const int n = static_cast<int>(poly.size() / 2);
        if (n < 3)
            continue;
        double area2 = 0.0, minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        edges.clear();
        for (int k = 0; k < n; ++k) {
            const int k1 = k + 1 < n ? k + 1 : 0;
            const double x0 = poly[static_cast<std::size_t>(2 * k)], y0 = poly[static_cast<std::size_t>(2 * k + 1)];
            const double x1 = poly[static_cast<std::size_t>(2 * k1)], y1 = poly[static_cast<std::size_t>(2 * k1 + 1)];
            area2 += x0 * y1 - x1 * y0;
            minX = std::min(minX, x0), maxX = std::max(maxX, x0);
            minY = std::min(minY, y0), maxY = std::max(maxY, y0);
            if (x0 != x1)
                edges.push_back({x0, y0, x1, y1});
        }
        if (!(area2 != 0.0) || !std::isfinite(area2))
            continue;
        // Green's theorem gives the covered area as minus the band integral for an anticlockwise
        // outline, plus for a clockwise one.
        const double orientation = area2 > 0.0 ? -1.0 : 1.0;
        const int i0 = std::max(0, static_cast<int>(std::floor(std::max(minX, -1.0))));
        const int i1 = std::min(g.width - 1, static_cast<int>(std::floor(std::min(maxX, g.width + 1.0))));
        const int j0 = std::max(0, static_cast<int>(std::floor(std::max(minY, -1.0))));
        const int j1 = std::min(g.height - 1, static_cast<int>(std::floor(std::min(maxY, g.height + 1.0))));
        if (i0 > i1 || j0 > j1)
            continue;
        // The edges over each pixel column.
        const int columns = i1 - i0 + 1;
        bucketStart.assign(static_cast<std::size_t>(columns + 1), 0);
        auto columnRange = [&](const Edge& e, int& c0, int& c1) {
            c0 = std::max(i0, static_cast<int>(std::floor(std::max(std::min(e.x0, e.x1), i0 - 1.0))));
            c1 = std::min(i1, static_cast<int>(std::floor(std::min(std::max(e.x0, e.x1), i1 + 1.0))));
        };
        for (const Edge& e : edges) {
            int c0, c1;
            columnRange(e, c0, c1);
            for (int c = c0; c <= c1; ++c)
                ++bucketStart[static_cast<std::size_t>(c - i0 + 1)];
        }
        for (int c = 0; c < columns; ++c)
            bucketStart[static_cast<std::size_t>(c + 1)] += bucketStart[static_cast<std::size_t>(c)];
        bucketEdges.resize(static_cast<std::size_t>(bucketStart.back()));
        {
            std::vector<int> fill(bucketStart.begin(), bucketStart.end() - 1);
            for (std::size_t k = 0; k < edges.size(); ++k) {
                int c0, c1;
                columnRange(edges[k], c0, c1);
                for (int c = c0; c <= c1; ++c)
                    bucketEdges[static_cast<std::size_t>(fill[static_cast<std::size_t>(c - i0)]++)] =
                        static_cast<int>(k);
            }
        }
        const float signal = item.renderTemperature;
        for (int i = i0; i <= i1; ++i) {
            pieces.clear();
            for (int k = bucketStart[static_cast<std::size_t>(i - i0)];
                 k < bucketStart[static_cast<std::size_t>(i - i0 + 1)]; ++k) {
                SlabPiece p;
                if (clipToSlab(edges[static_cast<std::size_t>(bucketEdges[static_cast<std::size_t>(k)])], i, i + 1.0,
                               p))
                    pieces.push_back(p);
            }
            if (pieces.empty())
                continue;
            for (int j = j0; j <= j1; ++j) {
                double covered = 0.0;
                for (const SlabPiece& p : pieces)
                    covered += bandIntegral(p, j, j + 1.0);
                covered *= orientation;
                if (covered <= 1e-12)
                    continue;
                const std::size_t at = static_cast<std::size_t>(j) * g.width + i;
                int& slot = ps.cellSlot[at];
                if (covered >= 1.0 - 1e-12) {
                    image[at] = signal;
                    slot = -1; // its cells, if any, are all covered now
                    continue;
                }
                if (slot < 0) {
                    slot = static_cast<int>(ps.cells.size() / (S * S));
                    ps.cells.resize(ps.cells.size() + S * S, image[at]);
                    ps.cellPixels.push_back(static_cast<int>(at));
                }
                float* cell = &ps.cells[static_cast<std::size_t>(slot) * S * S];
                for (int a = 0; a < S; ++a) {
                    const double xa = i + static_cast<double>(a) / S, xb = i + static_cast<double>(a + 1) / S;
                    // The pieces over this column of cells, clipped once for all its rows.
                    cellPieces.clear();
                    for (const SlabPiece& whole : pieces) {
                        SlabPiece p;
                        const Edge e{whole.u0, whole.v0, whole.u1, whole.v1};
                        if (clipToSlab(e, xa, xb, p)) {
                            p.direction = whole.direction;
                            cellPieces.push_back(p);
                        }
                    }
                    for (int b = 0; b < S; ++b) {
                        const double ya = j + static_cast<double>(b) / S, yb = j + static_cast<double>(b + 1) / S;
                        double part = 0.0;
                        for (const SlabPiece& p : cellPieces)
                            part += bandIntegral(p, ya, yb);
                        const double c = std::clamp(orientation * part * (S * S), 0.0, 1.0);
                        float& v = cell[b * S + a];
                        v = static_cast<float>(v + (signal - v) * c);
                    }
                }
                double sum = 0.0;
                for (int k = 0; k < S * S; ++k)
                    sum += cell[k];
                image[at] = static_cast<float>(sum / (S * S));
            }
        }
    }
}

void blurPhysical(SimState& sim, const PhysicalGeometry& pg) {
    const RenderGeometry& g = pg.g;
    const Weights wx = buildWeights(g.hx, pg.sigmaX);
    const Weights wy = buildWeights(g.hy, pg.sigmaY);
    const int outWidth = g.roundedWidth, outHeight = g.roundedHeight;
    const int width = g.width;
    PhysicalModelState& ps = sim.physical;

    // Whole pixels: their area means through the optics-and-pixel response.
    std::vector<float>& across = ps.blurred;
    across.resize(static_cast<std::size_t>(outWidth) * static_cast<std::size_t>(g.height));
    const int tx = 2 * g.hx + 1, ty = 2 * g.hy + 1;
    for (int j = 0; j < g.height; ++j)
        convolveRow(&sim.sceneImage[static_cast<std::size_t>(j) * width], 1, wx.taps.data(), tx,
                    &across[static_cast<std::size_t>(j) * outWidth], outWidth);
    std::vector<float>& out = sim.scratchImage;
    out.resize(static_cast<std::size_t>(outWidth) * static_cast<std::size_t>(outHeight));
    for (int j = 0; j < outHeight; ++j)
        convolveRow(&across[static_cast<std::size_t>(j) * outWidth], static_cast<std::size_t>(outWidth), wy.taps.data(),
                    ty, &out[static_cast<std::size_t>(j) * outWidth], outWidth);

    // Pixels crossed by an edge: what their cells differ from their mean, through each cell's own
    // share of the response.
    std::vector<double> rx(static_cast<std::size_t>(S * tx));
    for (int at : ps.cellPixels) {
        // A pixel covered whole by a nearer item has no cells any more; one that took cells again
        // after that is listed twice, and counts once.
        const int slot = ps.cellSlot[static_cast<std::size_t>(at)];
        if (slot < 0)
            continue;
        ps.cellSlot[static_cast<std::size_t>(at)] = -1;
        const int i = at % width, j = at / width;
        const float* cell = &ps.cells[static_cast<std::size_t>(slot) * S * S];
        const double mean = sim.sceneImage[static_cast<std::size_t>(at)];
        for (int b = 0; b < S; ++b)
            for (int d = 0; d < tx; ++d) {
                double sum = 0.0;
                for (int a = 0; a < S; ++a)
                    sum += (cell[b * S + a] - mean) * wx.cells[static_cast<std::size_t>(d * S + a)];
                rx[static_cast<std::size_t>(b * tx + d)] = sum;
            }
        for (int e = 0; e < ty; ++e) {
            const int row = j + e - 2 * g.hy; // padded row j + (e - hy), less the margin
            if (row < 0 || row >= outHeight)
                continue;
            float* o = &out[static_cast<std::size_t>(row) * outWidth];
            for (int d = 0; d < tx; ++d) {
                const int column = i + d - 2 * g.hx;
                if (column < 0 || column >= outWidth)
                    continue;
                double sum = 0.0;
                for (int b = 0; b < S; ++b)
                    sum += wy.cells[static_cast<std::size_t>(e * S + b)] * rx[static_cast<std::size_t>(b * tx + d)];
                o[column] = static_cast<float>(o[column] + sum);
            }
        }
    }
    sim.sceneImage.swap(out);
    sim.imageWidth = outWidth;
    sim.imageHeight = outHeight;
}

void renderPhysical(RenderMode mode, bool fit, Target& target, SimState& sim, const CameraSet& camera) {
    const PhysicalGeometry pg = computePhysicalGeometry(camera, sim, mode, fit);
    rasterizePhysical(target, sim, pg.g);
    blurPhysical(sim, pg);
    const bool cameraView = mode == RenderMode::CameraView;
    mapToDisplay(sim, camera, cameraView, !cameraView && fit);
}
