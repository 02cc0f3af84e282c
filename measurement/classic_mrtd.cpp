#include "measurement/classic_mrtd.h"

#include "sim/image_model_behaviour.h"
#include "sim/in_band_exitance.h"
#include "sim/physical_radiometry.h"
#include "sim/rasterizer.h"

#include <cmath>
#include <limits>
#include <numbers>

ClassicTerms classicTerms(const BenchState& state) {
    ClassicTerms t;
    const CameraSet& c = state.camera.set;
    const RenderGeometry g = computeRenderGeometry(c, state.sim, RenderMode::CameraView, false);
    // Horizontal bars are resolved, or blurred, by the vertical pixel angle and blur.
    const bool turned = state.console.horizontalBars;
    t.alpha = (turned ? g.pitchY : g.pitchX) * 1000.0;
    t.beta = (turned ? g.pitchX : g.pitchY) * 1000.0;
    // Each image model blurs with its own width: the physical one with the exact sum of the blurs.
    const PhysicalModelState& physical = state.sim.physical;
    t.sigma = state.sim.imageModel == ImageModel::Physical
                  ? (turned ? physical.blurWidthY : physical.blurWidthX)
                  : (turned ? state.camera.vBlurWidth : state.camera.hBlurWidth);
    t.frameRate = c.frameRate;
    // The per-pixel noise in signal units over the in-band signal's slope at the scene's temperature,
    // each as the image model in use computes it.
    const PointList& response = state.camera.tables.currentSpectralResponse();
    const double scene = c.backgroundTemperature;
    const ImageModel model = state.sim.imageModel;
    constexpr double step = 0.05;
    const double slope = (modelSignal(model, response, scene + step, sceneIntegrationStep) -
                          modelSignal(model, response, scene - step, sceneIntegrationStep)) /
                         (2 * step);
    const double level = imageModelBehaviour(model).noiseSigma(state.sim);
    const double sigma = level > 0.0 ? level * c.frameNoise[0] / 100.0 : 0.0;
    t.netdScene = slope > 0.0 ? sigma / slope : 0.0;
    t.signalPerKelvin = slope;
    return t;
}

double classicMtf(const ClassicTerms& t, double f) {
    const double x = std::numbers::pi * f * t.alpha;
    const double aperture = x == 0.0 ? 1.0 : std::abs(std::sin(x) / x);
    return std::exp(-2.0 * std::numbers::pi * std::numbers::pi * t.sigma * t.sigma * f * f) * aperture;
}

double classicMrtd(const ClassicTerms& t, double f, double thresholdSnr, double integrationTime) {
    const double pi2 = std::numbers::pi * std::numbers::pi;
    const double mtf = classicMtf(t, f);
    if (!(mtf > 0.0) || !(t.frameRate > 0.0) || !(integrationTime > 0.0))
        return std::numeric_limits<double>::infinity();
    return pi2 / (4.0 * std::sqrt(14.0)) * thresholdSnr * t.netdScene * f / mtf *
           std::sqrt(t.alpha * t.beta / (integrationTime * t.frameRate));
}
