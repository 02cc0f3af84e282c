// The live image's pacing on a simulated clock: the camera's own rate, even drops, no catching up.
#include "console/frame_pacing.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A camera's rate, the seconds a presentation costs, the frames it may show in 10 s and its largest gap.
struct PacingCase {
    double rate, cost;
    std::size_t fewest, most;
    long long largestGap;
};
class FramePacingRate : public testing::TestWithParam<PacingCase> {};

// A machine that keeps up presents every frame, at the camera's rate and not at the rate of a
// whole-millisecond period (1000 / 16 = 62.5 for 60 Hz); one that needs 25 ms a frame at 60 Hz drops
// evenly: never a gap of more than two frames, never a frame twice, shown plus dropped the camera's.
TEST_P(FramePacingRate, PresentsAtTheCameraRateAndDropsEvenly) {
    const PacingCase& p = GetParam();
    // 10 s on a simulated clock; ticks rounded up to whole milliseconds as the window's timer rounds.
    FramePacing pacing(p.rate);
    pacing.start(12.5);
    std::vector<long long> presented;
    long long dropped = 0;
    for (double now = 12.5; now < 22.5;) {
        const FramePacing::Tick t = pacing.tick(now);
        if (t.present) {
            presented.push_back(t.frame);
            dropped += t.dropped;
            now += p.cost;
            now += std::ceil(pacing.wait(now) * 1000.0) / 1000.0;
        } else
            now += std::max(std::ceil(t.wait * 1000.0) / 1000.0, 0.001);
    }
    EXPECT_GE(presented.size(), p.fewest);
    EXPECT_LE(presented.size(), p.most);
    EXPECT_TRUE(p.largestGap > 1 || dropped == 0) << dropped;
    for (std::size_t k = 1; k < presented.size(); ++k) {
        ASSERT_GE(presented[k] - presented[k - 1], 1) << k;
        ASSERT_LE(presented[k] - presented[k - 1], p.largestGap) << k;
    }
    EXPECT_EQ(static_cast<long long>(presented.size()) + dropped, presented.back() + 1);
}

INSTANTIATE_TEST_SUITE_P(Rates, FramePacingRate,
                         testing::Values(PacingCase{60.0, 0.002, 599, 601, 1}, PacingCase{50.0, 0.004, 499, 501, 1},
                                         PacingCase{30.0, 0.0, 299, 301, 1}, PacingCase{25.0, 0.010, 249, 251, 1},
                                         PacingCase{59.94, 0.003, 598, 600, 1}, PacingCase{60.0, 0.025, 301, 419, 2}));

// After a stall the next frame shown is the one due now, not the ones missed meanwhile.
TEST(FramePacing, AStallIsNotCaughtUpFrameByFrame) {
    FramePacing pacing(50.0);
    pacing.start(0.0);
    EXPECT_TRUE(pacing.tick(0.0).present);
    const FramePacing::Tick late = pacing.tick(1.0); // a second with no tick
    EXPECT_TRUE(late.present && late.frame == 50 && late.dropped == 49);
    EXPECT_FALSE(pacing.tick(1.001).present);
    EXPECT_NEAR(pacing.tick(1.001).wait, 0.019, 1e-9);
}

TEST(FramePacing, ANonPositiveRateFallsBackToOnePerSecond) {
    for (double rate : {0.0, -5.0, std::nan("")})
        EXPECT_EQ(FramePacing(rate).rate(), 1.0);
}

} // namespace
