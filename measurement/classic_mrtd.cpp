#include "measurement/classic_mrtd.h"

#include "measurement/bar_pattern.h"
#include "measurement/eye_constants.h"
#include "sim/image_model_behaviour.h"
#include "sim/in_band_exitance.h"
#include "sim/physical_radiometry.h"
#include "sim/rasterizer.h"
#include "sim/scene.h"

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
    double slope = (modelSignal(model, response, scene + step, sceneIntegrationStep) -
                    modelSignal(model, response, scene - step, sceneIntegrationStep)) /
                   (2 * step);
    // The bars' step reaches the camera through the air between: the transmission over the path to
    // the target's plane, as the scene gives it each item.
    double tau = 1.0;
    for (const TargetItem& item : state.target.items)
        if (item.shown && item.hasShape()) {
            tau = transmission(c.atmCoefficient, viewingDistance + item.distance);
            break;
        }
    slope *= tau;
    const double level = imageModelBehaviour(model).noiseSigma(state.sim);
    const double sigma = level > 0.0 ? level * c.frameNoise[0] / 100.0 : 0.0;
    t.netdScene = slope > 0.0 ? sigma / slope : 0.0;
    const double shared = level > 0.0 ? level * (turned ? c.frameNoise[1] : c.frameNoise[2]) / 100.0 : 0.0;
    t.netdColumn = slope > 0.0 ? shared / slope : 0.0;
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
    // The pixels the observer reads along the bars: the middle share of their length of 3.5 cycles.
    const double along = t.beta > 0.0 ? analysedLengthShare * barPatternCycles / (f * t.beta) : 0.0;
    const double netd = std::sqrt(t.netdScene * t.netdScene + along * t.netdColumn * t.netdColumn);
    return pi2 / (4.0 * std::sqrt(14.0)) * thresholdSnr * netd * f / mtf *
           std::sqrt(t.alpha * t.beta / (integrationTime * t.frameRate));
}
