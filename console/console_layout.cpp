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

std::map<int, LayoutRect> consoleLayout(const ConsoleLayoutInput& in) {
    using namespace controlId;
    const int w = in.width;
    const int h = in.height;
    const int r = std::max(27 + in.viewWidth, 500);
    std::map<int, LayoutRect> at;
    auto place = [&at](int id, int x, int y, int width, int height) {
        at[id] = {x, y, std::max(width, 1), std::max(height, 1)};
    };
    place(modeOfWorkGroup, 10, 20, 120, h - 30);
    place(distanceEdit, w - 100, h - 170, 90, 27);
    place(applyButton, 20, h - 35, 70, 25);
    place(notRecognizedButton, w / 2 + 150, h - 35, 90, 25);
    place(helpButton, w - 80, h - 35, 70, 25);
    place(saveTableButton, w - 160, h - 35, 70, 25);
    place(temperatureCaption, 180, h - 55, 170, 25);
    place(viewValueCheck, w / 2, h - 65, 270, 25);
    place(temperatureSlider, 90, h - 35, w / 2, 25);
    for (int id : resultLists)
        place(id, r + 40, 30, w - r - 50, 295);
    place(mrtdPlot, r + 40, 335, w - r - 50, h - 435);
    place(frequencyAxisCaption, r + 40, h - 100, 370, 25);
    place(mrtdAxisCaption, r + 25, 550, 25, 25);
    place(benchCaption, w / 2 + 250, h - 32, w / 2 - 420, 20);
    place(targetsCaption, 110 - in.radioWidth, h - 150, in.radioWidth, in.radioHeight);
    place(cameraRadios[0], 50, h - 90, 70, 25);
    const int cameraX[] = {150, 250, 350, 450};
    for (int k = 1; k < cameraSlots; ++k)
        place(cameraRadios[static_cast<std::size_t>(k)], cameraX[k - 1], h - 90, 80, 25);
    place(randomiseCheck, 400, h - 150, 120, 27);
    int x = 40;
    for (int id : frequencyRadios) {
        place(id, x, h - 120, in.radioWidth, in.radioHeight);
        x += in.radioWidth + 10;
    }
    place(imageView, 17, 30, in.viewBoxWidth, in.viewBoxHeight);
    return at;
}
