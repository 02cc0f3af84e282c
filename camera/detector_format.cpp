#include "camera/detector_format.h"

#include <algorithm>
#include <cstdint>

namespace {
// Keeps absurd file values from overflowing; the file check rejects them afterwards.
int saturate(std::int64_t n) {
    return static_cast<int>(std::clamp<std::int64_t>(n, -(1 << 30), 1 << 30));
}
} // namespace

DetectorFormat activatedFormat(const CameraSet& c) {
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (c.matrixDetector != 0) {
        height = c.detectorRows;
        width = c.detectorColumns;
        if (c.doubleColumns != 0 && c.doubleRows == 0)
            width *= 2;
        if (c.doubleRows != 0 && c.doubleColumns == 0)
            height *= 2;
    } else {
        height = c.scanLines;
        double columns = static_cast<double>(c.scanLines) * c.fovTable[2][0] / c.fovTable[2][1];
        width = columns > -1e9 && columns < 1e9 ? static_cast<std::int64_t>(columns) : 0;
        if (c.doubleBoth != 0) {
            width *= 2;
            height *= 2;
        }
    }
    return {saturate(width), saturate(height)};
}
