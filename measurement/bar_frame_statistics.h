#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The noise a stack of frames shows in its analysed rows and columns, as variances in grey levels²
// of one frame: independent per pixel, shared along a row, shared down a column.
struct NoiseComponents {
    double pixel = 0.0;
    double row = 0.0;
    double column = 0.0;
    // The column variance before it is clipped at zero: unbiased, so that a sum of noise over many
    // columns (the eye's) is not lifted by the clipping of a component that is not there.
    double columnEstimate = 0.0;
};

// The bar-minus-gap contrast over a set of frames, the pattern's fundamental in it, and their
// standard errors from the noise components.
struct BarContrast {
    double contrast = 0.0; // mean over bar pixels minus mean over gap pixels, grey levels
    double level = 0.0;    // the mean of the bar and gap means; with a wave, the fundamental's mean
    double standardError = 0.0;
    // The amplitude of the wave (a cosine in phase with the bars) fitted to the columns' means beside
    // a constant, by least squares, and its standard error.
    double harmonic = 0.0;
    double harmonicError = 0.0;
    NoiseComponents noise;
    int frames = 0;
    int pixels = 0; // analysed pixels of one frame
    int rows = 0;   // analysed rows
    // The fundamental in its standard errors: the model observers' statistic.
    double snr() const;
};

// Accumulates frames over the bars' and gaps' columns and the bars' middle rows. Row noise cancels in
// the difference because bars and gaps share their rows; column noise stays, once per column.
class BarFrameStatistics {
public:
    // transfer, when given, maps each grey level to the quantity analysed (a screen's luminance);
    // wave, when given, is the fundamental's cosine at each column, +1 at a bar's centre.
    BarFrameStatistics(std::vector<std::vector<int>> barColumns, std::vector<std::vector<int>> gapColumns, int rowLow,
                       int rowHigh, const std::array<double, 256>* transfer = nullptr,
                       const std::function<double(int column)>& wave = {});
    // Adds one frame of width columns (row-major, one byte a pixel). columnShift maps an analysed
    // column to the frame column it shows in this frame (the presented image's jitter); null is none.
    void addFrame(const std::uint8_t* frame, int width, int height, const std::function<int(int)>& columnShift = {});
    BarContrast result() const;

private:
    std::vector<int> columns_; // every analysed column, left to right
    std::vector<char> inBar_;  // per analysed column: 1 in a bar, 0 in a gap
    std::vector<double> wave_; // per analysed column: the fundamental's cosine; empty without one
    int rowLow_ = 0, rowHigh_ = 0;
    int frames_ = 0;
    std::array<double, 256> transfer_{};
    // Per analysed pixel over the frames: sum and sum of squares.
    std::vector<double> sum_, squares_;
    // Per frame: the mean of each analysed column over the rows, of each row over the columns, and
    // of the whole block; the noise components follow from these by a three-way analysis of variance.
    std::vector<std::vector<double>> columnMeans_, rowMeans_;
    std::vector<double> blockMeans_;
};
