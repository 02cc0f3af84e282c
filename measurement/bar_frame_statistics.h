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
};

// The bar-minus-gap contrast over a set of frames and its standard error from the noise components.
struct BarContrast {
    double contrast = 0.0; // mean over bar pixels minus mean over gap pixels, grey levels
    double level = 0.0;    // the mean of the bar and gap means
    double standardError = 0.0;
    NoiseComponents noise;
    int frames = 0;
    int pixels = 0; // analysed pixels of one frame
    double snr() const;
};

// Accumulates frames over the bars' and gaps' columns and the bars' middle rows. Row noise cancels in
// the difference because bars and gaps share their rows; column noise stays, once per column.
class BarFrameStatistics {
public:
    // transfer, when given, maps each grey level to the quantity analysed (a screen's luminance).
    BarFrameStatistics(std::vector<std::vector<int>> barColumns, std::vector<std::vector<int>> gapColumns, int rowLow,
                       int rowHigh, const std::array<double, 256>* transfer = nullptr);
    // Adds one frame of width columns (row-major, one byte a pixel). columnShift maps an analysed
    // column to the frame column it shows in this frame (the presented image's jitter); null is none.
    void addFrame(const std::uint8_t* frame, int width, int height, const std::function<int(int)>& columnShift = {});
    BarContrast result() const;

private:
    std::vector<int> columns_; // every analysed column, left to right
    std::vector<char> inBar_;  // per analysed column: 1 in a bar, 0 in a gap
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
