#pragma once

#include "camera/camera_set.h"

// The camera file's MRTD curve for the field of view in use: the alternative optics' own, else
// the narrow, medium or wide field's (any other field index takes the wide one). Horizontal bars
// are judged against the vertical MRTD, which the file holds for the wide and narrow fields only;
// for the others the curve is empty.
const PointList& mrtdCurveOf(const CameraState& camera, bool horizontalBars);

// The camera file's own MRTD at frequency f, from its curve for the field and orientation in use,
// linear between its points; a negative number outside the curve.
double cameraMrtdAt(const CameraState& camera, double f, bool horizontalBars = false);
