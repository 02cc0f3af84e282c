#include "measurement/autocorrelation.h"

#include "measurement/fft.h"

#include <cmath>
#include <complex>

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
