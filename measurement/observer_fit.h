#pragma once

#include "console/bench_case.h"
#include "console/session.h"
#include "measurement/model_observer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Fitting the human observer's two parameters, the threshold factor h and the noise efficiency eta
// (human_chain.h), to a laboratory's own observers: each observer's MRTD under each condition they
// read (camera file, image model, bars, frequency and display) against the chain's prediction
//   MRTD(h, eta) = max(classic, h eyeKelvin sqrt(1 + noiseTerm / eta)),
// by least squares on the logarithms, with 95 % intervals from the observers resampled.

// What a reading was taken under.
struct PanelCondition {
    int slot = 1;
    std::string cameraFile;
    std::string imageModel;
    std::string orientation;
    double frequency = 0.0;
    ReadingDisplay display;
    double observed = 0.0; // the observers' geometric mean MRTD, kelvin
};
// One observer's MRTD under one condition: half the distance between the means of their readings of
// the two halves.
struct PanelReading {
    std::string observer;
    std::size_t condition = 0;
    double mrtd = 0.0;
};
struct Panel {
    std::vector<PanelCondition> conditions;
    std::vector<PanelReading> readings;
    int observers = 0;
};
// The session's readings that count (not struck; with blindOnly, only those taken while the observer
// read blind), grouped by condition, display included.
Panel panelOf(const Session& session, bool blindOnly);

// Why a panel cannot be fitted, in one line that says what to add; empty when it can.
std::string panelRefusal(const Panel& panel);

// The chain at one condition, for h = eta = 1: the classic (noise-limited) MRTD, the eye's threshold
// in kelvin without the display noise (CTF over the modulation per kelvin) and the display noise's
// term alpha² Phi.
struct ChainTerms {
    double classic = 0.0;
    double eyeKelvin = 0.0;
    double noiseTerm = 0.0;
};
double predictedMrtd(const ChainTerms& terms, double thresholdFactor, double noiseEfficiency);
// The terms of a condition on a bench opened from sources (its camera the condition's file), seen on
// the laboratory's screen (settings.viewing; the magnifier and display window are the condition's)
// as it showed the bars at the observers' MRTD.
// Nothing, with the reason, when the bench does not open or the frequency is not the bench's.
std::optional<ChainTerms> chainTermsOf(const BenchSources& sources, const PanelCondition& condition,
                                       const ObserverSettings& settings, std::string& error);

struct ObserverFit {
    double thresholdFactor = 0.0, noiseEfficiency = 0.0;
    std::array<double, 2> thresholdFactorCi95{}, noiseEfficiencyCi95{};
    // Per condition: the observers' geometric mean MRTD and the fit's prediction, kelvin.
    std::vector<std::pair<double, double>> residuals;
    double rmsLogResidual = 0.0; // over every observer's reading
};
// terms[k] belongs to panel.conditions[k]. resamples sets of observers, drawn with replacement from
// seed, give the intervals.
ObserverFit fitObserverPanel(const Panel& panel, const std::vector<ChainTerms>& terms, int resamples = 2000,
                             std::uint64_t seed = 1);
