#include "camera/camera_set.h"

CameraState defaultCameraState() {
    CameraState state;
    state.set.backgroundTemperature = state.set.tempMin;
    const PointList threePoints{{0.0f, 1.0f, 1.0f, 2.0f, 2.0f, 1.5f}};
    state.tables.mrtdWideH = threePoints;
    state.tables.spectralResponse0 = threePoints;
    state.tables.mrtdWideV = threePoints;
    state.tables.mrtdNarrowH = threePoints;
    state.tables.mrtdNarrowV = threePoints;
    return state;
}
