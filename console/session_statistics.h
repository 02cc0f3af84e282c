#pragma once

#include "console/session.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// One observer's values in a group: the means of their recognised readings of each half and their
// MRTD, half the distance between them, when both halves were recognised.
struct ObserverMrtd {
    std::string observer;
    std::optional<double> plus;
    std::optional<double> minus;
    std::optional<double> mrtd;
    int plusReadings = 0;  // recognised
    int minusReadings = 0; // recognised
};

// The readings of one slot, camera file, image model, orientation and frequency, summed up across
// observers.
struct SessionGroup {
    int slot = 1;
    std::string cameraFile;
    std::string imageModel;
    std::string orientation;
    double frequency = 0.0;
    std::vector<ObserverMrtd> perObserver;         // in the order of their first reading
    int observers = 0;                             // observers with an MRTD
    std::optional<double> mean;                    // of the observers' MRTDs
    std::optional<double> sd;                      // sample deviation (n - 1), from two observers on
    std::optional<std::pair<double, double>> ci95; // mean -+ t(0.975, n - 1) sd / sqrt(n), from two observers on
    int readings = 0;
    int notRecognized = 0;
    // At least three observers, each with at least three recognised readings of each half.
    bool meetsStandard = false;
};

inline constexpr int standardObservers = 3;
inline constexpr int standardReadingsPerHalf = 3;

// The groups ordered by slot, camera file, image model, orientation and frequency.
std::vector<SessionGroup> sessionStatistics(const Session& session);

// The groups as the command line writes them: a JSON list, and CSV with one row per group.
std::string statisticsJson(const std::vector<SessionGroup>& groups);
std::string statisticsCsv(const std::vector<SessionGroup>& groups);
