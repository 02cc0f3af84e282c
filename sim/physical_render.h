#pragma once

#include "camera/camera_set.h"
#include "sim/rasterizer.h"
#include "sim/sim_state.h"
#include "target/target.h"

// Cells per pixel side where an item's edge crosses a pixel: the blur weighs each cell by the
// optics' response over it, so an edge's place inside its pixel is kept.
inline constexpr int physicalCells = 24;
// The Gaussian is carried out to this many sigmas on each side.
inline constexpr double physicalKernelReach = 4.0;
// The blur's margin in pixels at most, whatever the Gaussian's width.
inline constexpr int maxPhysicalMargin = 1024;

// The render geometry with the physical blur's own margins, and the Gaussian's sigma in pixels.
struct PhysicalGeometry {
    RenderGeometry g;
    double sigmaX = 0.0;
    double sigmaY = 0.0;
};
PhysicalGeometry computePhysicalGeometry(const CameraSet& camera, const SimState& sim, RenderMode mode, bool fit);

// The integral from minus infinity to x of a unit pixel box convolved with a Gaussian of sigma,
// all in pixels: the optics-and-pixel response's running total.
double pixelResponseIntegral(double x, double sigma);

// The exact area-weighted mean of the scene over every padded pixel, nearer items covering farther
// ones, with sub-pixel cells kept where an edge crosses a pixel.
void rasterizePhysical(Target& target, SimState& sim, const RenderGeometry& g);
// The scene convolved with the Gaussian and the pixel box, sampled at the pixel centres.
void blurPhysical(SimState& sim, const PhysicalGeometry& pg);
// The physical model's whole render: scene, blur and the 8-bit DisplayImage.
void renderPhysical(RenderMode mode, bool fit, Target& target, SimState& sim, const CameraSet& camera);
