#pragma once

#include <cstddef>

// out[i] = sum over k of in[i + k * stride] * kernel[k], for i < count, each sum started at 0 and
// taken in tap order, so the result is the same float as a pass per tap over a zeroed buffer. Along
// a row the stride is 1, down a column the row's width. Both image models blur through it.
void convolveRow(const float* in, std::size_t stride, const float* kernel, int taps, float* out, int count);
