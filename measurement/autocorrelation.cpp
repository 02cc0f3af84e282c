#include "measurement/autocorrelation.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <mutex>

namespace {

// FFTW's planner keeps state of its own and may run on one thread at a time; running a plan may not.
std::mutex planner;

struct FftwFree {
    void operator()(void* memory) const { fftw_free(memory); }
};

// The smallest length not below n whose only prime factors are 2, 3, 5 and 7, the lengths FFTW
// transforms fastest.
int smoothLengthAtLeast(int n) {
    for (;; ++n) {
        int rest = n;
        for (int factor : {2, 3, 5, 7})
            while (rest % factor == 0)
                rest /= factor;
        if (rest == 1)
            return n;
    }
}

} // namespace

double largestAutocorrelation(const std::vector<double>& image, int width, int height, int& lagX, int& lagY) {
    lagX = lagY = 0;
    if (width < 2 || height < 2)
        return 0.0;
    // Padded so that no product wraps around onto a lag read below: the circular autocorrelation of
    // the padded image is then the image's own at every lag up to half its size.
    const int pw = smoothLengthAtLeast(width + width / 2 + 1), ph = smoothLengthAtLeast(height + height / 2 + 1);
    const std::size_t cells = static_cast<std::size_t>(pw) * ph;
    const std::size_t spectrumCells = static_cast<std::size_t>(pw / 2 + 1) * ph;
    const std::unique_ptr<double, FftwFree> f(fftw_alloc_real(cells));
    const std::unique_ptr<fftw_complex, FftwFree> spectrum(fftw_alloc_complex(spectrumCells));
    fftw_plan forward = nullptr, back = nullptr;
    {
        const std::lock_guard lock(planner);
        forward = fftw_plan_dft_r2c_2d(ph, pw, f.get(), spectrum.get(), FFTW_ESTIMATE);
        back = fftw_plan_dft_c2r_2d(ph, pw, spectrum.get(), f.get(), FFTW_ESTIMATE);
    }
    double* values = f.get();
    std::fill(values, values + cells, 0.0);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            values[static_cast<std::size_t>(j) * pw + i] = image[static_cast<std::size_t>(j) * width + i];
    fftw_execute(forward);
    // The power spectrum, whose inverse transform is the circular autocorrelation times pw * ph.
    for (std::size_t k = 0; k < spectrumCells; ++k) {
        double* v = spectrum.get()[k];
        v[0] = v[0] * v[0] + v[1] * v[1];
        v[1] = 0.0;
    }
    fftw_execute(back);
    {
        const std::lock_guard lock(planner);
        fftw_destroy_plan(forward);
        fftw_destroy_plan(back);
    }
    const double zero = values[0] / (static_cast<double>(width) * height);
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
            const double rho = values[at] / overlap / zero;
            if (std::fabs(rho) > std::fabs(largest)) {
                largest = rho;
                lagX = dx;
                lagY = dy;
            }
        }
    return largest;
}
