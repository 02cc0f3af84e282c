#include "measurement/bar_frame_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

double BarContrast::snr() const {
    if (harmonicError > 0.0)
        return harmonic / harmonicError;
    if (harmonic == 0.0)
        return 0.0;
    return harmonic > 0.0 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
}

BarFrameStatistics::BarFrameStatistics(std::vector<std::vector<int>> barColumns,
                                       std::vector<std::vector<int>> gapColumns, int rowLow, int rowHigh,
                                       const std::array<double, 256>* transfer,
                                       const std::function<double(int column)>& wave)
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
        if (wave)
            wave_.push_back(wave(column));
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
    out.rows = rows;
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
    // The fundamental: a cosine and a constant fitted to the columns' means. With the cosine's values
    // w taken about their mean, w', the amplitude is sum w' m / sum w' w, and its variance that of a
    // column mean (pixel noise over the rows, column noise whole; row noise cancels, as sum w' = 0)
    // times sum w'² / (sum w' w)².
    double errorPerNoise = 0.0;
    if (!wave_.empty()) {
        double waveMean = 0.0;
        for (double w : wave_)
            waveMean += w / nc;
        double projection = 0.0, norm = 0.0, squares = 0.0, mean = 0.0;
        for (std::size_t i = 0; i < columns; ++i) {
            double columnSum = 0.0;
            for (int r = 0; r < rows; ++r)
                columnSum += sum_[static_cast<std::size_t>(r) * columns + i];
            const double m = columnSum / (F * nr), w = wave_[i] - waveMean;
            projection += w * m;
            norm += w * wave_[i];
            squares += w * w;
            mean += m / nc;
        }
        if (norm > 0.0) {
            out.harmonic = projection / norm;
            out.level = mean - out.harmonic * waveMean;
            errorPerNoise = std::sqrt(squares) / norm;
        }
    }
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
        out.noise.columnEstimate = (columnSquares / ((F - 1) * (nc - 1)) - out.noise.pixel) / nr;
        out.noise.column = std::max(0.0, out.noise.columnEstimate);
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
    if (!wave_.empty())
        out.harmonicError = std::sqrt((out.noise.pixel / nr + out.noise.column) / F) * errorPerNoise;
    return out;
}
