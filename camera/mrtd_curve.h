#pragma once

#include "camera/camera_set.h"

// The camera file's MRTD curve for the field of view in use: the alternative optics' own, else
// the narrow, medium or wide field's (any other field index takes the wide one). Horizontal bars
// are judged against the vertical MRTD, which the file holds for the wide and narrow fields only;
// for the others the curve is empty.
const PointList& mrtdCurveOf(const CameraState& camera, bool horizontalBars);
