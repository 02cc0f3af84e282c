#include "console/camera_summary.h"

#include "camera/camera_file.h"
#include "sim/rasterizer.h"

#include <cstdio>

CameraSummary cameraSummary(const std::string& cameraFile, const CameraSet& camera, const SimState& sim) {
    CameraSummary summary;
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    if (const auto text = readBoundedTextFile(cameraFile, cameraFileLimits, fault, reason)) {
        summary.description = text->substr(0, text->find('\n'));
        while (!summary.description.empty() &&
               (summary.description.back() == '\r' || summary.description.back() == ' '))
            summary.description.pop_back();
    }
    const double ifov = computeRenderGeometry(camera, sim, RenderMode::CameraView, false).pitchX * 1000.0; // mrad
    char figures[128];
    std::snprintf(figures, sizeof figures, "IFOV %.3f mrad, NETD %.3f K, Nyquist %.2f cycles/mrad", ifov,
                  static_cast<double>(camera.netd), ifov > 0.0 ? 1.0 / (2.0 * ifov) : 0.0);
    summary.figures = figures;
    return summary;
}
