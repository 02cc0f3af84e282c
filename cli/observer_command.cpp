#include "cli/observer_command.h"

#include "camera/camera_file_lookup.h"
#include "cli/command_words.h"
#include "cli/provenance.h"
#include "cli/refusal.h"
#include "measurement/observer_fit.h"
#include "measurement/observer_profile.h"
#include "text/messages.h"
#include "text/output_file.h"
#include "text/version.h"
#include "text/whole_file.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>

namespace {

std::string displayText(const ReadingDisplay& d) {
    std::ostringstream text;
    if (d.automatic)
        text << "automatic";
    else
        text << "level " << d.level << " contrast " << d.contrast;
    text << ", zoom " << d.zoom << ", magnifier " << d.magnifier;
    return text.str();
}

} // namespace

int runObserverCommand(const CommandWords& words, const ScreenViewing& screen, const std::string& target,
                       const std::optional<std::string>& atmosphere) {
    const auto positional = words.positional();
    if (positional.size() != 2 || positional[0] != "fit")
        return usageError("observer takes 'fit SESSION'");
    const std::string path = positional[1];
    if (!words.has("out"))
        return usageError("observer fit needs --out PROFILE.json");
    const std::string out = words.value("out");
    if (namesSameFile(out, path))
        return fail("--out '" + out + "' is the session '" + path + "'; name another file");
    MessageLog log;
    const auto session = readSessionFile(path, log);
    if (!session)
        return fail(log.messages.empty() ? path + " cannot be read" : log.messages.front());
    std::string error;
    const auto record = inputRecord(path, error);
    if (!record)
        return fail(error);

    const bool blindOnly = words.has("blind-only");
    const Panel panel = panelOf(*session, blindOnly);
    if (const std::string refusal = panelRefusal(panel); !refusal.empty())
        return fail("observer fit of " + path + (blindOnly ? " (blind readings only)" : "") + ": " + refusal);

    // Each condition on a bench of its own camera, found by its name beside the session, then in the
    // working folder; the standard target and the atmosphere as the window opens them.
    const std::vector<std::string> folders{std::filesystem::path(path).parent_path().string(), "."};
    ObserverSettings settings;
    settings.viewing = screen;
    std::vector<ChainTerms> terms;
    for (const PanelCondition& condition : panel.conditions) {
        const auto camera = lookUpCameraFile(condition.cameraFile, folders, error);
        if (!camera)
            return fail(error.empty() ? "the camera file " + condition.cameraFile + " of " + path +
                                            " is neither beside the session nor in the working folder"
                                      : error);
        BenchSources sources;
        sources.camera = BenchSource{camera->path, camera->text};
        sources.target.path = target;
        if (atmosphere)
            sources.atmosphere = BenchSource{*atmosphere, std::nullopt};
        const auto chain = chainTermsOf(sources, condition, settings, error);
        if (!chain)
            return fail(error);
        terms.push_back(*chain);
    }
    const ObserverFit fit = fitObserverPanel(panel, terms);

    ObserverProfileFile profile;
    profile.thresholdFactor = fit.thresholdFactor;
    profile.noiseEfficiency = fit.noiseEfficiency;
    profile.thresholdFactorCi95 = fit.thresholdFactorCi95;
    profile.noiseEfficiencyCi95 = fit.noiseEfficiencyCi95;
    profile.observers = panel.observers;
    profile.readings = static_cast<int>(panel.readings.size());
    profile.sessionFile = path;
    profile.sessionSha256 = (*record)["sha256"].get<std::string>();
    profile.software = std::string("tervix-cli ") + tervixVersion;
    if (!writeOutputFile(out, observerProfileText(profile), error))
        return fail(error);
    if (words.standardOutputTaken())
        return 0;

    std::printf("observer fit of %s%s: %d observers, %zu MRTDs (an observer under one condition), %zu conditions\n",
                path.c_str(), blindOnly ? " (blind readings only)" : "", panel.observers, panel.readings.size(),
                panel.conditions.size());
    std::printf("threshold factor %.3g [95 %% %.3g, %.3g] (published %.3g)\n", fit.thresholdFactor,
                fit.thresholdFactorCi95[0], fit.thresholdFactorCi95[1], publishedThresholdFactor);
    std::printf("noise efficiency %.3g [95 %% %.3g, %.3g] (published %.3g)\n", fit.noiseEfficiency,
                fit.noiseEfficiencyCi95[0], fit.noiseEfficiencyCi95[1], publishedNoiseEfficiency);
    std::printf("residuals, the observers' geometric mean against the fit:\n");
    std::printf("slot\tcamera\tmodel\tbars\tf (1/mrad)\tdisplay\tobserved (mK)\tfitted (mK)\tratio\n");
    for (std::size_t c = 0; c < panel.conditions.size(); ++c) {
        const PanelCondition& k = panel.conditions[c];
        const auto [observed, fitted] = fit.residuals[c];
        std::printf("%d\t%s\t%s\t%s\t%g\t%s\t%.2f\t%.2f\t%.3f\n", k.slot, k.cameraFile.c_str(), k.imageModel.c_str(),
                    k.orientation.c_str(), k.frequency, displayText(k.display).c_str(), 1000.0 * observed,
                    1000.0 * fitted, observed / fitted);
    }
    std::printf("rms of the readings' log residuals %.3f; profile written to %s\n", fit.rmsLogResidual, out.c_str());
    return 0;
}
