#pragma once

#include "measurement/eye_constants.h"
#include "text/bounded_text_file.h"

#include <array>
#include <optional>
#include <string>

// How a laboratory's observers differ from the published eye: the factor h on the eye's threshold
// and the efficiency eta with which they see through display noise (human_chain.h). The published
// model's own values unless a profile fitted to the laboratory's readings says otherwise.
struct ObserverProfile {
    double thresholdFactor = publishedThresholdFactor;
    double noiseEfficiency = publishedNoiseEfficiency;
    std::string name; // the profile file's name as given; empty for the published values
};

// A profile's file: the two parameters, their 95 % intervals from observers resampled, and what they
// were fitted on.
inline constexpr const char* observerProfileFormat = "tervix-observer-profile";
inline constexpr int observerProfileVersion = 1;
// A profile is a few hundred bytes; anything much larger is not one the bench wrote.
inline constexpr TextFileLimits observerProfileLimits{"an observer profile", 64u << 10, 4u << 10};

struct ObserverProfileFile {
    double thresholdFactor = publishedThresholdFactor;
    double noiseEfficiency = publishedNoiseEfficiency;
    std::array<double, 2> thresholdFactorCi95{}, noiseEfficiencyCi95{};
    int observers = 0;
    int readings = 0;
    std::string sessionFile, sessionSha256;
    std::string software;
};

std::string observerProfileText(const ObserverProfileFile& file);
// A text that is not a profile gives nothing and a one-line reason.
std::optional<ObserverProfileFile> parseObserverProfile(const std::string& text, std::string& reason);
// The profile the file holds, named after the path, or nothing and one line naming the file: "File
// 'PATH' does not exist", "'PATH' is not an observer profile: REASON".
std::optional<ObserverProfile> readObserverProfile(const std::string& path, std::string& error);
