#include "measurement/fidelity_report.h"

#include "camera/detector_format.h"
#include "sim/display.h"
#include "sim/image_model_behaviour.h"
#include "sim/in_band_exitance.h"
#include "sim/physical_noise.h"
#include "sim/physical_radiometry.h"
#include "sim/render.h"
#include "sim/truncated_pi.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

namespace {

// Physical radiation constants (W·µm⁴/cm², µm·K), independent of the bench's own.
constexpr double physicalC1 = 2.0 * M_PI * 6.62607015e-34 * 2.99792458e8 * 2.99792458e8 * 1e24 / 1e4;
constexpr double physicalC2 = 6.62607015e-34 * 2.99792458e8 / 1.380649e-23 * 1e6;
// Wavelength step of the independent integration, in µm.
constexpr double fineStep = 0.0005;
// Temperature difference of the modulation renders, in K: well inside every camera's range.
constexpr double modulationDifference = 1.0;
// Frames averaged for the noise measurement.
constexpr int noiseFrames = 10;
// The display window for the noise measurement: this many grey levels per standard deviation.
constexpr double greyPerSigma = 20.0;

// ∫ erf(u) du
double erfIntegral(double u) {
    return u * std::erf(u) + std::exp(-u * u) / std::sqrt(M_PI);
}

// A bar [a, b] blurred by a Gaussian and averaged over a box of width w centred on x.
double blurredBar(double a, double b, double x, double sigma, double w) {
    if (sigma <= 1e-12) {
        if (w <= 1e-12)
            return x >= a && x <= b ? 1.0 : 0.0;
        double overlap = std::min(b, x + w / 2) - std::max(a, x - w / 2);
        return std::max(0.0, overlap) / w;
    }
    const double s = std::sqrt(2.0) * sigma;
    if (w <= 1e-12)
        return 0.5 * (std::erf((b - x) / s) - std::erf((a - x) / s));
    // (1/w) ∫_{x-w/2}^{x+w/2} ½ [erf((b - t)/s) - erf((a - t)/s)] dt
    auto part = [&](double edge) {
        return erfIntegral((edge - (x - w / 2)) / s) - erfIntegral((edge - (x + w / 2)) / s);
    };
    return 0.5 * s / w * (part(b) - part(a));
}

std::string format(const char* pattern, double v) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

} // namespace

double blurredPatternAt(const std::vector<Interval>& bars, double x, double sigma, double aperture) {
    double v = 0.0;
    for (const Interval& bar : bars)
        v += blurredBar(bar.low, bar.high, x, sigma, aperture);
    return v;
}

double predictedModulation(const BarPattern& p, double sigma, double aperture) {
    double bars = 0.0, gaps = 0.0;
    for (const Interval& bar : p.bars)
        bars += blurredPatternAt(p.bars, p.centreOfColumn(p.columnAt(bar.centre())), sigma, aperture);
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k)
        gaps += blurredPatternAt(p.bars, p.centreOfColumn(p.columnAt(p.gaps[k].centre())), sigma, aperture);
    return bars / p.bars.size() - gaps / (p.gaps.size() - 2);
}

double coltmanModulation(double f, double sigma, double aperture) {
    auto mtf = [&](double v) {
        const double x = M_PI * v * aperture;
        const double sinc = x == 0.0 ? 1.0 : std::sin(x) / x;
        return std::exp(-2.0 * M_PI * M_PI * sigma * sigma * v * v) * sinc;
    };
    // A pattern of bars 1 and gaps 0 is 1/2 plus (2/π) Σ (-1)^j cos((2j+1) 2π f x) / (2j+1); each
    // harmonic passes with the transfer at its frequency, and bar centre minus gap centre doubles it.
    double sum = 0.0;
    for (int j = 0; j < 2000; ++j) {
        const int k = 2 * j + 1;
        sum += (j % 2 == 0 ? 1.0 : -1.0) * mtf(k * f) / k;
    }
    return 4.0 / M_PI * sum;
}

double independentExitance(const PointList& response, double celsius, bool physicalConstants) {
    if (response.vertexCount() < 2)
        return 0.0;
    const double t = celsius + absoluteZeroOffset;
    const double l0 = response.x(0), l1 = response.x(response.vertexCount() - 1);
    const int n = 2 * static_cast<int>(std::ceil((l1 - l0) / fineStep / 2.0));
    const double h = (l1 - l0) / n;
    auto m = [&](double l) {
        // The response at a wavelength, linear between its points.
        int j = 1;
        while (j < response.vertexCount() - 1 && response.x(j) < l)
            ++j;
        const double x0 = response.x(j - 1), x1 = response.x(j);
        const double r =
            response.y(j - 1) + (l - x0) / (x1 - x0) * (static_cast<double>(response.y(j)) - response.y(j - 1));
        if (physicalConstants)
            return r * physicalC1 / (std::pow(l, 5) * std::expm1(physicalC2 / (l * t)));
        return r * planckC1 / (std::pow(l, 5) * std::expm1(std::log(exponentialBase) * planckC2 / (l * t)));
    };
    double sum = m(l0) + m(l1);
    for (int k = 1; k < n; ++k)
        sum += (k % 2 ? 4.0 : 2.0) * m(l0 + k * h);
    return sum * h / 3.0;
}

std::vector<FidelityRow> fidelityReport(BenchConsole& console) {
    BenchState& state = console.state();
    CameraSet& camera = state.camera.set;
    std::vector<FidelityRow> rows;

    // (1) Modulation of the rendered pattern against the blurred four-bar profile.
    const double ifov = 2.0 * std::tan(camera.fovCurrentH * truncatedPi / 360.0) / camera.opticalZoom /
                        zoomedPixels(camera.sensorWidth, camera.electronicZoom) * 1000.0;
    for (int i = 0; i < frequencyCount; ++i) {
        console.selectFrequency(i);
        console.onTemperatureSlider(BenchConsole::sliderPositionOf(modulationDifference));
        const BarPattern p = findBarPattern(state);
        if (!p.valid())
            continue;
        const SimState& sim = state.sim;
        const int row = (p.rowLow + p.rowHigh) / 2;
        auto signalAt = [&](double x) {
            const int column = std::clamp(p.columnAt(x), 0, sim.imageWidth - 1);
            return static_cast<double>(sim.sceneImage[static_cast<std::size_t>(row) * sim.imageWidth + column]);
        };
        double bars = 0.0, gaps = 0.0;
        for (const Interval& bar : p.bars)
            bars += signalAt(bar.centre());
        for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k)
            gaps += signalAt(p.gaps[k].centre());
        const double full =
            state.target.items[static_cast<std::size_t>(state.target.distanceOrder.front())].renderTemperature -
            static_cast<double>(sim.backgroundSignal);
        const double measured = (bars / p.bars.size() - gaps / (p.gaps.size() - 2)) / full;
        // In milliradians: projected tangents times 1000.
        BarPattern mrad = p;
        for (Interval& v : mrad.bars)
            v = {v.low * 1000.0, v.high * 1000.0};
        for (Interval& v : mrad.gaps)
            v = {v.low * 1000.0, v.high * 1000.0};
        mrad.originX *= 1000.0;
        mrad.pitchX *= 1000.0;
        const double f = frequencyChoices[static_cast<std::size_t>(i)].frequency;
        const std::string label = format("modulation at %.1f cycles/mrad", f);
        rows.push_back({label, measured, predictedModulation(mrad, state.camera.hBlurWidth, ifov)});
        rows.push_back(
            {label + ", endless pattern (Coltman)", measured, coltmanModulation(f, state.camera.hBlurWidth, ifov)});
    }

    // (2) Frame noise in grey levels on a flat scene, the window set so that nothing saturates.
    console.selectFrequency(0);
    const double sigma = state.sim.lastNoiseSigma;
    const double pixelShare = 0.01 * std::sqrt(static_cast<double>(camera.frameNoise[0]) * camera.frameNoise[0] +
                                               static_cast<double>(camera.frameNoise[1]) * camera.frameNoise[1] +
                                               static_cast<double>(camera.frameNoise[2]) * camera.frameNoise[2]);
    if (sigma > 0.0 && pixelShare > 0.0) {
        SimState& sim = state.sim;
        const double window = 256.0 * sigma * pixelShare / greyPerSigma;
        sim.windowLow = sim.backgroundSignal - window / 2;
        sim.windowHigh = sim.backgroundSignal + window / 2;
        // Nothing but the background, on an empty target: the bench's own target stays as it was.
        Target background;
        console.renderCameraView(background);
        double sum = 0.0, squares = 0.0;
        long long count = 0;
        std::vector<std::uint8_t> frame;
        const std::size_t pixels = static_cast<std::size_t>(sim.imageWidth) * sim.imageHeight;
        for (int k = 0; k < noiseFrames; ++k) {
            BuildViewFrame(sim, camera, state.random, frame);
            for (std::size_t j = 0; j < pixels; ++j) {
                const double d = static_cast<double>(frame[j]) - sim.displayImage[3 * j];
                sum += d;
                squares += d * d;
                ++count;
            }
        }
        const double measured = std::sqrt(squares / count - (sum / count) * (sum / count));
        rows.push_back({"frame noise, grey levels", measured, greyPerSigma});
    }

    // (3) In-band signals against an independent integration over the same response.
    const PointList& response = state.camera.tables.currentSpectralResponse();
    for (double t : {static_cast<double>(camera.tempMin), 0.0, static_cast<double>(camera.tm),
                     static_cast<double>(camera.tempMax)}) {
        const double bench = signalOfTemperature(response, t);
        rows.push_back(
            {format("in-band exitance at %.1f C, W/cm2", t), bench, independentExitance(response, t, false)});
        rows.push_back({"  the same with physical constants and e", bench, independentExitance(response, t, true)});
    }
    return rows;
}

namespace {

// In-place radix-2 transform of n = 2^k values spaced stride apart.
void fft(std::complex<double>* data, int n, int stride, bool inverse) {
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i * stride], data[j * stride]);
    }
    for (int length = 2; length <= n; length <<= 1) {
        const double angle = (inverse ? 2.0 : -2.0) * M_PI / length;
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (int i = 0; i < n; i += length) {
            std::complex<double> w(1.0, 0.0);
            for (int k = 0; k < length / 2; ++k) {
                std::complex<double>& a = data[(i + k) * stride];
                std::complex<double>& b = data[(i + k + length / 2) * stride];
                const std::complex<double> t = b * w;
                b = a - t;
                a += t;
                w *= step;
            }
        }
    }
}

int powerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 != 0 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0);
}

// Planck's law with the SI constants, e and 273.15, by Simpson's rule in steps of fineStep.
double referenceExitance(const PointList& response, double celsius) {
    if (response.vertexCount() < 2)
        return 0.0;
    const double t = celsius + kelvinOffset;
    const double l0 = response.x(0), l1 = response.x(response.vertexCount() - 1);
    const int n = 2 * static_cast<int>(std::ceil((l1 - l0) / fineStep / 2.0));
    const double h = (l1 - l0) / n;
    auto m = [&](double l) {
        int j = 1;
        while (j < response.vertexCount() - 1 && response.x(j) < l)
            ++j;
        const double x0 = response.x(j - 1), x1 = response.x(j);
        const double r = x1 > x0 ? response.y(j - 1) +
                                       (l - x0) / (x1 - x0) * (static_cast<double>(response.y(j)) - response.y(j - 1))
                                 : response.y(j);
        return r * physicalC1 / (std::pow(l, 5) * std::expm1(physicalC2 / (l * t)));
    };
    double sum = m(l0) + m(l1);
    for (int k = 1; k < n; ++k)
        sum += (k % 2 ? 4.0 : 2.0) * m(l0 + k * h);
    return sum * h / 3.0;
}

struct PhaseReading {
    double modulation = 0.0, predicted = 0.0;
    double weakest = 0.0, predictedWeakest = 0.0;
    double largestError = 0.0;
};

// Reads the sensor image of the current render against the exact prediction.
PhaseReading readPhase(const BenchState& state) {
    PhaseReading r;
    const SimState& sim = state.sim;
    const BarPattern p = findBarPattern(state);
    if (!p.valid() || sim.imageWidth <= 0 || sim.imageHeight <= 0)
        return r;
    const RenderGeometry g = computeRenderGeometry(state.camera.set, sim, RenderMode::CameraView, false);
    const double originY = -g.halfY + g.centreY;
    const double sigmaX = sim.physical.blurWidthX * 1e-3, sigmaY = sim.physical.blurWidthY * 1e-3;
    struct Bar {
        double x0, x1, y0, y1;
    };
    std::vector<Bar> bars;
    double barSignal = 0.0;
    for (const TargetItem& item : state.target.items) {
        if (!item.shown || !item.hasShape())
            continue;
        bars.push_back({item.screenBounds[0], item.screenBounds[1], item.screenBounds[2], item.screenBounds[3]});
        barSignal = item.renderTemperature;
    }
    const double background = sim.backgroundSignal;
    const double contrast = barSignal - background;
    const int w = sim.imageWidth, h = sim.imageHeight;
    // The prediction is separable bar by bar: a column profile times a row profile.
    std::vector<double> across(bars.size() * static_cast<std::size_t>(w)),
        along(bars.size() * static_cast<std::size_t>(h));
    for (std::size_t b = 0; b < bars.size(); ++b) {
        for (int i = 0; i < w; ++i)
            across[b * w + i] = blurredBar(bars[b].x0, bars[b].x1, p.centreOfColumn(i), sigmaX, p.pitchX);
        for (int j = 0; j < h; ++j)
            along[b * h + j] = blurredBar(bars[b].y0, bars[b].y1, originY + (j + 0.5) * g.pitchY, sigmaY, g.pitchY);
    }
    auto predictedAt = [&](int i, int j) {
        double v = 0.0;
        for (std::size_t b = 0; b < bars.size(); ++b)
            v += across[b * w + i] * along[b * h + j];
        return v; // in shares of the contrast, above the background
    };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const double image = (sim.sceneImage[static_cast<std::size_t>(j) * w + i] - background) / contrast;
            r.largestError = std::max(r.largestError, std::fabs(image - predictedAt(i, j)));
        }
    const int row = std::clamp((p.rowLow + p.rowHigh) / 2, 0, h - 1);
    auto imageAt = [&](double x) {
        const int column = std::clamp(p.columnAt(x), 0, w - 1);
        return (sim.sceneImage[static_cast<std::size_t>(row) * w + column] - background) / contrast;
    };
    auto predictionAt = [&](double x) { return predictedAt(std::clamp(p.columnAt(x), 0, w - 1), row); };
    double bar = 0.0, gap = 0.0, barP = 0.0, gapP = 0.0;
    for (const Interval& b : p.bars) {
        bar += imageAt(b.centre());
        barP += predictionAt(b.centre());
    }
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k) {
        gap += imageAt(p.gaps[k].centre());
        gapP += predictionAt(p.gaps[k].centre());
    }
    const double inner = static_cast<double>(p.gaps.size() - 2);
    r.modulation = bar / p.bars.size() - gap / inner;
    r.predicted = barP / p.bars.size() - gapP / inner;
    r.weakest = r.predictedWeakest = 1e300;
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k) {
        const double g0 = imageAt(p.gaps[k].centre()), g0P = predictionAt(p.gaps[k].centre());
        for (const Interval* b : {&p.bars[k - 1], &p.bars[k]}) {
            r.weakest = std::min(r.weakest, imageAt(b->centre()) - g0);
            r.predictedWeakest = std::min(r.predictedWeakest, predictionAt(b->centre()) - g0P);
        }
    }
    return r;
}

} // namespace

double largestAutocorrelation(const std::vector<double>& image, int width, int height, int& lagX, int& lagY) {
    lagX = lagY = 0;
    if (width < 2 || height < 2)
        return 0.0;
    const int pw = powerOfTwoAtLeast(width + width / 2 + 1), ph = powerOfTwoAtLeast(height + height / 2 + 1);
    std::vector<std::complex<double>> f(static_cast<std::size_t>(pw) * ph);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            f[static_cast<std::size_t>(j) * pw + i] = image[static_cast<std::size_t>(j) * width + i];
    for (int j = 0; j < ph; ++j)
        fft(&f[static_cast<std::size_t>(j) * pw], pw, 1, false);
    for (int i = 0; i < pw; ++i)
        fft(&f[static_cast<std::size_t>(i)], ph, pw, false);
    for (auto& v : f)
        v = std::norm(v);
    for (int j = 0; j < ph; ++j)
        fft(&f[static_cast<std::size_t>(j) * pw], pw, 1, true);
    for (int i = 0; i < pw; ++i)
        fft(&f[static_cast<std::size_t>(i)], ph, pw, true);
    const double zero = f[0].real() / (static_cast<double>(width) * height);
    if (!(zero > 0.0))
        return 0.0;
    double largest = 0.0;
    for (int dy = -height / 2; dy <= height / 2; ++dy)
        for (int dx = -width / 2; dx <= width / 2; ++dx) {
            if (dx == 0 && dy == 0)
                continue;
            const std::size_t at =
                static_cast<std::size_t>((dy + ph) % ph) * pw + static_cast<std::size_t>((dx + pw) % pw);
            const double overlap = static_cast<double>(width - std::abs(dx)) * (height - std::abs(dy));
            const double rho = f[at].real() / overlap / zero;
            if (std::fabs(rho) > std::fabs(largest)) {
                largest = rho;
                lagX = dx;
                lagY = dy;
            }
        }
    return largest;
}

ModelFidelity modelFidelityReport(BenchConsole& console, int phases) {
    BenchState& state = console.state();
    const CameraSet& camera = state.camera.set;
    const PointList& response = state.camera.tables.currentSpectralResponse();
    ModelFidelity report;
    report.model = state.sim.imageModel;
    console.setRandomisePosition(false);

    // (1) Modulation and every pixel against the exact prediction, at each frequency and phase.
    const RenderGeometry g = computeRenderGeometry(camera, state.sim, RenderMode::CameraView, false);
    const double nyquist = 1.0 / (2.0 * g.pitchX * 1000.0);
    for (int i = 0; i < frequencyCount; ++i) {
        console.selectFrequency(i);
        console.onTemperatureSlider(BenchConsole::sliderPositionOf(modulationDifference));
        FrequencyFidelity row;
        row.frequency = frequencyChoices[static_cast<std::size_t>(i)].frequency;
        row.nyquistShare = row.frequency / nyquist;
        std::vector<double> measured, predicted, ratio;
        row.weakestPair = row.predictedWeakestPair = 1e300;
        for (int k = 0; k < phases; ++k) {
            // Phases spread evenly across a pixel, the rows' phase stepping through it in another order.
            console.setTargetPhase(static_cast<double>(k) / phases, static_cast<double>((k * 7) % phases) / phases);
            const PhaseReading r = readPhase(state);
            measured.push_back(r.modulation);
            predicted.push_back(r.predicted);
            ratio.push_back(r.predicted != 0.0 ? r.modulation / r.predicted : 0.0);
            row.largestPixelError = std::max(row.largestPixelError, r.largestError);
            row.weakestPair = std::min(row.weakestPair, r.weakest);
            row.predictedWeakestPair = std::min(row.predictedWeakestPair, r.predictedWeakest);
            if (r.weakest < 0.0) {
                ++row.reversedPhases;
                if (r.predictedWeakest >= resolvablePairContrast)
                    ++row.unexpectedReversals;
            }
        }
        auto spread = [](const std::vector<double>& v) {
            return std::array<double, 3>{*std::min_element(v.begin(), v.end()), median(v),
                                         *std::max_element(v.begin(), v.end())};
        };
        if (!measured.empty()) {
            row.modulation = spread(measured);
            row.predicted = spread(predicted);
            row.ratio = spread(ratio);
        }
        report.frequencies.push_back(row);
    }

    // (2) Per-pixel temporal noise on a flat scene at the background temperature.
    console.selectFrequency(0);
    SimState& sim = state.sim;
    NoiseFidelity& noise = report.noise;
    noise.sceneCelsius = camera.backgroundTemperature;
    noise.fileNetd = camera.netd;
    const double slope = physicalSignalSlope(response, camera.backgroundTemperature);
    noise.modelNetd = camera.frameNoise[0] * 0.01 * physicalNoiseSigma(camera, response) / slope;
    const double sigma = imageModelBehaviour(sim.imageModel).noiseSigma(sim);
    const double share = 0.01 * std::sqrt(static_cast<double>(camera.frameNoise[0]) * camera.frameNoise[0] +
                                          static_cast<double>(camera.frameNoise[1]) * camera.frameNoise[1] +
                                          static_cast<double>(camera.frameNoise[2]) * camera.frameNoise[2]);
    if (sigma > 0.0 && share > 0.0 && slope > 0.0) {
        // Ten grey levels for the whole frame noise: far from both ends of the byte range.
        const double window = 256.0 * sigma * share / 10.0;
        // The flat scene is the bench's own with its items lifted off for the measurement, then put back.
        Target kept = state.target;
        state.target.items.clear();
        state.target.distanceOrder.clear();
        console.updateScene();
        sim.windowLow = sim.backgroundSignal - window / 2;
        sim.windowHigh = sim.backgroundSignal + window / 2;
        console.redrawView();
        const int w = sim.imageWidth, h = sim.imageHeight;
        const std::size_t pixels = static_cast<std::size_t>(w) * h;
        std::vector<std::uint8_t> frame;
        std::vector<double> residual(pixels);
        double squares = 0.0;
        long long count = 0;
        constexpr int frames = 4;
        for (int f = 0; f < frames; ++f) {
            BuildViewFrame(sim, camera, state.random, frame);
            // Row and column means out: what is left is the per-pixel part.
            std::vector<double> rowMean(static_cast<std::size_t>(h)), columnMean(static_cast<std::size_t>(w));
            double all = 0.0;
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    const std::size_t at = static_cast<std::size_t>(j) * w + i;
                    const double d = static_cast<double>(frame[at]) - sim.displayImage[3 * at];
                    residual[at] = d;
                    rowMean[static_cast<std::size_t>(j)] += d / w;
                    columnMean[static_cast<std::size_t>(i)] += d / h;
                    all += d / static_cast<double>(pixels);
                }
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    double& d = residual[static_cast<std::size_t>(j) * w + i];
                    d -= rowMean[static_cast<std::size_t>(j)] + columnMean[static_cast<std::size_t>(i)] - all;
                    squares += d * d;
                    ++count;
                }
            if (f == 0)
                noise.largestAutocorrelation = largestAutocorrelation(residual, w, h, noise.lagX, noise.lagY);
        }
        // Taking out the means also takes (1 - 1/w)(1 - 1/h) of independent pixels' variance.
        const double variance = squares / count / ((1.0 - 1.0 / w) * (1.0 - 1.0 / h));
        const double greyPerSignal = 256.0 / (sim.windowHigh - sim.windowLow);
        noise.measuredNetd = std::sqrt(variance) / greyPerSignal / slope;
        state.target = std::move(kept);
    }

    // (3) The model's in-band signals against Planck's law with the SI constants and 273.15.
    for (double t : {static_cast<double>(camera.tempMin), 0.0, static_cast<double>(camera.tm),
                     static_cast<double>(camera.tempMax)})
        report.exitance.push_back(
            {t, modelSignal(report.model, response, t, sceneIntegrationStep), referenceExitance(response, t)});
    return report;
}
