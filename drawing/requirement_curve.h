#pragma once

#include "text/bounded_text_file.h"

#include <optional>
#include <string>
#include <vector>

// A laboratory's MRTD limit per frequency, as a CSV of "frequency,MRTD limit" rows (cycles/mrad, K;
// a header line is allowed). Between two rows the limit runs linearly in frequency; outside the rows
// there is no limit to judge against.
struct RequirementPoint {
    double frequency = 0.0;
    double limit = 0.0;
};
using RequirementCurve = std::vector<RequirementPoint>;

// The curve in a CSV's text, or nothing and one line naming the file and the line at fault. The
// frequencies must rise from row to row, and every limit be above zero (the plot is logarithmic).
std::optional<RequirementCurve> parseRequirement(const std::string& text, const std::string& fileName,
                                                 std::string& error);
// A requirement is a few rows of two numbers; anything far larger is not one.
inline constexpr TextFileLimits requirementFileLimits{"a requirement file", 1u << 20, 64u << 10};
// The same for a file, read within requirementFileLimits; a file that is absent or refused (a pipe, a
// device, too large) is refused in one line naming it and the rule it broke.
std::optional<RequirementCurve> readRequirementFile(const std::string& path, std::string& error);

// The limit at a frequency, interpolated linearly; none outside the curve's frequencies.
std::optional<double> requirementAt(const RequirementCurve& curve, double frequency);
