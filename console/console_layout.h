#pragma once

#include "camera/camera_set.h"
#include "sim/sim_state.h"

#include <map>

// Where the console window puts each control, as a function of its client size and the image
// view's size alone, so the placement can be checked without a window. The window only applies it.
struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }   // one past the last column
    int bottom() const { return y + height; } // one past the last row
    bool intersects(const LayoutRect& other) const {
        return x < other.right() && other.x < right() && y < other.bottom() && other.y < bottom();
    }
    bool operator==(const LayoutRect&) const = default;
};

struct ConsoleLayoutInput {
    int width = 0; // the window's client area
    int height = 0;
    // The menu bar's natural size; it fits in the strip above the image.
    int menuWidth = 0;
    int top = 0;
    int viewWidth = 0; // the detector image in screen pixels, without the margin
    int viewHeight = 0;
    int viewBoxWidth = 0; // the image view with its margin
    int viewBoxHeight = 0;
    int radioWidth = 40; // a frequency radio, "4" at its natural size
    int radioHeight = 25;
    // The narrowest results list that shows every column whole (its tab stops drawn closer than
    // written when the window is narrow).
    int listWidth = 300;
    // The Display group's natural size.
    int displayWidth = 360;
    int displayHeight = 90;
    // Each control's natural width (the vertical caption's length along its axis), by control id;
    // a control left out keeps its written width.
    std::map<int, int> captionWidths;
};

// The controls the observer works with; the operator's controls lie over them when shown, as they
// always have, and are placed as written.
bool isObserverControl(int id);

// The image view's sizes for a camera at the view's scales.
ConsoleLayoutInput imageViewInput(const CameraSet& camera, const ViewScales& scales);

// Every placed control's rectangle by control id.
std::map<int, LayoutRect> consoleLayout(const ConsoleLayoutInput& in);
