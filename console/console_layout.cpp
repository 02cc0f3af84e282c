#include "console/console_layout.h"

#include "console/control_ids.h"
#include "sim/truncate.h"

#include <algorithm>

ConsoleLayoutInput imageViewInput(const CameraSet& camera, const ViewScales& s) {
    ConsoleLayoutInput in;
    in.viewWidth = camera.sensorWidth * s.base * s.columnScale;
    in.viewHeight = camera.sensorHeight * s.base * s.rowScale;
    // A camera without its own margin gets a tenth more room around the image.
    const double mx = s.columnFine * s.overall * (camera.viewMargin == 0 ? 1.1 : 1.0);
    const double my = s.rowFine * s.overall * (camera.viewMargin == 0 ? 1.1 : 1.0);
    in.viewBoxWidth = truncToInt(in.viewWidth * mx);
    in.viewBoxHeight = truncToInt(in.viewHeight * my);
    return in;
}

bool isObserverControl(int id) {
    for (int hidden : controlId::operatorControls)
        if (hidden == id)
            return false;
    for (int hidden : controlId::neverShown)
        if (hidden == id)
            return false;
    return true;
}

namespace {
constexpr int gap = 6;          // between the image view and the right-hand column
constexpr int rightMargin = 10; // from the right-hand column to the window's edge
constexpr int axisCaptionThickness = 18;
} // namespace

std::map<int, LayoutRect> consoleLayout(const ConsoleLayoutInput& in) {
    using namespace controlId;
    const int w = in.width;
    const int h = in.height;
    auto captionWidth = [&in](int id, int written) {
        auto it = in.captionWidths.find(id);
        return it == in.captionWidths.end() ? written : std::max(written, it->second);
    };
    std::map<int, LayoutRect> at;
    auto place = [&at](int id, int x, int y, int width, int height) {
        at[id] = {x, y, std::max(width, 1), std::max(height, 1)};
    };

    // The image view where it always stood; the results list and the plot to its right, at the
    // written column unless the view (with its margin) reaches into it, and moved left only as far
    // as the list needs to show its columns whole.
    const LayoutRect view{17, 30, std::max(in.viewBoxWidth, 1), std::max(in.viewBoxHeight, 1)};
    at[imageView] = view;
    const int written = std::max(27 + in.viewWidth, 500) + 40;
    int columnX = std::max(written, view.right() + gap);
    if (w - rightMargin - columnX < in.listWidth)
        columnX = std::max(view.right() + 2, w - rightMargin - in.listWidth);
    const int columnWidth = w - rightMargin - columnX;
    for (int id : resultLists)
        place(id, columnX, 30, columnWidth, 295);
    // The menu bar at its natural width in the strip above the image.
    place(menuBar, 0, 0, in.menuWidth, in.top);
    // The Display group in the room under the image; where the image leaves too little, between the
    // list and the plot, which gives way.
    int plotY = 335;
    const int underImage = view.bottom() + gap;
    if (underImage + in.displayHeight <= h - 150 - gap && view.x + in.displayWidth <= columnX - gap) {
        place(displayGroup, view.x, underImage, in.displayWidth, in.displayHeight);
    } else {
        place(displayGroup, columnX, plotY, columnWidth, in.displayHeight);
        plotY += in.displayHeight + gap;
    }
    // The vertical caption runs up the plot's left side; the plot gives it room.
    const int plotX = columnX + axisCaptionThickness + 2;
    const int plotHeight = h - 100 - plotY;
    place(mrtdPlot, plotX, plotY, w - rightMargin - plotX, plotHeight);
    place(mrtdAxisCaption, columnX, plotY, axisCaptionThickness, plotHeight);
    place(frequencyAxisCaption, plotX, h - 100,
          std::min(captionWidth(frequencyAxisCaption, 370), w - rightMargin - plotX), 25);

    // The bottom rows as written, each control at least at its natural width; a widened control
    // pushes its right-hand neighbour along rather than covering it.
    place(modeOfWorkGroup, 10, 20, 120, h - 30);
    place(distanceEdit, w - 100, h - 170, 90, 27);
    const int applyWidth = captionWidth(applyButton, 70);
    place(applyButton, 20, h - 35, applyWidth, 25);
    place(temperatureSlider, std::max(90, 20 + applyWidth), h - 35, w / 2, 25);
    const int notRecognizedWidth = captionWidth(notRecognizedButton, 90);
    place(notRecognizedButton, w / 2 + 150, h - 35, notRecognizedWidth, 25);
    const int helpWidth = captionWidth(helpButton, 70);
    const int helpX = std::min(w - 80, w - rightMargin - helpWidth);
    place(helpButton, helpX, h - 35, helpWidth, 25);
    const int saveWidth = captionWidth(saveTableButton, 70);
    const int saveX = std::min(w - 160, helpX - 10 - saveWidth);
    place(saveTableButton, saveX, h - 35, saveWidth, 25);
    // The camera in use named under the camera radios, over the temperature difference's caption.
    place(cameraCaption, 50, h - 65, w / 2 - gap - 50, 15);
    place(temperatureCaption, 180, h - 50, captionWidth(temperatureCaption, 170), 15);
    const int viewValueWidth = captionWidth(viewValueCheck, 270);
    place(viewValueCheck, w / 2, h - 65, viewValueWidth, 25);
    // "Blind" after "View value", which it overrides.
    place(blindCheck, w / 2 + viewValueWidth + gap, h - 65, captionWidth(blindCheck, 60), 25);
    // The bench's caption between "Not recognized" and "Save table" when it fits there, else in the
    // free strip above the list.
    const int benchWidth = captionWidth(benchCaption, 0);
    const int benchX = std::max(w / 2 + 250, w / 2 + 150 + notRecognizedWidth + 10);
    const int benchRoom = std::min(w / 2 - 420, saveX - 10 - benchX);
    if (benchRoom >= benchWidth)
        place(benchCaption, benchX, h - 32, benchRoom, 20);
    else
        place(benchCaption, w - rightMargin - benchWidth, 6, benchWidth, 20);
    // The session file's banner in the strip above the image, after the menu bar and before the
    // bench's caption when that is up there too.
    const int bannerX = in.menuWidth + gap;
    const int bannerRight = at[benchCaption].y == 6 ? at[benchCaption].x - gap : w - rightMargin;
    place(fileStatusBanner, bannerX, 2, bannerRight - bannerX, view.y - 4);
    const int targetsWidth = captionWidth(targetsCaption, in.radioWidth);
    place(targetsCaption, std::max(2, 110 - targetsWidth), h - 150, targetsWidth, in.radioHeight);
    const int cameraX[] = {50, 150, 250, 350, 450};
    int right = 0;
    for (int k = 0; k < cameraSlots; ++k) {
        const int id = cameraRadios[static_cast<std::size_t>(k)];
        const int x = std::max(cameraX[k], right + 6);
        const int width = captionWidth(id, k == 0 ? 70 : 80);
        place(id, x, h - 90, width, 25);
        right = x + width;
    }
    constexpr int randomiseX = 400;
    place(randomiseCheck, randomiseX, h - 150, captionWidth(randomiseCheck, 120), 27);
    // The observer beside "Targets", on the row of "Randomise position", which its box stops short of.
    const int observerWidth = captionWidth(observerCaption, 60);
    place(observerCaption, 130, h - 150, observerWidth, 27);
    place(observerBox, 130 + observerWidth, h - 150, std::min(200, randomiseX - gap - (130 + observerWidth)), 27);
    int x = 40;
    for (int id : frequencyRadios) {
        const int width = captionWidth(id, in.radioWidth);
        place(id, x, h - 120, width, in.radioHeight);
        x += width + 10;
    }
    // The bars' orientation after their frequency, on the same row: above it a tall image view
    // reaches down on the smaller screens.
    x += 2 * gap;
    for (auto [id, written] : {std::pair{verticalBarsRadio, 75}, std::pair{horizontalBarsRadio, 90}}) {
        const int width = captionWidth(id, written);
        place(id, x, h - 120, width, in.radioHeight);
        x += width + gap;
    }
    return at;
}
