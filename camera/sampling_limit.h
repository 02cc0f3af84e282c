#pragma once

#include "camera/camera_set.h"

// How finely the detector samples the scene in one direction: the angle of one image pixel and the
// Nyquist frequency 1 / (2 pixel angle), above which a bar pattern cannot be shown at its own
// frequency, only as an alias. Vertical bars are sampled across the columns, horizontal bars across
// the rows. The pixels are those of the image the camera forms (activatedFormat): a matrix
// detector's doubled columns or rows and a scanning detector's doubled lines sample the scene
// twice as finely in that direction.
struct SamplingLimit {
    double pixelAngleMrad = 0.0;
    double nyquist = 0.0; // cycles/mrad
};
SamplingLimit samplingLimit(const CameraSet& camera, bool horizontalBars);
