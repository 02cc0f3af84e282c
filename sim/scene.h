#pragma once

#include "camera/camera_set.h"
#include "sim/console_values.h"
#include "sim/sim_state.h"
#include "target/target.h"

// Distance from the camera to the target plane, in the target's length unit.
inline constexpr double viewingDistance = 1300.0;

// Atmospheric transmission over a path, with the coefficient per thousand length units.
double transmission(double coefficient, double path);

// Projects every item at the viewing distance, gives each its signal through the atmosphere and
// computes the background signal and the scene extents. The redraw that follows is the caller's.
void UpdateScene(Target& target, SimState& sim, const CameraSet& camera, const PointList& response,
                 const ConsoleValues& console);

// The unattenuated signals every item of one scene update shares.
struct SceneSignals {
    double bars = 0.0; // background plus the temperature difference
    double air = 0.0;  // the air between camera and target
};

// Projects one item; farthest accumulates the largest distance over the target.
void ProjectItem(TargetItem& item, const Target& target, SimState& sim, const CameraSet& camera,
                 const PointList& response, const ConsoleValues& console, const SceneSignals& shared, float axisX,
                 double& farthest);

// One edge line (a, b, c) for the edge p-q, oriented so that the polygon lies on its positive side.
void BuildEdgeLines(const float* p, const float* q, const std::vector<float>& polygon, int count, float* line);
