#pragma once

#include <vector>

// A sample's mean, its standard deviation with n - 1 and the two-sided 95 % confidence interval of
// its mean, mean -+ t(0.975, n - 1) sd / sqrt(n). With fewer than two values there is no spread to
// speak of: sd stays 0 and the interval closes on the mean.
struct SampleStatistics {
    int count = 0;
    double mean = 0.0;
    double sd = 0.0;
    double ciLow = 0.0;
    double ciHigh = 0.0;
};

SampleStatistics sampleStatistics(const std::vector<double>& values);

// The quantile of Student's t distribution at probability p in (0, 1) with the given degrees of
// freedom (above 0); infinitely many give the standard normal's.
double studentQuantile(double p, double degreesOfFreedom);
