#pragma once

// The trapezoid rule over n equally spaced samples, without the step: the sum of the samples with
// the two end samples counted half. sample(k) gives sample k; the sums run in sample order.
template <class Sample>
double trapezoidSum(int n, Sample&& sample) {
    double sum = 0.0;
    double ends = 0.0;
    for (int k = 0; k < n; ++k) {
        const double value = sample(k);
        sum += value;
        if (k == 0 || k == n - 1)
            ends += value;
    }
    return sum - ends / 2.0;
}
