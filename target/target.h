#pragma once

#include "target/target_item.h"

#include <vector>

using TargetList = std::vector<TargetItem>;

// The one current target: the ordered list of layers and objects, its drawing order and extent.
struct Target {
    TargetList items; // the list under the target root, in file order
    float targetHeight = 0.0f;
    std::vector<int> distanceOrder; // indices of the shaped items, farthest first
    // The console's list while the target loader builds another one.
    TargetList keptAsideTarget;
    bool hasKeptAside = false;
    bool forceClear = false;
    float targetMinX = 0.0f;
    float targetMaxX = 0.0f;
    float targetCenterX = 0.0f;
    float viewUnitsPerPixel = 0.0f;
};

// Empties the target. A list whose first item is kept aside is moved aside instead of freed, unless
// forceClear is set, which frees the kept-aside list too.
void clearTarget(Target& target);
// Marks the current list as the console's, to be kept aside by the next clearTarget.
void keepTargetAside(Target& target);
// Puts the kept-aside list back under the root and clears its mark.
void restoreKeptAsideTarget(Target& target);
// Orders the shaped items by distance, farthest first; equal distances keep their list order.
void rebuildDistanceOrder(Target& target);
// Per-axis bounds of one item's vertices.
void computeItemBounds(TargetItem& item);
// Bounds of every item, the x extent of the shown ones, its centre and the view units per pixel.
// The scene update that follows is the caller's.
void updateTargetExtent(Target& target, int stepIndex);
