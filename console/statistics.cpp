#include "console/statistics.h"

#include <boost/math/distributions/students_t.hpp>

#include <cmath>
#include <limits>

double studentQuantile(double p, double degreesOfFreedom) {
    if (!(p > 0.0 && p < 1.0) || !(degreesOfFreedom > 0.0))
        return std::numeric_limits<double>::quiet_NaN();
    // Boost.Math takes infinitely many degrees of freedom for the standard normal distribution.
    return boost::math::quantile(boost::math::students_t_distribution<double>(degreesOfFreedom), p);
}

SampleStatistics sampleStatistics(const std::vector<double>& values) {
    SampleStatistics s;
    s.count = static_cast<int>(values.size());
    if (s.count == 0)
        return s;
    double sum = 0.0;
    for (double v : values)
        sum += v;
    s.mean = sum / s.count;
    s.ciLow = s.ciHigh = s.mean;
    if (s.count < 2)
        return s;
    double squares = 0.0;
    for (double v : values)
        squares += (v - s.mean) * (v - s.mean);
    s.sd = std::sqrt(squares / (s.count - 1));
    const double half = studentQuantile(0.975, s.count - 1) * s.sd / std::sqrt(static_cast<double>(s.count));
    s.ciLow = s.mean - half;
    s.ciHigh = s.mean + half;
    return s;
}
