// The fit of the human observer's two parameters to a panel of observers: on a panel the human
// observer itself reads with parameters the test knows, and, for the coverage of its intervals, on
// many panels drawn from the chain's own predictions with known spreads. Labelled heavy.
#include "measurement/observer_fit.h"

#include "observer_bench.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using testing_support::ObserverBench;
using testing_support::shippedFile;

namespace {

// The panel's parameters; its five observers' threshold factors spread about the panel's.
constexpr double panelFactor = 3.0, panelEfficiency = 0.5;
constexpr std::array<double, 5> observerSpread{0.92, 0.96, 1.0, 1.04, 1.08};

// The sources of a shipped camera on a quarter of its detector, as ObserverBench opens it.
BenchSources quarterSources(const std::string& camera) {
    BenchSources sources;
    sources.atmosphere = BenchSource{shippedFile("Atmosphere.ini"), std::nullopt};
    sources.camera.path = shippedFile(camera);
    sources.target.path = shippedFile("mira.tag");
    sources.seed = 1;
    sources.adjustCamera = [](CameraSet& c) {
        c.detectorColumns /= 2, c.detectorRows /= 2, c.fovCurrentH /= 2, c.fovCurrentV /= 2;
    };
    return sources;
}

// Each observer, the human observer with its own threshold factor and seed, reads both halves three
// times on two cameras with the automatic display window and one four times as wide, at 0.5, 1 and
// 1.5 cycles/mrad.
Session syntheticPanel() {
    Session session;
    for (const char* camera : {"camera1.par", "camera2.par"}) {
        ObserverBench bench(camera, 1, true, ImageModel::Physical);
        for (double widen : {1.0, 4.0}) {
            ObserverSettings settings =
                widen > 1.0 ? testing_support::widerWindow(bench.state, 0, widen) : ObserverSettings{};
            settings.repeats = 3;
            settings.frequencies = {0.5, 1.0, 1.5};
            const ReadingDisplay display =
                settings.displayWindow
                    ? ReadingDisplay{false, settings.displayWindow->level, settings.displayWindow->contrast, 1.0, 1}
                    : ReadingDisplay{};
            for (std::size_t observer = 0; observer < observerSpread.size(); ++observer) {
                settings.seed = static_cast<std::uint32_t>(100 * (observer + 1));
                settings.profile = {panelFactor * observerSpread[observer], panelEfficiency, "panel"};
                for (const FrequencyResult& f : measureObjectiveMrtd(bench.state, settings).frequencies)
                    for (const RepeatResult& r : f.repeats)
                        for (const HalfResult& half : {r.plus, r.minus})
                            session.readings.push_back(
                                {"2026-01-01T00:00:00.000Z", "observer " + std::to_string(observer + 1), 1, camera,
                                 "physical", orientationVertical, f.frequency, half.value >= 0.0 ? halfPlus : halfMinus,
                                 half.value, display, std::nullopt});
            }
        }
    }
    return session;
}

std::vector<ChainTerms> termsOf(const Panel& panel) {
    std::vector<ChainTerms> terms;
    for (const PanelCondition& c : panel.conditions) {
        std::string error;
        const auto t = chainTermsOf(quarterSources(c.cameraFile), c, ObserverSettings{}, error);
        EXPECT_TRUE(t) << error;
        terms.push_back(t.value_or(ChainTerms{}));
    }
    return terms;
}

// The panel without some of its readings.
Panel without(Panel panel, const std::function<bool(const PanelReading&, const PanelCondition&)>& drop) {
    std::erase_if(panel.readings, [&](const PanelReading& r) { return drop(r, panel.conditions[r.condition]); });
    std::set<std::string> observers;
    for (const PanelReading& r : panel.readings)
        observers.insert(r.observer);
    panel.observers = static_cast<int>(observers.size());
    std::vector<PanelCondition> kept;
    for (std::size_t c = 0; c < panel.conditions.size(); ++c)
        if (std::any_of(panel.readings.begin(), panel.readings.end(), [c](const auto& r) { return r.condition == c; }))
            kept.push_back(panel.conditions[c]);
    panel.conditions = kept;
    return panel;
}

TEST(ObserverFit, RecoversASyntheticPanelsParametersAndRefusesWhatCannotSeparateThem) {
    const Panel panel = panelOf(syntheticPanel(), false);
    ASSERT_EQ(std::pair(panel.observers, panel.conditions.size()), std::pair(5, std::size_t{12}));
    ASSERT_EQ(panelRefusal(panel), "");
    const ObserverFit fit = fitObserverPanel(panel, termsOf(panel));
    for (auto [value, interval, truth] : {std::tuple{fit.thresholdFactor, fit.thresholdFactorCi95, panelFactor},
                                          std::tuple{fit.noiseEfficiency, fit.noiseEfficiencyCi95, panelEfficiency}}) {
        EXPECT_NEAR(value / truth, 1.0, 0.1) << value;
        EXPECT_TRUE(interval[0] <= truth && truth <= interval[1]) << interval[0] << " to " << interval[1];
    }
    EXPECT_LT(fit.rmsLogResidual, 0.15);

    const Panel two = without(panel, [](const PanelReading& r, auto&) { return r.observer > "observer 2"; });
    EXPECT_NE(panelRefusal(two).find("at least 3 observers, and the readings hold 2: add"), std::string::npos);
    const Panel oneSetting = without(
        panel, [](auto&, const PanelCondition& c) { return c.cameraFile != "camera1.par" || !c.display.automatic; });
    EXPECT_EQ(oneSetting.observers, 5);
    EXPECT_NE(panelRefusal(oneSetting).find("one camera (camera1.par) read with one display setting"),
              std::string::npos);
}

// Panels drawn from the chain's predictions at known parameters: each observer's factor off the
// panel's by a log-normal 8 %, each reading by 10 %. Over many panels the 95 % intervals must hold
// the panel's parameters about 95 % of the time.
TEST(ObserverFit, IntervalsHoldTheTruthNinetyFivePercentOfTheTime) {
    Panel panel;
    std::vector<ChainTerms> terms;
    // Noise terms and eye thresholds as the shipped cameras give them, from a wide window to a noisy one.
    for (double noise : {0.02, 0.2, 0.6, 1.9, 3.2})
        for (double eye : {0.001, 0.004}) {
            panel.conditions.push_back({});
            terms.push_back({0.0, eye, noise});
        }
    std::mt19937_64 random(7);
    std::normal_distribution<double> normal;
    constexpr int panels = 300;
    int holdsFactor = 0, holdsEfficiency = 0;
    for (int k = 0; k < panels; ++k) {
        panel.readings.clear();
        for (int o = 0; o < 5; ++o) {
            const double own = std::exp(0.08 * normal(random));
            for (std::size_t c = 0; c < terms.size(); ++c)
                panel.readings.push_back(
                    {"observer " + std::to_string(o), c,
                     own * std::exp(0.1 * normal(random)) * predictedMrtd(terms[c], panelFactor, panelEfficiency)});
        }
        panel.observers = 5;
        const ObserverFit fit = fitObserverPanel(panel, terms, 400, static_cast<std::uint64_t>(k));
        holdsFactor += fit.thresholdFactorCi95[0] <= panelFactor && panelFactor <= fit.thresholdFactorCi95[1];
        holdsEfficiency +=
            fit.noiseEfficiencyCi95[0] <= panelEfficiency && panelEfficiency <= fit.noiseEfficiencyCi95[1];
    }
    // 285 expected; 270 lies three standard deviations below, an interval that held 85 % would give 255.
    EXPECT_GE(holdsFactor, 270);
    EXPECT_GE(holdsEfficiency, 270);
    EXPECT_LE(std::max(holdsFactor, holdsEfficiency), 299);
}

} // namespace
