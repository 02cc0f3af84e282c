#pragma once

#include "console/bench.h"
#include "console/open_bench.h"

#include <optional>

// Everything one rendering of the bench is set up from: the records it opens on (camera, target,
// atmosphere, seed, image model), then the bars as an observer sets them up. The command-line tool,
// the stored renderings and the fuzzers all set a bench up through applyBenchCase, so that they
// render the same bench the same way.
struct BenchCase {
    BenchSources sources;
    BarOrientation orientation = BarOrientation::Vertical;
    bool randomise = false; // the random target position, on before the frequency is chosen
    // The frequency in cycles per mrad, one of frequencyChoices; none leaves the bars as the bench
    // opened, with neither phase nor temperature difference set (the model observer sets its own).
    std::optional<double> frequency;
    double phaseX = 0.0, phaseY = 0.0;  // camera-view pixels, on top of the position's own phase
    double temperatureDifference = 0.0; // kelvin, set on the trackbar's grid
};

// Opens the bench on the case's records (see openBench, whose fault it returns), then the orientation,
// the randomise switch, the frequency, the phase and the temperature difference.
BenchOpenFault applyBenchCase(Bench& bench, const BenchCase& benchCase);
