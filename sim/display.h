#pragma once

// The display, from the SensorImage to the presented frame: the display window that level and
// contrast set, the 8-bit mapping through it, each frame's noise, and the frame's zoom and jitter.
#include "sim/display_frame.h"
#include "sim/display_mapping.h"
#include "sim/display_window.h"
#include "sim/display_zoom.h"
