#include "console/console_layout.h"

#include "console/bench.h"
#include "console/control_ids.h"
#include "text/messages.h"

#include "test_support.h"

#include <gtest/gtest.h>

using testing_support::shippedFile;

namespace {

using namespace controlId;

struct Screen {
    int width;
    int height;
};

// The image view's sizes for a shipped camera as its activation leaves them.
ConsoleLayoutInput viewOf(const std::string& camera) {
    BenchState state;
    MessageLog log;
    EXPECT_TRUE(loadCameraFile(state, shippedFile(camera), CameraLoadMode::Full, log));
    Bench bench(state, log);
    bench.activateCamera();
    return imageViewInput(state.camera.set, state.sim.scales);
}

// Captions at a 12-pixel face's widths, rounded up.
ConsoleLayoutInput withCaptions(ConsoleLayoutInput in, Screen screen) {
    in.width = screen.width;
    in.height = screen.height;
    in.listWidth = 270;
    in.captionWidths = {{temperatureCaption, 140}, {benchCaption, 330},   {targetsCaption, 50},
                        {randomiseCheck, 135},     {viewValueCheck, 95},  {frequencyAxisCaption, 240},
                        {mrtdAxisCaption, 105},    {observerCaption, 55}, {verticalBarsRadio, 65},
                        {horizontalBarsRadio, 80}};
    return in;
}

bool contains(const LayoutRect& outer, const LayoutRect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

bool isResultList(int id) {
    return std::find(resultLists.begin(), resultLists.end(), id) != resultLists.end();
}

class ConsoleLayoutAt : public testing::TestWithParam<std::tuple<const char*, Screen>> {};

} // namespace

// No two of the observer's controls overlap (the five lists share one place: one is shown at a
// time), every one lies inside the window, and every caption, the list and the vertical axis
// caption have their whole length.
TEST_P(ConsoleLayoutAt, NothingOverlapsAndEveryCaptionIsWhole) {
    const auto [camera, screen] = GetParam();
    // The window's client area: the screen less a panel and the window's frame.
    for (Screen client : {screen, Screen{screen.width - 8, screen.height - 60}}) {
        ConsoleLayoutInput in = withCaptions(viewOf(camera), client);
        in.menuWidth = 225, in.top = 22, in.displayWidth = 270, in.displayHeight = 100; // the menu bar, the group
        const auto layout = consoleLayout(in);
        const LayoutRect window{0, 0, client.width, client.height};
        std::vector<std::pair<int, LayoutRect>> shown;
        for (const auto& [id, r] : layout)
            if (isObserverControl(id))
                shown.emplace_back(id, r);
        for (std::size_t a = 0; a < shown.size(); ++a) {
            EXPECT_TRUE(contains(window, shown[a].second))
                << shown[a].first << " at " << client.width << "x" << client.height;
            for (std::size_t b = a + 1; b < shown.size(); ++b) {
                if (isResultList(shown[a].first) && isResultList(shown[b].first))
                    continue;
                EXPECT_FALSE(shown[a].second.intersects(shown[b].second))
                    << shown[a].first << " and " << shown[b].first << " at " << client.width << "x" << client.height;
            }
        }
        for (const auto& [id, width] : in.captionWidths) {
            const LayoutRect& r = layout.at(id);
            EXPECT_GE(id == mrtdAxisCaption ? r.height : r.width, width) << id;
        }
        EXPECT_GE(layout.at(resultLists[0]).width, in.listWidth);
        EXPECT_GE(layout.at(displayGroup).width, in.displayWidth);
        EXPECT_EQ(layout.at(imageView).width, in.viewBoxWidth);
        EXPECT_EQ(layout.at(imageView).height, in.viewBoxHeight);
    }
}

INSTANTIATE_TEST_SUITE_P(ConsoleLayout, ConsoleLayoutAt,
                         testing::Combine(testing::Values("camera1.par", "camera2.par", "camera3.par", "camera4.par",
                                                          "camera5.par"),
                                          testing::Values(Screen{1024, 768}, Screen{1280, 800}, Screen{1366, 768},
                                                          Screen{1600, 900}, Screen{1920, 1080}, Screen{2560, 1440})),
                         [](const testing::TestParamInfo<ConsoleLayoutAt::ParamType>& info) {
                             std::string camera = std::get<0>(info.param);
                             camera = camera.substr(0, camera.find('.'));
                             const Screen s = std::get<1>(info.param);
                             return camera + "_" + std::to_string(s.width) + "x" + std::to_string(s.height);
                         });

// Where nothing collides the controls keep their written places.
TEST(ConsoleLayout, KeepsTheWrittenPlacesWhereNothingCollides) {
    ConsoleLayoutInput in = withCaptions(viewOf("camera1.par"), {1920, 1080});
    const auto layout = consoleLayout(in);
    const int h = in.height;
    const int w = in.width;
    EXPECT_EQ(layout.at(imageView), (LayoutRect{17, 30, in.viewBoxWidth, in.viewBoxHeight}));
    EXPECT_EQ(layout.at(applyButton), (LayoutRect{20, h - 35, 70, 25}));
    EXPECT_EQ(layout.at(notRecognizedButton), (LayoutRect{w / 2 + 150, h - 35, 90, 25}));
    EXPECT_EQ(layout.at(controlId::temperatureSlider), (LayoutRect{90, h - 35, w / 2, 25}));
    EXPECT_EQ(layout.at(saveTableButton), (LayoutRect{w - 160, h - 35, 70, 25}));
    EXPECT_EQ(layout.at(helpButton), (LayoutRect{w - 80, h - 35, 70, 25}));
    EXPECT_EQ(layout.at(benchCaption), (LayoutRect{w / 2 + 250, h - 32, w / 2 - 420, 20}));
    EXPECT_EQ(layout.at(cameraRadios[2]), (LayoutRect{250, h - 90, 80, 25}));
    EXPECT_EQ(layout.at(frequencyRadios[0]), (LayoutRect{40, h - 120, in.radioWidth, in.radioHeight}));
    EXPECT_EQ(layout.at(observerBox), (LayoutRect{190, h - 150, 200, 27}));
    EXPECT_EQ(layout.at(verticalBarsRadio), (LayoutRect{352, h - 120, 75, in.radioHeight}));
    // The list and plot start to the right of the view with its margin, not under it.
    EXPECT_GE(layout.at(resultLists[0]).x, 17 + in.viewBoxWidth);
    EXPECT_EQ(layout.at(resultLists[0]).y, 30);
    EXPECT_EQ(layout.at(mrtdPlot).y, 335);
    EXPECT_EQ(layout.at(mrtdPlot).bottom(), h - 100);
    EXPECT_EQ(layout.at(frequencyAxisCaption).y, h - 100);
}
