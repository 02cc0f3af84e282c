#include "measurement/fft.h"

#include <cmath>
#include <utility>

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
