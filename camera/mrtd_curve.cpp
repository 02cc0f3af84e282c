#include "camera/mrtd_curve.h"

const PointList& mrtdCurveOf(const CameraState& camera, bool horizontalBars) {
    static const PointList none;
    const CameraSet& c = camera.set;
    const CameraTables& t = camera.tables;
    if (horizontalBars)
        return c.altOptics != 0 ? none : c.fovIndex == 0 ? t.mrtdNarrowV : c.fovIndex == 1 ? none : t.mrtdWideV;
    return c.altOptics != 0  ? t.mrtdAltH
           : c.fovIndex == 0 ? t.mrtdNarrowH
           : c.fovIndex == 1 ? t.mrtdMediumH
                             : t.mrtdWideH;
}
