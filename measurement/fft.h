#pragma once

#include <complex>

// In-place radix-2 discrete Fourier transform of n = 2^k values spaced stride apart, unscaled both
// ways: a forward and an inverse transform multiply by n.
void fft(std::complex<double>* data, int n, int stride, bool inverse);
// The smallest power of two not below n, the length a transform of n values is padded to.
int powerOfTwoAtLeast(int n);
