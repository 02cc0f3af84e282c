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

double cameraMrtdAt(const CameraState& camera, double f, bool horizontalBars) {
    const PointList& curve = mrtdCurveOf(camera, horizontalBars);
    for (int k = 1; k < curve.vertexCount(); ++k) {
        const double f0 = curve.x(k - 1), f1 = curve.x(k);
        if (f >= f0 && f <= f1 && f1 > f0)
            return curve.y(k - 1) + (f - f0) / (f1 - f0) * (static_cast<double>(curve.y(k)) - curve.y(k - 1));
    }
    return -1.0;
}
