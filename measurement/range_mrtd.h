#pragma once

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One measured frequency of an MRTD curve: the value, and what is known of its spread.
struct MrtdSample {
    double frequency = 0.0; // cycles/mrad
    double mrtd = 0.0;      // kelvin, above zero
    std::optional<std::pair<double, double>> ci95;
    // The values of the units the mean is taken over, by name: a session's observers, or a model
    // observer's repeats. Its interval comes from them when there are two or more.
    std::vector<std::pair<std::string, double>> observers;
};
// Ascending in frequency; only frequencies with a positive value.
using MrtdSamples = std::vector<MrtdSample>;

// What ends a range: the curve crossing the target's difference (a number), or, where the curve ends
// first, the detector's sampling (its Nyquist frequency) or the measurement (the first frequency not
// resolved at the bench's largest difference, or simply the last one measured).
enum class RangeLimit { Crossing, Sampling, Measurement };
const char* rangeLimitName(RangeLimit limit);

// Where a curve stops and what is known past it: no frequency above `frequency` is resolved at any
// difference up to dtLimit (kelvin). Sampling holds for every difference.
struct CurveEnd {
    double frequency = 0.0; // cycles/mrad
    RangeLimit limit = RangeLimit::Measurement;
    double dtLimit = std::numeric_limits<double>::infinity();
};

// A curve as (frequency, MRTD) points, ascending in frequency.
using MrtdCurve = std::vector<std::pair<double, double>>;

// The two orientations' curves of one camera: horizontal is read with vertical bars.
struct RangeMrtd {
    MrtdSamples horizontal, vertical;
    // Where each curve stops, when its source says.
    std::optional<CurveEnd> horizontalEnd, verticalEnd;
    // A model observer's own reference curve below its lowest frequency, scaled to meet it there.
    MrtdCurve horizontalBelow, verticalBelow;
    std::optional<double> ifovMrad; // the detector's angular pitch, when the camera is known
    std::string source;             // names where the curves came from
    std::string cameraFile;         // the camera file the curves were measured with, when a record names it
};

MrtdCurve curveOf(const MrtdSamples& samples);
// True when neither orientation has a value above zero: nothing to predict a range from.
bool hasNoValue(const RangeMrtd& mrtd);
// The curve's non-decreasing envelope: each value raised to the largest at any lower frequency. A
// finer pattern is never easier to resolve than a coarser one; a dip in a measured curve is its
// noise, and taken at its word it would let a task that needs more cycles reach farther.
MrtdCurve envelopeOf(const MrtdCurve& curve);

// The two-dimensional MRTD, from the envelopes of both curves: at each temperature difference that
// either reaches at a measured frequency, the geometric mean of the frequencies at which each reaches
// that difference, and of the finest each resolves at it (the two differ where a curve is flat). Averaging at constant
// difference keeps the value an observer sees with both bar directions; a mean of the MRTD values at one frequency
// would not. Identical curves give that curve. With one orientation only, its envelope is the curve, and `single` names
// it.
struct Mrtd2d {
    MrtdCurve curve;
    std::string single;    // "horizontal" or "vertical" when only that orientation had values
    bool monotonic = true; // false when an input curve falls somewhere as frequency rises
    // Past the curve: the geometric mean of both ends (sampling only when both are), when both are known.
    std::optional<CurveEnd> end;
    // Below the curve's first frequency: the references' geometric mean, when the source has them.
    MrtdCurve below;
};
Mrtd2d mrtd2d(const RangeMrtd& mrtd);

// The MRTD at frequency f, interpolating its logarithm linearly in frequency between measured
// points and holding the first value below the first frequency; none beyond the last.
std::optional<double> mrtdAt(const MrtdCurve& curve, double f);
// The finest frequency a non-decreasing curve resolves at dt: 0 when even its first value is above
// dt, its last frequency when its last value is dt, none when it stays below dt to its end (what lies
// past the curve is not known).
std::optional<double> frequencyResolved(const MrtdCurve& curve, double dt);
// The lowest frequency at which a non-decreasing curve reaches dt: the same but for a stretch of the
// curve at dt, which it gives the start of.
std::optional<double> frequencyReaching(const MrtdCurve& curve, double dt);
