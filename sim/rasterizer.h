#pragma once

#include "camera/camera_set.h"
#include "sim/sim_state.h"
#include "target/target.h"

// Samples per pixel side on item edges.
inline constexpr int edgeSamples = 3;
// Marks the pixels of an item smaller than a pixel until the edge pass resolves them.
inline constexpr float subPixelMarker = -1.0f;

enum class RenderMode { CameraView = 1, LoaderPreview = 2 };

// The geometry of one render: image size with its padding and the pitch of a pixel in projected units.
struct RenderGeometry {
    double zoom = 1.0;
    int detectorWidth = 0, detectorHeight = 0;
    double halfX = 0.0, halfY = 0.0;
    double centreX = 0.0, centreY = 0.0;
    int hx = 0, hy = 0;
    int nominalWidth = 0, nominalHeight = 0; // Wn, Hn
    double pitchX = 0.0, pitchY = 0.0;
    double marginX = 0.0, marginY = 0.0;
    int roundedWidth = 0, roundedHeight = 0; // Wr, Hr
    int width = 0, height = 0;               // W, H: rounded size plus the blur margins
};

RenderGeometry computeRenderGeometry(const CameraSet& camera, const SimState& sim, RenderMode mode, bool fit);
// Rounds a size up to the next multiple of 4 above it (256 gives 260).
inline int roundUpPast4(int n) {
    return n + 4 - n % 4;
}

// Paints the scene into sim.sceneImage: background, items farthest first, then the edge pass.
void rasterizeScene(Target& target, SimState& sim, const RenderGeometry& g);

void ItemPixelBounds(TargetItem& item, std::vector<float>& image, const RenderGeometry& g);
void FillItem(const TargetItem& item, std::vector<float>& image, const RenderGeometry& g);
// Whether the item covers projected point (x, y) of pixel (column i, row j).
bool SampleItem(const TargetItem& item, double x, double y, int i, int j);
