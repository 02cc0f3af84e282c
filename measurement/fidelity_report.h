#pragma once

#include "console/bench.h"

#include <string>
#include <vector>

// Measurements taken from rendered images beside what the camera file predicts for them.
struct FidelityRow {
    std::string quantity;
    double measured = 0.0;
    double predicted = 0.0;
    double ratio() const { return predicted != 0.0 ? measured / predicted : 0.0; }
};

// The modulation at each frequency, the frame noise, and the in-band signals, for the camera in use.
// The in-band signals stand beside a fine integration over the same response for the same
// temperature scale (°C + 273.0): with the bench's radiation constants and base, which checks its
// integration, and with the physical constants and e, which shows what they change.
std::vector<FidelityRow> fidelityReport(Bench& console);
