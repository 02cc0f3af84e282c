#pragma once

#include "measurement/eye_constants.h"

#include <array>

// The screen a person reads the frames on and where they sit: the monitor's luminance law and pixel
// pitch, the viewing distance and the view's magnifier.
struct ScreenViewing {
    double screenPixel = screenPixelPitch;         // mm, the monitor's pixel pitch
    double distance = screenViewingDistance;       // m, eye to screen
    double magnification = 1.0;                    // the view's magnifier
    double peakLuminance = displayPeakLuminance;   // cd/m² at grey 255
    double gamma = displayGamma;                   // the luminance law's exponent
    double blackLuminance = displayBlackLuminance; // cd/m² at grey 0

    // The luminance of a grey level 0 ... 255 on this screen.
    double luminance(double grey) const;
    // Every grey level's luminance, for reading frames pixel by pixel.
    std::array<double, 256> luminanceTable() const;
    // The angle at the eye, in degrees, of one camera pixel drawn viewZoom screen pixels wide and
    // then magnified.
    double cameraPixelDegrees(double viewZoom) const;
};
