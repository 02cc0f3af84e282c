#include "measurement/model_observer.h"

#include "camera/mrtd_curve.h"
#include "console/statistics.h"
#include "measurement/bar_pattern.h"
#include "measurement/eye_contrast_threshold.h"
#include "sim/display.h"
#include "sim/display_zoom.h"
#include "sim/image_model_behaviour.h"
#include "sim/in_band_exitance.h"
#include "sim/physical_noise.h"
#include "sim/physical_radiometry.h"
#include "sim/rasterizer.h"
#include "sim/truncate.h"
#include "text/messages.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <numbers>
#include <sstream>
#include <thread>

namespace {

// The largest temperature difference the grid reaches, kelvin.
constexpr double rangeLimit = temperatureGridLimit;

// splitmix64: turns (seed, repeat, frequency) into well-spread, independent streams.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double unitOf(std::uint64_t bits) {
    return static_cast<double>(bits >> 11) * 0x1.0p-53;
}

// The frames the eye integrates at the camera's frame rate; two at least, so that the temporal
// noise can be told from the image.
int integratedFrames(double frameRate, double integrationTime) {
    return std::max(2, truncToInt(integrationTime * frameRate + 0.5));
}

class DiscardMessages : public MessageSink {
public:
    void message(const std::string&) override {}
};

} // namespace

double BarContrast::snr() const {
    if (standardError > 0.0)
        return contrast / standardError;
    if (contrast == 0.0)
        return 0.0;
    return contrast > 0.0 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
}

BarFrameStatistics::BarFrameStatistics(std::vector<std::vector<int>> barColumns,
                                       std::vector<std::vector<int>> gapColumns, int rowLow, int rowHigh,
                                       const std::array<double, 256>* transfer)
    : rowLow_(rowLow), rowHigh_(std::max(rowLow, rowHigh)) {
    for (int g = 0; g < 256; ++g)
        transfer_[static_cast<std::size_t>(g)] = transfer ? (*transfer)[static_cast<std::size_t>(g)] : g;
    std::vector<std::pair<int, char>> all;
    for (const auto& bar : barColumns)
        for (int c : bar)
            all.push_back({c, 1});
    for (const auto& gap : gapColumns)
        for (int c : gap)
            all.push_back({c, 0});
    // A column claimed by a bar and a gap (bars narrower than a pixel) counts as the bar's.
    std::sort(all.begin(), all.end(),
              [](auto& a, auto& b) { return a.first != b.first ? a.first < b.first : a.second > b.second; });
    for (const auto& [column, bar] : all) {
        if (!columns_.empty() && columns_.back() == column)
            continue;
        columns_.push_back(column);
        inBar_.push_back(bar);
    }
    const std::size_t pixels = columns_.size() * static_cast<std::size_t>(rowHigh_ - rowLow_ + 1);
    sum_.assign(pixels, 0.0);
    squares_.assign(pixels, 0.0);
}

void BarFrameStatistics::addFrame(const std::uint8_t* frame, int width, int height,
                                  const std::function<int(int)>& columnShift) {
    const int rows = rowHigh_ - rowLow_ + 1;
    const std::size_t columns = columns_.size();
    std::vector<double> columnMeans(columns, 0.0), rowMeans(static_cast<std::size_t>(rows), 0.0);
    double block = 0.0;
    std::vector<int> source(columns);
    for (std::size_t i = 0; i < columns; ++i) {
        const int c = columnShift ? columnShift(columns_[i]) : columns_[i];
        source[i] = std::clamp(c, 0, std::max(width - 1, 0));
    }
    for (int r = 0; r < rows; ++r) {
        const int row = std::clamp(rowLow_ + r, 0, std::max(height - 1, 0));
        const std::uint8_t* line = frame + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
        for (std::size_t i = 0; i < columns; ++i) {
            const double v = transfer_[line[source[i]]];
            const std::size_t k = static_cast<std::size_t>(r) * columns + i;
            sum_[k] += v;
            squares_[k] += v * v;
            columnMeans[i] += v;
            rowMeans[static_cast<std::size_t>(r)] += v;
            block += v;
        }
    }
    for (double& m : columnMeans)
        m /= rows;
    for (double& m : rowMeans)
        m /= static_cast<double>(columns);
    columnMeans_.push_back(std::move(columnMeans));
    rowMeans_.push_back(std::move(rowMeans));
    blockMeans_.push_back(block / (static_cast<double>(rows) * static_cast<double>(columns)));
    ++frames_;
}

BarContrast BarFrameStatistics::result() const {
    BarContrast out;
    out.frames = frames_;
    const std::size_t columns = columns_.size();
    const int rows = rowHigh_ - rowLow_ + 1;
    out.pixels = static_cast<int>(columns) * rows;
    if (frames_ == 0 || columns == 0)
        return out;
    const double F = frames_;
    const double nr = rows;
    const double nc = static_cast<double>(columns);

    // The contrast: each side's pixels averaged over the frames.
    double barSum = 0.0, gapSum = 0.0;
    std::size_t barColumns = 0, gapColumns = 0;
    for (std::size_t i = 0; i < columns; ++i)
        (inBar_[i] ? barColumns : gapColumns) += 1;
    double total = 0.0; // the temporal sum of squares about each pixel's own mean
    for (int r = 0; r < rows; ++r)
        for (std::size_t i = 0; i < columns; ++i) {
            const std::size_t k = static_cast<std::size_t>(r) * columns + i;
            (inBar_[i] ? barSum : gapSum) += sum_[k];
            total += squares_[k] - sum_[k] * sum_[k] / F;
        }
    if (barColumns == 0 || gapColumns == 0)
        return out;
    const double barMean = barSum / (F * nr * static_cast<double>(barColumns));
    const double gapMean = gapSum / (F * nr * static_cast<double>(gapColumns));
    out.contrast = barMean - gapMean;
    out.level = (barMean + gapMean) / 2;
    if (frames_ < 2)
        return out;

    // A three-way analysis of variance (frame × row × column) of the frames about each pixel's
    // temporal mean: what varies with the frame alone (flicker), with frame and row, with frame and
    // column, and what is left per pixel.
    double blockMean = 0.0;
    for (double g : blockMeans_)
        blockMean += g;
    blockMean /= F;
    double timeSquares = 0.0;
    for (double g : blockMeans_)
        timeSquares += (g - blockMean) * (g - blockMean);
    timeSquares *= nr * nc;
    auto interaction = [&](const std::vector<std::vector<double>>& means, std::size_t count) {
        double squares = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            double overFrames = 0.0;
            for (int t = 0; t < frames_; ++t)
                overFrames += means[static_cast<std::size_t>(t)][i];
            overFrames /= F;
            for (int t = 0; t < frames_; ++t) {
                const double d = means[static_cast<std::size_t>(t)][i] - overFrames -
                                 blockMeans_[static_cast<std::size_t>(t)] + blockMean;
                squares += d * d;
            }
        }
        return squares;
    };
    const double columnSquares = nr * interaction(columnMeans_, columns);
    const double rowSquares = nc * interaction(rowMeans_, static_cast<std::size_t>(rows));
    const double residual = std::max(0.0, total - columnSquares - rowSquares - timeSquares);
    const double residualDof = (F - 1) * (nr - 1) * (nc - 1);
    if (residualDof > 0) {
        out.noise.pixel = residual / residualDof;
        out.noise.column = std::max(0.0, (columnSquares / ((F - 1) * (nc - 1)) - out.noise.pixel) / nr);
        out.noise.row = std::max(0.0, (rowSquares / ((F - 1) * (nr - 1)) - out.noise.pixel) / nc);
    } else {
        // One row or one column: the components cannot be told apart, so all of it counts per pixel.
        const double dof = (F - 1) * (nr * nc - 1);
        out.noise.pixel = dof > 0 ? std::max(0.0, total - timeSquares) / dof : 0.0;
    }
    // Bars and gaps share their rows, so row noise drops out of the difference; each column's noise
    // is shared by all its rows, so it averages down over columns only.
    const double nb = static_cast<double>(barColumns), ng = static_cast<double>(gapColumns);
    const double variance =
        (out.noise.pixel * (1.0 / (nr * nb) + 1.0 / (nr * ng)) + out.noise.column * (1.0 / nb + 1.0 / ng)) / F;
    out.standardError = std::sqrt(variance);
    return out;
}

ObserverDecision judgeBars(BenchState& state, const ObserverSettings& settings) {
    const BarPattern p = findBarPattern(state, state.console.horizontalBars);
    ObserverDecision decision;
    if (!p.valid())
        return decision;
    // A bar or gap that no pixel centre falls in cannot be told from its neighbours, whatever the
    // difference: the pattern lies beyond what the sampling shows.
    auto ownColumns = [&p](const Interval& interval) {
        std::vector<int> columns = p.columnsIn(interval);
        const double centre = p.centreOfColumn(columns.front());
        return std::make_pair(columns, centre >= interval.low && centre <= interval.high);
    };
    std::vector<std::vector<int>> bars, gaps;
    for (const Interval& bar : p.bars) {
        auto [columns, sampled] = ownColumns(bar);
        if (!sampled)
            return decision;
        bars.push_back(std::move(columns));
    }
    // The gaps between the bars only: the background beside the outer bars would make a blurred
    // pattern, all one blob, stand out as if resolved.
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k) {
        auto [columns, sampled] = ownColumns(p.gaps[k]);
        if (!sampled)
            return decision;
        gaps.push_back(std::move(columns));
    }
    // The columns read, first and last, before any stretch of the presented frame.
    const int firstColumn = bars.front().front(), lastColumn = bars.back().back();
    // The human observer reads the screen's luminance; the ideal one the grey levels themselves.
    const bool human = settings.observer == ObserverKind::Human;
    const std::array<double, 256> luminance = settings.viewing.luminanceTable();
    BarFrameStatistics statistics(std::move(bars), std::move(gaps), p.rowLow, p.rowHigh, human ? &luminance : nullptr);

    const CameraSet& camera = state.camera.set;
    const int width = state.sim.imageWidth, height = state.sim.imageHeight;
    const int frames = integratedFrames(camera.frameRate, settings.integrationTime);
    const bool jitter = camera.jitterProbability > 0.0f;
    std::vector<std::uint8_t> frame, turned;
    for (int f = 0; f < frames; ++f) {
        // The view stretches a jittered frame from its first column and row: a column (row) of the
        // still image then shows the frame column (row) that lands there.
        PixelZoom zoom;
        FrameRegion region{0, width - 1, 0, height - 1};
        if (state.sim.imageModel == ImageModel::Physical) {
            // The physical model draws its noise over the block read alone, the most of a frame's
            // cost otherwise; the jitter comes first, as its stretch says which frame columns show.
            zoom = jitter ? applyJitter({}, camera, width, height, state.random) : PixelZoom{};
            const double stretch = p.transposed ? zoom.y : zoom.x;
            // Columns past the image read its edge, as BarFrameStatistics reads them.
            const int edge = (p.transposed ? height : width) - 1;
            const int low = std::clamp(truncToInt(std::floor((firstColumn + 0.5) / stretch)), 0, edge);
            const int high = std::clamp(truncToInt(std::floor((lastColumn + 0.5) / stretch)), 0, edge);
            region = p.transposed ? FrameRegion{p.rowLow, p.rowHigh, low, high}
                                  : FrameRegion{low, high, p.rowLow, p.rowHigh};
            buildPhysicalViewFrame(state.sim, camera, state.random.fresh(), frame, &region);
        } else {
            zoom = nextFrame(state, jitter, frame);
        }
        const double stretch = p.transposed ? zoom.y : zoom.x;
        const std::uint8_t* pixels = frame.data();
        int across = width, along = height;
        if (p.transposed) {
            // Horizontal bars are read across the rows of the frame turned about its diagonal; row
            // noise, shared along each row, then stays in the contrast as column noise does for
            // vertical bars.
            turned.resize(frame.size());
            for (int y = region.y0; y <= region.y1; ++y)
                for (int x = region.x0; x <= region.x1; ++x)
                    turned[static_cast<std::size_t>(x) * static_cast<std::size_t>(height) +
                           static_cast<std::size_t>(y)] =
                        frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                              static_cast<std::size_t>(x)];
            pixels = turned.data();
            std::swap(across, along);
        }
        if (stretch != 1.0)
            statistics.addFrame(pixels, across, along,
                                [stretch](int c) { return truncToInt(std::floor((c + 0.5) / stretch)); });
        else
            statistics.addFrame(pixels, across, along);
    }
    decision.contrast = statistics.result();
    // Hot bars are bright unless the camera shows hot as black.
    const double difference = state.console.temperatureDifference;
    const double sign = (difference >= 0.0 ? 1.0 : -1.0) * (camera.polarity ? -1.0 : 1.0);
    decision.snr = sign * decision.contrast.snr();
    decision.resolved = decision.snr >= settings.threshold();
    if (human && decision.resolved) {
        // The pattern's fundamental modulation from the bar-minus-gap difference (pi/4 of it over the
        // mean), against the eye's threshold at the frequency and luminance on the screen, raised by
        // the screen's noise over the eye's own. The ideal observer's threshold stays a floor: a
        // person never sees what the noise hides from the ideal observer.
        const BarContrast& c = decision.contrast;
        const PixelZoom view = presentationZoom(camera, state.sim.scales);
        const double across = settings.viewing.cameraPixelDegrees(p.transposed ? view.y : view.x);
        const double along = settings.viewing.cameraPixelDegrees(p.transposed ? view.x : view.y);
        const double cyclesPerPixel = p.pitchX / (p.bars[1].low - p.bars[0].low);
        const double u = cyclesPerPixel / across;
        decision.eyeThreshold = humanThresholdFactor * eyeThresholdModulation(u, c.level);
        const double toModulation = c.level > 0.0 ? std::numbers::pi / 4.0 / c.level : 0.0;
        const double modulation = sign * c.contrast * toModulation;
        const double noise = c.standardError * toModulation;
        const double density = eyeNoiseDensity(noise, frames / camera.frameRate, c.pixels * across * along);
        decision.resolved = modulation >= settings.threshold() * noise &&
                            modulation >= decision.eyeThreshold * std::hypot(1.0, eyeNoiseFactor * density);
    }
    return decision;
}

const char* observerName(ObserverKind kind) {
    return kind == ObserverKind::Ideal ? "ideal" : "human";
}

std::optional<ObserverKind> observerNamed(const std::string& name) {
    for (ObserverKind kind : {ObserverKind::Ideal, ObserverKind::Human})
        if (name == observerName(kind))
            return kind;
    return std::nullopt;
}

ObserverSettings shownObserverSettings(const Bench& bench, ObserverSettings settings) {
    settings.viewing.magnification = bench.magnifier();
    settings.displayWindow = bench.automaticDisplay() ? std::nullopt : std::optional(bench.levelContrast());
    return settings;
}

std::string observerViewing(const ObserverSettings& settings) {
    std::ostringstream text;
    if (settings.observer == ObserverKind::Ideal) {
        text << "ideal observer (noise-limited, grey levels)";
        return text.str();
    }
    const ScreenViewing& v = settings.viewing;
    text << "human observer (Barten eye, " << v.peakLuminance << " cd/m2 display, gamma " << displayGamma << ", "
         << v.screenPixel << " mm pixels at " << v.distance << " m, magnifier " << v.magnification << ", ";
    if (settings.displayWindow)
        text << "level " << settings.displayWindow->level << ", contrast " << settings.displayWindow->contrast << ")";
    else
        text << "automatic level and contrast)";
    return text.str();
}

const char* outcomeText(ObserverOutcome outcome) {
    switch (outcome) {
    case ObserverOutcome::Resolved:
        return "resolved";
    case ObserverOutcome::NotResolved:
        return "not resolved";
    case ObserverOutcome::CutAtRange:
        return "cut at the range";
    }
    return "";
}

namespace {

// The grid outwards from 0: coarse steps of ten until the bars are resolved, then single steps over
// the last coarse one.
HalfResult gridHalf(Bench& console, const ObserverSettings& settings, int direction, const std::atomic<bool>* cancel) {
    auto resolvedAt = [&](int steps) {
        console.setTemperatureOnGrid(direction * steps / temperatureGridStepsPerKelvin);
        return judgeBars(console.state(), settings).resolved;
    };
    const int last = temperatureGridSteps;
    constexpr int coarse = 10;
    int previous = 0;
    for (int steps = coarse; steps <= last; steps += coarse) {
        if (cancel && *cancel)
            return {};
        if (resolvedAt(steps)) {
            int found = steps;
            for (int fine = previous + 1; fine < steps; ++fine)
                if (resolvedAt(fine)) {
                    found = fine;
                    break;
                }
            // The first step, or the last, says only that the threshold lies beyond the grid.
            const bool cut = found == 1 || found == last;
            return {cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved,
                    direction * found / temperatureGridStepsPerKelvin};
        }
        previous = steps;
    }
    return {};
}

// The smallest difference that resolves the bars, searched on the difference itself: doubling or
// halving from a guess until the threshold is bracketed, then bisection to the resolution. linear,
// when given, shows each difference without rendering.
HalfResult continuousHalf(Bench& console, LinearSensorImage* linear, const ObserverSettings& settings, int direction,
                          double guess, const std::atomic<bool>* cancel) {
    auto resolvedAt = [&](double kelvin) {
        if (linear)
            linear->show(direction * kelvin);
        else
            console.setTemperatureDifference(direction * kelvin);
        return judgeBars(console.state(), settings).resolved;
    };
    const double floor = settings.resolution;
    double low, high;
    guess = std::clamp(guess, 2.0 * floor, rangeLimit);
    if (resolvedAt(guess)) {
        high = guess;
        low = guess / 2;
        while (true) {
            if (cancel && *cancel)
                return {};
            if (low <= floor)
                return {ObserverOutcome::CutAtRange, direction * high};
            if (!resolvedAt(low))
                break;
            high = low;
            low /= 2;
        }
    } else {
        low = guess;
        high = std::min(2 * guess, rangeLimit);
        while (true) {
            if (cancel && *cancel)
                return {};
            if (resolvedAt(high))
                break;
            if (high >= rangeLimit)
                return {};
            low = high;
            high = std::min(2 * high, rangeLimit);
        }
    }
    while (high - low > floor) {
        if (cancel && *cancel)
            return {};
        const double middle = (low + high) / 2;
        (resolvedAt(middle) ? high : low) = middle;
    }
    const bool cut = high >= rangeLimit - floor;
    return {cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved, direction * high};
}

} // namespace

LinearSensorImage::LinearSensorImage(Bench& console) : console_(console) {
    console_.setTemperatureDifference(1.0);
    const std::vector<float> atStep = console_.state().sim.sceneImage;
    stepSignal_ = barSignal(1.0);
    console_.setTemperatureDifference(0.0);
    none_ = console_.state().sim.sceneImage;
    noneSignal_ = barSignal(0.0);
    // Most pixels never see the bars; each trial writes only those that do.
    for (std::size_t k = 0; k < atStep.size() && k < none_.size(); ++k)
        if (atStep[k] != none_[k]) {
            reached_.push_back(k);
            step_.push_back(atStep[k] - none_[k]);
        }
}

double LinearSensorImage::barSignal(double kelvin) const {
    const BenchState& s = console_.state();
    // The difference as the console holds it, a float, as the render reads it.
    const double difference = static_cast<float>(kelvin);
    return modelSignal(s.sim.imageModel, s.camera.tables.currentSpectralResponse(),
                       static_cast<double>(s.camera.set.backgroundTemperature) + difference, sceneIntegrationStep);
}

void LinearSensorImage::show(double kelvin) {
    BenchState& s = console_.state();
    s.console.temperatureDifference = static_cast<float>(kelvin);
    const double perStep =
        stepSignal_ != noneSignal_ ? (barSignal(kelvin) - noneSignal_) / (stepSignal_ - noneSignal_) : 0.0;
    const auto w = static_cast<float>(perStep);
    std::vector<float>& image = s.sim.sceneImage;
    if (image.size() != none_.size())
        image = none_;
    for (std::size_t i = 0; i < reached_.size(); ++i)
        image[reached_[i]] = none_[reached_[i]] + w * step_[i];
    console_.autoLevelContrast();
}

RepeatResult measureRepeat(BenchState& state, const ObserverSettings& settings, int frequencyIndex, int repeat,
                           const std::atomic<bool>* cancel) {
    RepeatResult result;
    const std::uint64_t stream = mix(
        mix(settings.seed) ^ mix(static_cast<std::uint64_t>(repeat) * 64 + static_cast<std::uint64_t>(frequencyIndex)));
    state.random.seed(static_cast<std::uint32_t>(stream));
    result.phaseX = unitOf(mix(stream + 1));
    result.phaseY = unitOf(mix(stream + 2));

    DiscardMessages messages;
    Bench console(state, messages);
    if (settings.displayWindow)
        console.setDisplayWindow(settings.displayWindow->level, settings.displayWindow->contrast);
    console.selectFrequency(frequencyIndex);
    console.setTargetPhase(result.phaseX, result.phaseY);

    const double f = frequencyChoices[static_cast<std::size_t>(frequencyIndex)].frequency;
    if (settings.grid) {
        result.plus = gridHalf(console, settings, 1, cancel);
        result.minus = gridHalf(console, settings, -1, cancel);
    } else {
        // The classic formula is a good first guess; the other half starts where the first ended.
        const ClassicTerms terms = classicTerms(state);
        const double classic = settings.observer == ObserverKind::Human
                                   ? classicHumanMrtd(terms, displayTerms(state, settings.viewing), settings.viewing, f,
                                                      settings.thresholdSnr, settings.integrationTime)
                                   : classicMrtd(terms, f, settings.thresholdSnr, settings.integrationTime);
        // The physical model's frames read the signal itself, so two renders serve the whole search.
        std::optional<LinearSensorImage> linear;
        if (state.sim.imageModel == ImageModel::Physical)
            linear.emplace(console);
        LinearSensorImage* shown = linear ? &*linear : nullptr;
        result.plus =
            continuousHalf(console, shown, settings, 1, std::isfinite(classic) ? classic : rangeLimit / 2, cancel);
        const double second = result.plus.outcome != ObserverOutcome::NotResolved ? result.plus.value : classic;
        result.minus =
            continuousHalf(console, shown, settings, -1, std::isfinite(second) ? second : rangeLimit / 2, cancel);
    }
    if (result.plus.outcome != ObserverOutcome::NotResolved && result.minus.outcome != ObserverOutcome::NotResolved) {
        const bool cut =
            result.plus.outcome == ObserverOutcome::CutAtRange || result.minus.outcome == ObserverOutcome::CutAtRange;
        result.mrtd = {cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved,
                       (result.plus.value - result.minus.value) / 2};
    }
    return result;
}

RepeatSummary summarise(const std::vector<HalfResult>& results) {
    RepeatSummary s;
    s.repeats = static_cast<int>(results.size());
    std::vector<double> values;
    bool cut = false;
    for (const HalfResult& r : results) {
        if (r.outcome == ObserverOutcome::NotResolved)
            continue;
        values.push_back(r.value);
        s.resolved += r.outcome == ObserverOutcome::Resolved;
        cut = cut || r.outcome == ObserverOutcome::CutAtRange;
    }
    const SampleStatistics statistics = sampleStatistics(values);
    s.valued = statistics.count;
    if (s.valued == 0)
        return s;
    s.outcome = cut ? ObserverOutcome::CutAtRange : ObserverOutcome::Resolved;
    s.mean = statistics.mean;
    s.sd = statistics.sd;
    s.ciLow = statistics.ciLow;
    s.ciHigh = statistics.ciHigh;
    return s;
}

ObjectiveMrtd measureObjectiveMrtd(const BenchState& prepared, const ObserverSettings& settings,
                                   const ObserverProgress& progress, const std::atomic<bool>* cancel) {
    ObjectiveMrtd out;
    out.observer = settings.observer;
    out.viewing = observerViewing(settings);
    out.horizontalBars = prepared.console.horizontalBars;
    std::vector<int> indices = settings.frequencies;
    if (indices.empty())
        for (int i = 0; i < frequencyCount; ++i)
            indices.push_back(i);
    const int repeats = std::max(1, settings.repeats);
    const ClassicTerms terms = classicTerms(prepared);
    for (int i : indices) {
        FrequencyResult r;
        r.frequencyIndex = i;
        r.frequency = frequencyChoices[static_cast<std::size_t>(i)].frequency;
        r.repeats.resize(static_cast<std::size_t>(repeats));
        r.classic = classicMrtd(terms, r.frequency, settings.thresholdSnr, settings.integrationTime);
        r.classicHuman = classicHumanMrtd(terms, displayTermsNearThreshold(prepared, settings, i), settings.viewing,
                                          r.frequency, settings.thresholdSnr, settings.integrationTime);
        r.cameraCurve = cameraMrtdAt(prepared.camera, r.frequency, out.horizontalBars);
        out.frequencies.push_back(std::move(r));
    }

    // Every (frequency, repeat) pair is a task on a bench of its own; each result depends only on
    // its own indices, whichever thread runs it.
    const int tasks = static_cast<int>(out.frequencies.size()) * repeats;
    std::atomic<int> next{0};
    int done = 0;
    std::mutex progressLock;
    auto work = [&]() {
        for (int task = next++; task < tasks; task = next++) {
            if (cancel && *cancel)
                return;
            FrequencyResult& r = out.frequencies[static_cast<std::size_t>(task / repeats)];
            BenchState state = prepared;
            r.repeats[static_cast<std::size_t>(task % repeats)] =
                measureRepeat(state, settings, r.frequencyIndex, task % repeats, cancel);
            std::lock_guard lock(progressLock);
            ++done;
            if (progress)
                progress(done, tasks);
        }
    };
    int threads = settings.threads > 0 ? settings.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, tasks));
    std::vector<std::jthread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    pool.clear();
    out.cancelled = cancel && *cancel;

    for (FrequencyResult& r : out.frequencies) {
        std::vector<HalfResult> plus, minus, mrtd;
        for (const RepeatResult& run : r.repeats) {
            plus.push_back(run.plus);
            minus.push_back(run.minus);
            mrtd.push_back(run.mrtd);
        }
        r.plus = summarise(plus);
        r.minus = summarise(minus);
        r.mrtd = summarise(mrtd);
    }
    return out;
}

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

double cameraMrtdAt(const CameraState& camera, double f, bool horizontalBars) {
    const PointList& curve = mrtdCurveOf(camera, horizontalBars);
    for (int k = 1; k < curve.vertexCount(); ++k) {
        const double f0 = curve.x(k - 1), f1 = curve.x(k);
        if (f >= f0 && f <= f1 && f1 > f0)
            return curve.y(k - 1) + (f - f0) / (f1 - f0) * (static_cast<double>(curve.y(k)) - curve.y(k - 1));
    }
    return -1.0;
}

DisplayTerms displayTerms(const BenchState& state, const ScreenViewing& viewing) {
    DisplayTerms d;
    const ClassicTerms t = classicTerms(state);
    const SimState& sim = state.sim;
    if (sim.windowHigh > sim.windowLow)
        d.greyPerKelvin = 256.0 * t.signalPerKelvin / (sim.windowHigh - sim.windowLow);
    // The noise-free picture's mean grey over the bars and the gaps between them.
    const BarPattern p = findBarPattern(state, state.console.horizontalBars);
    if (p.valid() && !sim.displayImage.empty()) {
        double sum = 0.0;
        int count = 0;
        for (int column = p.columnAt(p.bars.front().low); column <= p.columnAt(p.bars.back().high); ++column)
            for (int row = p.rowLow; row <= p.rowHigh; ++row) {
                const int x = p.transposed ? row : column, y = p.transposed ? column : row;
                if (x < 0 || y < 0 || x >= sim.imageWidth || y >= sim.imageHeight)
                    continue;
                sum += sim.displayImage[3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(sim.imageWidth) +
                                             static_cast<std::size_t>(x))];
                ++count;
            }
        d.meanGrey = count > 0 ? sum / count : 0.0;
    }
    const PixelZoom view = presentationZoom(state.camera.set, sim.scales);
    d.pixelDegrees = viewing.cameraPixelDegrees(state.console.horizontalBars ? view.y : view.x);
    d.pixelDegreesAlong = viewing.cameraPixelDegrees(state.console.horizontalBars ? view.x : view.y);
    return d;
}

double barGapTransfer(const ClassicTerms& terms, double f) {
    // The harmonics fall as 1/k²; the first sixteen leave under 1 % of the sum out.
    double sum = 0.0;
    for (int k = 1; k <= 31; k += 2)
        sum += 8.0 / (std::numbers::pi * std::numbers::pi * k * k) * classicMtf(terms, k * f);
    return sum;
}

double eyeNoiseDensity(double standardError, double seconds, double squareDegrees) {
    return standardError * std::sqrt(std::max(0.0, seconds * squareDegrees));
}

double classicHumanMrtd(const ClassicTerms& terms, const DisplayTerms& display, const ScreenViewing& viewing, double f,
                        double thresholdSnr, double integrationTime) {
    const double noiseLimited = classicMrtd(terms, f, thresholdSnr, integrationTime);
    const double transfer = barGapTransfer(terms, f);
    if (!(transfer > 0.0) || !(display.greyPerKelvin > 0.0) || !(display.meanGrey > 0.0) ||
        !(display.pixelDegrees > 0.0))
        return std::numeric_limits<double>::infinity();
    // The eye averages the screen's luminance over the noise: the convex luminance law lifts the mean
    // luminance of a noisy grey above that of the grey itself, and the modulation a grey step makes
    // falls with it. The noisy law, with the per-pixel noise in grey levels, clipped as the frames
    // clip it, gives the mean luminance and its slope at the pattern's mean grey.
    const double greyNoise = display.greyPerKelvin * terms.netdScene;
    auto noisyLuminance = [&](double grey) {
        constexpr int points = 40;
        double sum = 0.0, weights = 0.0;
        for (int k = -points; k <= points; ++k) {
            const double z = 4.0 * k / points;
            const double weight = std::exp(-0.5 * z * z);
            sum += weight * viewing.luminance(grey + greyNoise * z);
            weights += weight;
        }
        return sum / weights;
    };
    const double level = noisyLuminance(display.meanGrey);
    const double slope = (noisyLuminance(display.meanGrey + 0.5) - noisyLuminance(display.meanGrey - 0.5)) / level;
    // A kelvin of bar temperature gives greyPerKelvin × transfer grey levels between bars and gaps,
    // each a modulation of slope of the mean luminance; the fundamental's modulation is pi/4 of the
    // bar-minus-gap difference over the mean.
    const double modulationPerKelvin = std::numbers::pi / 4.0 * slope * display.greyPerKelvin * transfer;
    const double u = f * terms.alpha / display.pixelDegrees;
    // The noise of the measured bar-minus-gap difference in kelvin: the classic MRTD over the ideal
    // observer's threshold, as K's calibration equates them; its density over the frames the eye
    // integrates and the block the observer reads (the bars and inner gaps, 3.5 cycles, over the
    // middle of their length).
    const double noise = noiseLimited / (observerThresholdFactor * thresholdSnr);
    const double seconds = integratedFrames(terms.frameRate, integrationTime) / terms.frameRate;
    const double width = barPatternCycles / f * display.pixelDegrees / terms.alpha;
    const double length = analysedLengthShare * barPatternCycles / f * display.pixelDegreesAlong / terms.beta;
    const double density = eyeNoiseDensity(noise, seconds, width * length);
    const double eyeLimited = humanThresholdFactor * eyeThresholdModulation(u, level) *
                              std::hypot(1.0 / modulationPerKelvin, eyeNoiseFactor * density);
    return std::max(noiseLimited, eyeLimited);
}

DisplayTerms displayTermsNearThreshold(const BenchState& prepared, const ObserverSettings& settings,
                                       int frequencyIndex) {
    BenchState shown = prepared;
    DiscardMessages messages;
    Bench bench(shown, messages);
    if (settings.displayWindow)
        bench.setDisplayWindow(settings.displayWindow->level, settings.displayWindow->contrast);
    bench.selectFrequency(frequencyIndex);
    bench.setTemperatureDifference(0.0);
    return displayTerms(shown, settings.viewing);
}
