#include "target/target.h"

#include <algorithm>
#include <cmath>

void clearTarget(Target& target) {
    if (!target.forceClear && !target.items.empty() && target.items.front().keptAside) {
        target.keptAsideTarget = std::move(target.items);
        target.hasKeptAside = true;
        target.items.clear();
    } else {
        target.items.clear();
        target.keptAsideTarget.clear();
        target.hasKeptAside = false;
    }
    target.distanceOrder.clear();
}

void keepTargetAside(Target& target) {
    if (!target.items.empty())
        target.items.front().keptAside = true;
}

void restoreKeptAsideTarget(Target& target) {
    if (target.hasKeptAside) {
        target.items = std::move(target.keptAsideTarget);
        target.keptAsideTarget.clear();
        target.hasKeptAside = false;
    }
    for (TargetItem& item : target.items)
        item.keptAside = false;
}

void rebuildDistanceOrder(Target& target) {
    target.distanceOrder.clear();
    bool comparable = true;
    for (int index = 0; index < static_cast<int>(target.items.size()); ++index) {
        const TargetItem& item = target.items[static_cast<std::size_t>(index)];
        if (item.hasShape()) {
            target.distanceOrder.push_back(index);
            comparable = comparable && !std::isnan(item.distance);
        }
    }
    auto distance = [&](int index) { return target.items[static_cast<std::size_t>(index)].distance; };
    if (comparable) {
        // A stable sort gives what inserting each item before the first nearer one gives, in n log n.
        std::stable_sort(target.distanceOrder.begin(), target.distanceOrder.end(),
                         [&](int a, int b) { return distance(a) > distance(b); });
        return;
    }
    // A distance that is no number compares with nothing; the one-by-one insertion says where it goes.
    std::vector<int> shaped = std::move(target.distanceOrder);
    target.distanceOrder.clear();
    for (int index : shaped) {
        auto nearer = std::find_if(target.distanceOrder.begin(), target.distanceOrder.end(),
                                   [&](int other) { return distance(other) < distance(index); });
        target.distanceOrder.insert(nearer, index);
    }
}

void computeItemBounds(TargetItem& item) {
    if (!item.hasShape())
        return;
    const int dimension = std::clamp(item.dimension, 0, 3);
    for (int a = 0; a < dimension; ++a) {
        float low = 1e13f;
        float high = -1e12f;
        for (int k = 0; k < item.vertexCount; ++k) {
            float v = item.vertices[static_cast<std::size_t>(k * item.dimension + a)];
            low = std::min(low, v);
            high = std::max(high, v);
        }
        item.minCoord[static_cast<std::size_t>(a)] = low;
        item.maxCoord[static_cast<std::size_t>(a)] = high;
    }
}

void updateTargetExtent(Target& target, int stepIndex) {
    target.targetMinX = 1e11f;
    target.targetMaxX = -1e11f;
    for (TargetItem& item : target.items) {
        computeItemBounds(item);
        if (item.shown && item.hasShape()) {
            target.targetMinX = std::min(target.targetMinX, item.minCoord[0]);
            target.targetMaxX = std::max(target.targetMaxX, item.maxCoord[0]);
        }
    }
    target.targetCenterX = (target.targetMinX + target.targetMaxX) * 0.5f;
    float power = 1.0f;
    for (int k = 0; k < stepIndex; ++k)
        power *= 2.0f;
    target.viewUnitsPerPixel = (target.targetMaxX - target.targetMinX) / 333.0f * power;
}
