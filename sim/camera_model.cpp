#include "sim/camera_model.h"

#include "camera/detector_format.h"
#include "camera/mrtd_curve.h"
#include "sim/in_band_exitance.h"
#include "sim/noise.h"
#include "sim/physical_noise.h"
#include "sim/physical_radiometry.h"
#include "sim/trapezoid.h"
#include "sim/truncate.h"
#include "sim/truncated_pi.h"

#include <algorithm>
#include <cmath>

namespace {

// Mode 1 widths are these constants over the divisor of the optics case, by divisor set.
constexpr double mode1Numerator[2] = {0.1874, 0.3415};
// Angle step in mrad of the kernel taps' integration.
constexpr double kernelIntegrationStep = 0.001;
// Temperature step of signalTable, as a 32-bit float.
constexpr float signalTableStep = 0.1f;
// signalTable holds signals scaled by this factor.
constexpr double signalTableScale = 5000.0;

enum class OpticsCase { Wide, Alternative, Medium, Narrow, None };

OpticsCase opticsCase(const CameraSet& c) {
    if (c.altOptics != 0)
        return OpticsCase::Alternative;
    switch (c.fovIndex) {
    case 0:
        return OpticsCase::Narrow;
    case 1:
        return OpticsCase::Medium;
    case 2:
        return OpticsCase::Wide;
    default:
        return OpticsCase::None;
    }
}

// Position of the case in the blurBlock groups: wide, alternative, medium, narrow.
int blockOffset(OpticsCase c) {
    switch (c) {
    case OpticsCase::Wide:
        return 0;
    case OpticsCase::Alternative:
        return 1;
    case OpticsCase::Medium:
        return 2;
    default:
        return 3;
    }
}

// Column of the case in blurDivisors: wide, medium, narrow, alternative.
int divisorColumn(OpticsCase c) {
    switch (c) {
    case OpticsCase::Wide:
        return 0;
    case OpticsCase::Medium:
        return 1;
    case OpticsCase::Narrow:
        return 2;
    default:
        return 3;
    }
}

float blockValue(const CameraSet& c, int group, OpticsCase oc) {
    return c.blurBlock.floats[static_cast<std::size_t>(4 * group + blockOffset(oc))];
}

// The atmosphere's blur for the camera's atmosphere class; class 0 has none, and classes past the
// table take its last entry.
float atmosphericBlur(const CameraSet& c, const AtmosphereTable& atmosphere) {
    if (c.atmosphereIndex <= 0)
        return 0.0f;
    int entry = std::min(c.atmosphereIndex, AtmosphereTable::blurClasses) - 1;
    return atmosphere.atmosphereBlur[static_cast<std::size_t>(entry)];
}

double gaussianFactor(double sigma, double f) {
    return std::exp(std::log(exponentialBase) * (-2.0 * truncatedPi * truncatedPi * sigma * sigma * f * f));
}

// The exact mass of a unit Gaussian of standard deviation width between x0 and x1.
double gaussianMass(double x0, double x1, double width) {
    return 0.5 * (std::erf(x1 / (std::sqrt(2.0) * width)) - std::erf(x0 / (std::sqrt(2.0) * width)));
}

// Adds the camera's own and the atmosphere's blur, then halves when blurFlag asks.
double finishWidth(double w, const CameraSet& c, const AtmosphereTable& atmosphere) {
    w = CombineBlur(static_cast<float>(w), c.blurParam);
    w = CombineBlur(static_cast<float>(w), atmosphericBlur(c, atmosphere));
    if (c.blurFlag)
        w /= 2.0;
    return w;
}

// The same sum without the fit's 0.01 mrad grid: Gaussians convolved add their variances. The
// physical model blurs with this width; the specified model keeps the fitted one.
double exactFinishWidth(double w, const CameraSet& c, const AtmosphereTable& atmosphere) {
    const double camera = c.blurParam, air = atmosphericBlur(c, atmosphere);
    const double combined = std::sqrt(w * w + camera * camera + air * air);
    return c.blurFlag ? combined / 2.0 : combined;
}

double ifovOf(const CameraSet& c, BlurDirection direction) {
    double fov = direction == BlurDirection::Horizontal ? c.fovCurrentH : c.fovCurrentV;
    double pixels = direction == BlurDirection::Horizontal ? c.sensorWidth : c.sensorHeight;
    return fov / pixels / 180.0 * (1000.0 * truncatedPi); // in mrad
}

} // namespace

float CombineBlur(float a, float b) {
    if (a == 0.0f)
        return b;
    if (b == 0.0f)
        return a;
    float m = std::max(a, b);
    std::vector<double> f{0.0};
    std::vector<double> y{1.0};
    for (int i = 1; i <= 5; ++i) {
        float fi = static_cast<float>(i) * (2.0f * m / 5.0f);
        f.push_back(fi);
        y.push_back(gaussianFactor(a, fi) * gaussianFactor(b, fi));
    }
    return static_cast<float>(FitBlurWidth(f, y, 0.01));
}

double FitBlurWidth(const std::vector<double>& frequencies, const std::vector<double>& values, double step) {
    double best = -1.0;
    double bestError = 9999999999.0;
    const std::size_t n = std::min(frequencies.size(), values.size());
    for (int k = 0;; ++k) {
        double sigma = 0.0001 + k * step;
        if (!(sigma < maxFittedBlurWidth))
            break;
        double error = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            double d = values[i] - gaussianFactor(sigma, frequencies[i]);
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = sigma;
        }
    }
    return std::max(best, 0.0);
}

double GaussianIntegral(double x0, double x1, double step, double width) {
    if (step == 0.0)
        return 0.0;
    double samples = (x1 - x0) / step + 1.0;
    if (!(samples >= 2.0))
        return 0.0;
    const double norm = 1.0 / (std::sqrt(truncatedTwoPi) * width);
    if (samples > 1e6) // the rule's limit, where its samples would cost more than they add
        return gaussianMass(x0, x1, width);
    const int n = static_cast<int>(samples);
    const double logBase = std::log(exponentialBase);
    return step * norm * trapezoidSum(n, [&](int k) {
               double x = x0 + k * step;
               return std::exp(-logBase * x * x / (2.0 * width * width));
           });
}

void BuildKernel(double width, BlurDirection direction, const CameraSet& camera, SimState& sim) {
    std::vector<float>& kernel = direction == BlurDirection::Horizontal ? sim.kernelX : sim.kernelY;
    int& halfWidth = direction == BlurDirection::Horizontal ? sim.kernelXHalfWidth : sim.kernelYHalfWidth;
    // The physical model blurs with the same Gaussian, without the kernel's pixel integration.
    (direction == BlurDirection::Horizontal ? sim.physical.blurWidthX : sim.physical.blurWidthY) = std::max(width, 0.0);
    const double ifov = ifovOf(camera, direction);
    int h = width > 0.0 && ifov > 0.0 ? truncToInt(3.0 * width / ifov + 0.5) : 0;
    h = std::min(h, maxKernelHalfWidth);
    kernel.clear();
    halfWidth = 0;
    if (h <= 0)
        return;
    // A pixel narrower than two integration steps would give every tap 0; it takes the exact
    // integral instead.
    auto tapOver = [&](double x0, double x1) {
        if ((x1 - x0) / kernelIntegrationStep + 1.0 >= 2.0)
            return GaussianIntegral(x0, x1, kernelIntegrationStep, width);
        return gaussianMass(x0, x1, width);
    };
    std::vector<double> taps(static_cast<std::size_t>(2 * h + 1));
    taps[static_cast<std::size_t>(h)] = 2.0 * tapOver(0.0, ifov / 2.0);
    for (int m = 1; m <= h; ++m) {
        double tap = tapOver((m - 0.5) * ifov, (m + 0.5) * ifov);
        taps[static_cast<std::size_t>(h + m)] = tap;
        taps[static_cast<std::size_t>(h - m)] = tap;
    }
    double sum = 0.0;
    for (double t : taps)
        sum += t;
    if (!(sum > 0.0))
        return; // nothing to normalise: leave the direction unblurred
    kernel.resize(taps.size());
    for (std::size_t k = 0; k < taps.size(); ++k)
        kernel[k] = static_cast<float>(taps[k] / sum);
    halfWidth = h;
}

void horizontalBlurModel(CameraModelContext& context) {
    CameraState& state = context.camera;
    const CameraSet& c = state.set;
    const OpticsCase oc = opticsCase(c);
    const bool alternative = oc == OpticsCase::Alternative;
    double w = 0.0;
    bool modelled = oc != OpticsCase::None;
    if (modelled) {
        switch (c.hBlurMode) {
        case 0:
            w = alternative                ? c.blurWidthAlt
                : oc == OpticsCase::Medium ? c.blurWidthMedium
                : oc == OpticsCase::Narrow ? c.blurWidthNarrow
                                           : c.blurWidthWide;
            break;
        case 1: {
            int set = c.blurDivisorSet == 0 ? 0 : 1;
            w = mode1Numerator[set] /
                c.blurDivisors[static_cast<std::size_t>(set)][static_cast<std::size_t>(divisorColumn(oc))];
            break;
        }
        case 2: {
            const PointList& curve = mrtdCurveOf(state, false);
            std::vector<double> f, mtf;
            for (int i = 0; i < curve.vertexCount(); ++i) {
                f.push_back(curve.x(i));
                mtf.push_back(static_cast<double>(curve.y(0)) / curve.y(i));
            }
            w = FitBlurWidth(f, mtf, 0.01);
            break;
        }
        case 3:
            w = blockValue(c, 1, oc);
            break;
        case 4:
            w = blockValue(c, alternative || c.blurDivisorSet == 0 ? 3 : 5, oc);
            break;
        default:
            modelled = false;
        }
    }
    if (!modelled) {
        // No model for this mode or field: the width read with the camera stays, combined once already.
        BuildKernel(state.hBlurWidth, BlurDirection::Horizontal, c, context.sim);
        return;
    }
    if (alternative && c.hBlurMode != 2)
        w /= c.opticalZoom;
    state.hBlurWidth = finishWidth(w, c, context.atmosphere);
    BuildKernel(state.hBlurWidth, BlurDirection::Horizontal, c, context.sim);
    context.sim.physical.blurWidthX = exactFinishWidth(w, c, context.atmosphere);
}

void verticalBlurModel(CameraModelContext& context) {
    CameraState& state = context.camera;
    const CameraSet& c = state.set;
    if (c.hBlurMode < 3) {
        state.vBlurWidth = state.hBlurWidth;
        BuildKernel(state.vBlurWidth, BlurDirection::Vertical, c, context.sim);
        context.sim.physical.blurWidthY = context.sim.physical.blurWidthX;
        return;
    }
    const OpticsCase oc = opticsCase(c);
    const bool alternative = oc == OpticsCase::Alternative;
    if (oc == OpticsCase::None || c.hBlurMode > 4) {
        BuildKernel(state.vBlurWidth, BlurDirection::Vertical, c, context.sim);
        return;
    }
    double w =
        c.hBlurMode == 3 ? blockValue(c, 0, oc) : blockValue(c, alternative || c.blurDivisorSet == 0 ? 2 : 4, oc);
    if (alternative)
        w /= c.opticalZoom;
    state.vBlurWidth = finishWidth(w, c, context.atmosphere);
    BuildKernel(state.vBlurWidth, BlurDirection::Vertical, c, context.sim);
    context.sim.physical.blurWidthY = exactFinishWidth(w, c, context.atmosphere);
}

void RefreshCameraModel(CameraModelContext& context) {
    CameraState& state = context.camera;
    const CameraSet& c = state.set;
    SimState& sim = context.sim;
    state.tables.currentSpectralResponseIndex = c.spectralResponseIndex != 0 ? 1 : 0;
    horizontalBlurModel(context);
    verticalBlurModel(context);
    BuildNoiseTable(c, state.tables.currentSpectralResponse(), sim, context.random);
    sim.physical.noiseSigma = physicalNoiseSigma(c, state.tables.currentSpectralResponse());

    const PointList& response = state.tables.currentSpectralResponse();
    auto signal = [&](float celsius) { return modelSignal(sim.imageModel, response, celsius, sceneIntegrationStep); };
    sim.signalMin = signal(c.tempMin);
    sim.signalMax = signal(c.tempMax);
    sim.contrastSignalMin = signal(c.contrastMin);
    sim.contrastSignalMax = signal(c.contrastMax);
    sim.levelSignalMin = signal(c.levelMin);
    sim.levelSignalMax = signal(c.levelMax);
    sim.backgroundSignal = static_cast<float>(signal(c.backgroundTemperature));
    sim.windowLow = sim.signalMin;
    sim.windowHigh = sim.signalMax;

    PointList& table = state.tables.signalTable;
    table.vertices.clear();
    const int count = truncToInt((static_cast<double>(c.tempMax) - c.tempMin) * 10.0) + 1;
    if (count > 0 && count <= 10'000'000) {
        table.vertices.reserve(static_cast<std::size_t>(count) * 2);
        for (int i = 0; i < count; ++i) {
            float x = c.tempMin + static_cast<float>(i) * signalTableStep;
            table.vertices.push_back(x);
            table.vertices.push_back(static_cast<float>(signal(x) * signalTableScale));
        }
    }
}

void activateCameraModel(CameraModelContext& context) {
    CameraSet& c = context.camera.set;
    DetectorFormat format = activatedFormat(c);
    c.sensorWidth = format.width;
    c.sensorHeight = format.height;
    if (c.hBlurMode == 2) {
        const PointList& curve = c.altOptics != 0 ? context.camera.tables.mrtdAltH : context.camera.tables.mrtdWideH;
        if (!curve.empty())
            c.netd = curve.y(0);
        c.reserved18 = {90, 31, 31};
        c.frameNoise = {90, 31, 31};
        c.defectLocal1 = c.netd;
    }
    RefreshCameraModel(context);
}

void buildStartupKernels(CameraModelContext& context) {
    CameraState& state = context.camera;
    if (state.set.hBlurMode != 0)
        BuildKernel(state.hBlurWidth, BlurDirection::Horizontal, state.set, context.sim);
    else
        horizontalBlurModel(context);
    if (state.set.vBlurMode != 0)
        BuildKernel(state.vBlurWidth, BlurDirection::Vertical, state.set, context.sim);
    else
        verticalBlurModel(context);
}
