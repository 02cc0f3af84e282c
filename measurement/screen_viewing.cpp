#include "measurement/screen_viewing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

double ScreenViewing::luminance(double grey) const {
    return blackLuminance + (peakLuminance - blackLuminance) * std::pow(std::clamp(grey, 0.0, 255.0) / 255.0, gamma);
}

std::array<double, 256> ScreenViewing::luminanceTable() const {
    std::array<double, 256> table{};
    for (int g = 0; g < 256; ++g)
        table[static_cast<std::size_t>(g)] = luminance(g);
    return table;
}

double ScreenViewing::cameraPixelDegrees(double viewZoom) const {
    const double millimetres = screenPixel * viewZoom * magnification;
    return 2.0 * std::atan(millimetres / (2000.0 * distance)) * 180.0 / std::numbers::pi;
}
