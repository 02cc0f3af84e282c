#pragma once

#include <optional>
#include <string>
#include <vector>

// What a range is predicted for: the target, the air between it and the camera, and the cycles an
// observer needs across the target for each task.

// A target's size in metres and its temperature difference to the background in kelvin.
struct RangeTarget {
    std::string name; // the preset's name, "custom" otherwise
    double width = 2.3;
    double height = 2.3;
    double dt = 2.0;
};

// The named targets. The 2.3 x 2.3 m square at 2 K is the standard vehicle of the NATO nominal range
// procedure (STANAG 4347); the standing person's 1.8 x 0.5 m is the usual outline in range tables.
struct TargetPreset {
    const char* name;
    double width, height, dt;
};
inline constexpr TargetPreset targetPresets[] = {{"nato", 2.3, 2.3, 2.0}, {"person", 1.8, 0.5, 2.0}};

// How one number stands for the target's size: the square root of its area, or its smaller side.
enum class CriticalDimension { Sqrt, Min };
const char* dimensionName(CriticalDimension dimension);
std::optional<CriticalDimension> dimensionFromName(const std::string& name);
double criticalDimension(const RangeTarget& target, CriticalDimension dimension);

// Extinction coefficients of the 8-12 um band in km^-1. "clear" is the nominal atmosphere of the
// NATO procedure (STANAG 4347); "humid" and "haze" are the order of the values that
// Holst, Electro-Optical Imaging System Performance (5th ed., 2008, ch. 14) gives for a humid
// mid-latitude summer at 23 km visibility and for 5 km visibility haze.
struct AtmospherePreset {
    const char* name;
    double extinction;
};
inline constexpr AtmospherePreset atmospherePresets[] = {{"clear", 0.2}, {"humid", 0.5}, {"haze", 1.0}};

// The cycles across the critical dimension an observer needs for a 50 % chance at a task.
struct RangeTask {
    std::string task; // detection, orientation, recognition or identification
    double n50 = 0.0;
};
struct RangeCriteria {
    std::string name; // johnson, 2d or custom
    std::vector<RangeTask> tasks;
};
// "johnson": Johnson's 1958 values as the NATO procedure uses them (1.0, 1.4, 4.0, 6.4);
// "2d": the values for a two-dimensional MRTD (0.75, 3, 6; no orientation), as later range models use them;
// "N1,N2,N3": detection, recognition and identification as given. None for anything else,
// or a value not above zero.
std::optional<RangeCriteria> criteriaFromText(const std::string& text);

// A preset's name or "W,H" in metres (a custom target at the first preset's difference); none when
// neither, or a size not above zero.
std::optional<RangeTarget> targetFromText(const std::string& text);
// A preset's name or a number of km^-1 not below zero; none otherwise.
std::optional<double> extinctionFromText(const std::string& text);
// Numbers separated by commas, each finite; none when a cell is not one.
std::optional<std::vector<double>> numbersFromText(const std::string& text);
// Probabilities as "0.7,0.9" (one or several), each strictly between 0 and 1; none otherwise.
std::optional<std::vector<double>> probabilitiesFromText(const std::string& text);

struct RangeScenario {
    RangeTarget target;
    double extinction = 0.2; // km^-1
    RangeCriteria criteria;
    CriticalDimension dimension = CriticalDimension::Sqrt;
    std::vector<double> probabilities; // besides 0.5, each in (0, 1)

    double criticalDimensionM() const { return criticalDimension(target, dimension); }
    // The apparent temperature difference at range km: the target's, dimmed by the air.
    double apparentDt(double rangeKm) const;
};
