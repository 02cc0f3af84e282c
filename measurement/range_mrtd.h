#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// One measured frequency of an MRTD curve: the value, and what is known of its spread.
struct MrtdSample {
    double frequency = 0.0; // cycles/mrad
    double mrtd = 0.0;      // kelvin, above zero
    std::optional<std::pair<double, double>> ci95;
    // The observers' own values, by observer, when the curve is a session's group means.
    std::vector<std::pair<std::string, double>> observers;
};
// Ascending in frequency; only frequencies with a positive value.
using MrtdSamples = std::vector<MrtdSample>;

// The two orientations' curves of one camera: horizontal is read with vertical bars.
struct RangeMrtd {
    MrtdSamples horizontal, vertical;
    std::optional<double> ifovMrad; // the detector's angular pitch, when the camera is known
    std::string source;             // names where the curves came from
    std::string cameraFile;         // the camera file the curves were measured with, when a record names it
};

// A curve as (frequency, MRTD) points, ascending in frequency.
using MrtdCurve = std::vector<std::pair<double, double>>;
MrtdCurve curveOf(const MrtdSamples& samples);
// True when neither orientation has a value above zero: nothing to predict a range from.
bool hasNoValue(const RangeMrtd& mrtd);

// The two-dimensional MRTD: at each temperature difference that either curve reaches at a measured
// frequency, the geometric mean of the frequencies at which each curve first reaches it. Averaging
// at constant difference keeps the value an observer sees with both bar directions; a mean of the
// MRTD values at one frequency would not. With one orientation only, that one is the curve, and
// `single` names it.
struct Mrtd2d {
    MrtdCurve curve;
    std::string single;    // "horizontal" or "vertical" when only that orientation had values
    bool monotonic = true; // false when an input curve falls somewhere as frequency rises
};
Mrtd2d mrtd2d(const MrtdCurve& horizontal, const MrtdCurve& vertical);

// The MRTD at frequency f, interpolating its logarithm linearly in frequency between measured
// points and holding the first value below the first frequency; none beyond the last.
std::optional<double> mrtdAt(const MrtdCurve& curve, double f);
// The lowest frequency at which the curve reaches dt: 0 when even its first value is above dt (the
// held value resolves nothing), the first frequency when that value is dt,
// none when it stays below dt up to its last frequency.
std::optional<double> frequencyReaching(const MrtdCurve& curve, double dt);
