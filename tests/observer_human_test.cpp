// The human observer on Camera1 (physical model, a quarter of the detector at the same pixel angle)
// as the screen and the eye change, against classicHuman, and the eye's parts against published figures.
// The frames the observer reads are noisy and classicHuman is worked out from the camera's terms, so
// their agreement tests the frame reading; the trends' sizes are the published model's, which
// classicHuman carries.
#include "measurement/eye_noise.h"
#include "measurement/model_observer.h"

#include "observer_bench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using testing_support::ObserverBench;
using testing_support::widerWindow;

namespace {

struct Readings {
    double human, ideal, classicHuman;
};

Readings readingsAt(ObserverBench& bench, int frequency, ObserverSettings settings) {
    settings.frequencies = {frequencyChoices[static_cast<std::size_t>(frequency)].frequency};
    settings.repeats = 16;
    const FrequencyResult human = measureObjectiveMrtd(bench.state, settings).frequencies[0];
    settings.observer = ObserverKind::Ideal;
    const FrequencyResult ideal = measureObjectiveMrtd(bench.state, settings).frequencies[0];
    EXPECT_EQ(std::pair(human.mrtd.resolved, ideal.mrtd.resolved), std::pair(settings.repeats, settings.repeats));
    return {human.mrtd.mean, ideal.mrtd.mean, human.classicHuman};
}

// A change of the screen (from the laboratory's default unless before says otherwise) moves the human's MRTD by a
// factor the published model (classicHuman) puts from low to high; the frames' factor follows classicHuman's within 15
// %, and the human never reads below the ideal observer.
struct ScreenChange {
    const char* name;
    int frequency;
    ObserverSettings before, after;
    double widen; // a display window this many times the automatic one, when above 0
    double low, high;
};

class HumanObserverScreen : public testing::TestWithParam<ScreenChange> {};

TEST_P(HumanObserverScreen, MovesTheHumanAsThePublishedModel) {
    ScreenChange change = GetParam();
    ObserverBench bench("camera1.par", 1, true, ImageModel::Physical);
    if (change.widen > 0.0)
        change.after = widerWindow(bench.state, change.frequency, change.widen);
    const Readings before = readingsAt(bench, change.frequency, change.before);
    const Readings after = readingsAt(bench, change.frequency, change.after);
    const double model = after.classicHuman / before.classicHuman, frames = after.human / before.human;
    EXPECT_TRUE(model >= change.low && model <= change.high) << model;
    EXPECT_NEAR(frames / model, 1.0, 0.15) << frames << " from the frames, " << model << " from the model";
    EXPECT_GE(before.human, before.ideal);
    EXPECT_GE(after.human, after.ideal);
}

// Magnified eightfold, bars of 0.5 cycles/mrad (2.7 cycles/degree at the eye) fall to a third of a
// cycle per degree, where the eye needs more modulation, and the eye's channel passes the display
// noise its MTF cut before. At 2 cycles/mrad (10.8 cycles/degree) the magnifier first moves the bars
// towards the eye's optimum, then past it. Distance changes the frequency at the eye as the
// magnifier does, but its threefold range, 0.3 to 1 m, moves it by less than 30 %. A dim screen raises the eye's
// threshold; a window four times as wide quarters the modulation while the noise falls with it.
INSTANTIATE_TEST_SUITE_P(
    Observer, HumanObserverScreen,
    testing::Values(
        ScreenChange{"magnifier8", 0, {}, {.viewing = {.magnification = 8.0}}, 0.0, 1.5, 2.5},
        ScreenChange{"magnifier2near", 3, {}, {.viewing = {.magnification = 2.0}}, 0.0, 0.8, 0.98},
        ScreenChange{"magnifier8near", 3, {}, {.viewing = {.magnification = 8.0}}, 0.0, 1.1, 2.0},
        ScreenChange{
            "nearToFar", 0, {.viewing = {.distance = 0.3}}, {.viewing = {.distance = 1.0}}, 0.0, 1.0 / 1.3, 1.3},
        ScreenChange{"dim", 0, {}, {.viewing = {.peakLuminance = 1.0}}, 0.0, 1.5, 3.0},
        ScreenChange{"wide", 0, {}, {}, 4.0, 2.0, 4.0}),
    [](const auto& info) { return std::string(info.param.name); });

// The eye's parts against figures published apart from the formulas the chain uses.
TEST(HumanEye, PupilAndNoiseBandwidthsMatchTheirPublishedForms) {
    // de Groot and Gebhard (1952): log10 D = 0.8558 - 0.000401 (log10 L + 8.6)^3, L in millilamberts,
    // one eye; the chain's pupil is for two eyes, 0.5 mm smaller.
    for (double candelas : {0.1, 1.0, 10.0, 100.0}) {
        const double millilamberts = candelas / 3.183;
        const double published = std::pow(10.0, 0.8558 - 0.000401 * std::pow(std::log10(millilamberts) + 8.6, 3));
        EXPECT_NEAR(pupilDiameter(candelas) + 0.5, published, 0.3) << candelas << " cd/m2";
    }
    // The eye's noise weight falls with the luminance: about sixfold in alpha between the pattern
    // means of a 100 and a 1 cd/m² screen (22 and 0.22 cd/m²).
    EXPECT_NEAR(std::sqrt(eyeNoiseWeight(22.0) / eyeNoiseWeight(0.22)), 6.0, 0.6);
    // With blocks far smaller than a cycle and a frequency where the eye passes nearly everything,
    // the channel's bandwidth is 2 u sqrt(pi / 4.4) exp(1 / 17.6) and the bars' length passes u / 3.5.
    const double u = 0.01;
    const EyeNoiseBandwidths q = eyeNoiseBandwidths(u, 100.0, 1e-4, 1e-4);
    EXPECT_NEAR(q.across / (2.0 * u * std::sqrt(std::numbers::pi / 4.4) * std::exp(1.0 / 17.6)), 1.0, 0.03);
    EXPECT_NEAR(q.along / (u / 3.5), 1.0, 0.03);
    // The eye's MTF halves the noise it lets through at the bars' 10.8 cycles per degree on Camera1.
    EXPECT_LT(eyeMtf(10.8, pupilDiameter(24.0)), 0.7);
}

} // namespace
