#pragma once

#include "console/bench.h"
#include "console/open_bench.h"
#include "measurement/model_observer.h"
#include "text/messages.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace testing_support {

// A started bench on a camera (a shipped one by name, or a path) and the standard target, optionally
// on a quarter of the detector at the same pixel angle to keep the slower measurements short; in
// either image model; adjust, when given, changes the camera record further before it is activated.
// Any message the bench gives fails the test.
struct ObserverBench {
    BenchState state;
    MessageLog log;
    Bench console{state, log};

    explicit ObserverBench(const std::string& camera, std::uint32_t seed = 1, bool quarter = false,
                           ImageModel model = ImageModel::Specified,
                           const std::function<void(CameraSet&)>& adjust = {}) {
        BenchSources sources;
        sources.atmosphere = BenchSource{shippedFile("Atmosphere.ini"), std::nullopt};
        sources.seed = seed;
        sources.imageModel = model;
        sources.camera.path = camera.find('/') == std::string::npos ? shippedFile(camera) : camera;
        sources.target.path = shippedFile("mira.tag");
        sources.adjustCamera = [quarter, adjust](CameraSet& c) {
            const int share = quarter ? 2 : 1;
            c.detectorColumns /= share, c.detectorRows /= share, c.fovCurrentH /= share, c.fovCurrentV /= share;
            if (adjust)
                adjust(c);
        };
        EXPECT_EQ(openBench(console, sources), BenchOpenFault::None);
    }
    ~ObserverBench() { EXPECT_TRUE(log.messages.empty()) << log.messages.front(); }
};

// The settings of the bench as it shows a window `times` as wide as the automatic one at no
// difference, its level kept: the contrast position found by bisection.
inline ObserverSettings widerWindow(const BenchState& prepared, int frequency, double times) {
    BenchState shown = prepared;
    MessageLog log;
    Bench bench(shown, log);
    bench.selectFrequency(frequency); // at no difference, as a frequency choice leaves it
    const double wanted = times * (shown.sim.windowHigh - shown.sim.windowLow);
    const LevelContrast automatic = bench.levelContrast();
    int wide = 0, narrow = automatic.contrast;
    while (narrow - wide > 1) {
        const int middle = (wide + narrow) / 2;
        bench.setDisplayWindow(automatic.level, middle);
        (shown.sim.windowHigh - shown.sim.windowLow >= wanted ? wide : narrow) = middle;
    }
    bench.setDisplayWindow(automatic.level, wide);
    return shownObserverSettings(bench);
}

// The items as the target file gave them: the fidelity reports render scenes of their own and must
// put the bench's target back as they found it.
inline void expectSameItems(const Target& before, const Target& after) {
    EXPECT_EQ(after.distanceOrder, before.distanceOrder);
    ASSERT_EQ(after.items.size(), before.items.size());
    for (std::size_t k = 0; k < before.items.size(); ++k) {
        const TargetItem &a = after.items[k], &b = before.items[k];
        EXPECT_EQ(std::tie(a.name, a.kind, a.vertices, a.temperature, a.distance),
                  std::tie(b.name, b.kind, b.vertices, b.temperature, b.distance))
            << "item " << k;
    }
}

} // namespace testing_support
