#include "cli/fidelity_output.h"

#include "sim/image_model.h"

#include <cstdio>

namespace {

std::string line(const char* pattern, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

} // namespace

std::string modelFidelityText(const ModelFidelity& r) {
    std::string out = line("Image model: %s\n\n", imageModelName(r.model));
    out += line("Modulation over %d sub-pixel phases against the exact four-bar prediction (Gaussian and pixel box):\n",
                fidelityPhases);
    out += line("%9s %8s %26s %26s %26s %10s %10s %10s %9s\n", "cyc/mrad", "Nyquist", "measured min/med/max",
                "predicted min/med/max", "ratio min/med/max", "pixel err", "weak pair", "predicted", "reversed");
    for (const FrequencyFidelity& f : r.frequencies)
        out +=
            line("%9.1f %8.2f %8.4f %8.4f %8.4f %8.4f %8.4f %8.4f %8.3f %8.3f %8.3f %10.4f %10.4f %10.4f %5d%s\n",
                 f.frequency, f.nyquistShare, f.modulation[0], f.modulation[1], f.modulation[2], f.predicted[0],
                 f.predicted[1], f.predicted[2], f.ratio[0], f.ratio[1], f.ratio[2], f.largestPixelError, f.weakestPair,
                 f.predictedWeakestPair, f.reversedPhases, f.unexpectedReversals > 0 ? " REVERSED" : "");
    const NoiseFidelity& n = r.noise;
    out += line(
        "\nPer-pixel temporal noise at the %.2f C scene: %.4f K measured, %.4f K expected (file NETD %.4f K at tm)\n",
        n.sceneCelsius, n.measuredNetd, n.modelNetd, n.fileNetd);
    out += line("Largest autocorrelation of the per-pixel noise at a non-zero lag: %.4f at (%d, %d)\n",
                n.largestAutocorrelation, n.lagX, n.lagY);
    out += "\nIn-band exitance, W/cm2 (reference: SI constants, e, 273.15):\n";
    for (const ExitanceFidelity& e : r.exitance)
        out += line("%8.2f C %14.8g %14.8g %10.6f\n", e.celsius, e.model, e.reference,
                    e.reference != 0.0 ? e.model / e.reference : 0.0);
    return out;
}

nlohmann::json modelFidelityJson(const ModelFidelity& r) {
    nlohmann::json j;
    j["model"] = imageModelName(r.model);
    j["phases"] = fidelityPhases;
    for (const FrequencyFidelity& f : r.frequencies)
        j["frequencies"].push_back({{"frequency", f.frequency},
                                    {"nyquistShare", f.nyquistShare},
                                    {"modulation", f.modulation},
                                    {"predicted", f.predicted},
                                    {"ratio", f.ratio},
                                    {"largestPixelError", f.largestPixelError},
                                    {"weakestPair", f.weakestPair},
                                    {"predictedWeakestPair", f.predictedWeakestPair},
                                    {"reversedPhases", f.reversedPhases},
                                    {"unexpectedReversals", f.unexpectedReversals}});
    const NoiseFidelity& n = r.noise;
    j["noise"] = {{"sceneCelsius", n.sceneCelsius},
                  {"measuredNetd", n.measuredNetd},
                  {"modelNetd", n.modelNetd},
                  {"fileNetd", n.fileNetd},
                  {"largestAutocorrelation", n.largestAutocorrelation},
                  {"lag", {n.lagX, n.lagY}}};
    for (const ExitanceFidelity& e : r.exitance)
        j["exitance"].push_back({{"celsius", e.celsius}, {"model", e.model}, {"reference", e.reference}});
    return j;
}
