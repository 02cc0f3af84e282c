// The bench's own numerical routines beside the maintained libraries that do the same work, measured
// in the same run: the Student-t quantile (Boost.Math) and the noise autocorrelation's FFT (FFTW3).
#include "console/statistics.h"
#include "measurement/fft.h"
#include "sim/fresh_random.h"

#include <benchmark/benchmark.h>
#include <boost/math/distributions/students_t.hpp>
#include <fftw3.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

// The degrees of freedom a session's groups and the model observer's repeats reach.
void QuantileOwnBench(benchmark::State& s) {
    for (auto _ : s)
        for (int n = 1; n <= 64; ++n)
            benchmark::DoNotOptimize(studentQuantile(0.975, n));
}

void QuantileBoostBench(benchmark::State& s) {
    for (auto _ : s)
        for (int n = 1; n <= 64; ++n)
            benchmark::DoNotOptimize(boost::math::quantile(boost::math::students_t_distribution<double>(n), 0.975));
}

std::vector<double> noiseImage(int width, int height) {
    FreshRandom random(7);
    std::vector<double> image(static_cast<std::size_t>(width) * height);
    for (double& v : image)
        v = random.uniform() - 0.5;
    return image;
}

// The circular autocorrelation as the fidelity report forms it: padded, transformed both ways.
void AutocorrelationOwnBench(benchmark::State& s) {
    const int width = static_cast<int>(s.range(0)), height = static_cast<int>(s.range(1));
    const std::vector<double> image = noiseImage(width, height);
    const int pw = powerOfTwoAtLeast(width + width / 2 + 1), ph = powerOfTwoAtLeast(height + height / 2 + 1);
    std::vector<std::complex<double>> f(static_cast<std::size_t>(pw) * ph);
    for (auto _ : s) {
        std::fill(f.begin(), f.end(), 0.0);
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i)
                f[static_cast<std::size_t>(j) * pw + i] = image[static_cast<std::size_t>(j) * width + i];
        for (bool inverse : {false, true}) {
            for (int j = 0; j < ph; ++j)
                fft(&f[static_cast<std::size_t>(j) * pw], pw, 1, inverse);
            for (int i = 0; i < pw; ++i)
                fft(&f[static_cast<std::size_t>(i)], ph, pw, inverse);
            if (!inverse)
                for (auto& v : f)
                    v = std::norm(v);
        }
        benchmark::DoNotOptimize(f[1]);
    }
}

// The same circular autocorrelation through FFTW's real transforms, padded to the same length.
void AutocorrelationFftwBench(benchmark::State& s) {
    const int width = static_cast<int>(s.range(0)), height = static_cast<int>(s.range(1));
    const std::vector<double> image = noiseImage(width, height);
    const int pw = powerOfTwoAtLeast(width + width / 2 + 1), ph = powerOfTwoAtLeast(height + height / 2 + 1);
    double* real = fftw_alloc_real(static_cast<std::size_t>(pw) * ph);
    fftw_complex* spectrum = fftw_alloc_complex(static_cast<std::size_t>(pw / 2 + 1) * ph);
    const fftw_plan forward = fftw_plan_dft_r2c_2d(ph, pw, real, spectrum, FFTW_ESTIMATE);
    const fftw_plan back = fftw_plan_dft_c2r_2d(ph, pw, spectrum, real, FFTW_ESTIMATE);
    for (auto _ : s) {
        std::fill(real, real + static_cast<std::size_t>(pw) * ph, 0.0);
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i)
                real[static_cast<std::size_t>(j) * pw + i] = image[static_cast<std::size_t>(j) * width + i];
        fftw_execute(forward);
        for (std::size_t k = 0; k < static_cast<std::size_t>(pw / 2 + 1) * ph; ++k) {
            spectrum[k][0] = spectrum[k][0] * spectrum[k][0] + spectrum[k][1] * spectrum[k][1];
            spectrum[k][1] = 0.0;
        }
        fftw_execute(back);
        benchmark::DoNotOptimize(real[1]);
    }
    fftw_destroy_plan(forward);
    fftw_destroy_plan(back);
    fftw_free(real);
    fftw_free(spectrum);
}

} // namespace

BENCHMARK(QuantileOwnBench)->Unit(benchmark::kMicrosecond);
BENCHMARK(QuantileBoostBench)->Unit(benchmark::kMicrosecond);
BENCHMARK(AutocorrelationOwnBench)->Args({640, 480})->Args({640, 512})->Unit(benchmark::kMillisecond);
BENCHMARK(AutocorrelationFftwBench)->Args({640, 480})->Args({640, 512})->Unit(benchmark::kMillisecond);
