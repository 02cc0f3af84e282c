#include "sim/display_zoom.h"

#include "sim/truncate.h"

#include <algorithm>

namespace {

// The display's magnification when the camera asks for a margin around the image.
constexpr double viewMarginZoom = 1.1;
// Largest jitter step, in pixels.
constexpr double maxJitter = 8.0;

} // namespace

PixelZoom presentationZoom(const CameraSet& camera, const ViewScales& s) {
    PixelZoom z;
    z.x = s.base * static_cast<double>(camera.electronicZoom) * s.columnScale * s.columnFine * s.overall;
    z.y = s.base * static_cast<double>(camera.electronicZoom) * s.rowScale * s.rowFine * s.overall;
    if (camera.interlaceShift != 0) {
        if (truncToInt(s.base * s.columnScale * s.columnFine + 0.0001) % 2 == 0)
            z.x /= 2.0;
        if (truncToInt(s.base * s.rowScale * s.rowFine + 0.0001) % 2 == 0)
            z.y /= 2.0;
    }
    if (camera.viewMargin == 0) {
        z.x *= viewMarginZoom;
        z.y *= viewMarginZoom;
    }
    return z;
}

PixelZoom applyJitter(PixelZoom zoom, const CameraSet& camera, int imageWidth, int imageHeight,
                      RandomGenerator& random) {
    auto jitter = [&](double z, int pixels) {
        if (random.next() / RandomGenerator::valueRange > camera.jitterProbability)
            return z;
        double d = std::min(random.next() * static_cast<double>(camera.jitterAmplitude) * maxJitter /
                                RandomGenerator::valueRange,
                            maxJitter);
        double u = d >= 1.0 ? random.next() / RandomGenerator::valueRange / pixels : d / pixels;
        return (u + 1.0) * z;
    };
    zoom.x = jitter(zoom.x, std::max(imageWidth, 1));
    zoom.y = jitter(zoom.y, std::max(imageHeight, 1));
    return zoom;
}
