#pragma once

#include <vector>

// The largest |autocorrelation| of an image at lags 0 < |lag|, |dx| <= width/2, |dy| <= height/2,
// each lag normalised by its own overlap; lagX and lagY receive where it is.
double largestAutocorrelation(const std::vector<double>& image, int width, int height, int& lagX, int& lagY);
