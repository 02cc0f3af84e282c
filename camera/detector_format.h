#pragma once

#include "camera/camera_set.h"

struct DetectorFormat {
    int width = 0;
    int height = 0;
};

// The image format the camera activation gives: a matrix detector's columns and rows with their
// doublings, or a scanning detector's lines with columns in the wide field's aspect.
DetectorFormat activatedFormat(const CameraSet& camera);

// Columns (or rows) of an image of n detector pixels at electronic zoom e.
inline int zoomedPixels(int n, double e) {
    return static_cast<int>(n / e + 0.001);
}
