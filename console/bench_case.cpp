#include "console/bench_case.h"

BenchOpenFault applyBenchCase(Bench& bench, const BenchCase& benchCase) {
    BenchState& state = bench.state();
    const BenchOpenFault fault = openBench(bench, benchCase.sources);
    if (fault != BenchOpenFault::None)
        return fault;
    if (benchCase.orientation != bench.orientation())
        bench.setOrientation(benchCase.orientation);
    if (!benchCase.frequency)
        return fault;
    if (benchCase.randomise)
        bench.setRandomisePosition(true);
    bench.selectFrequency(frequencyIndexOf(*benchCase.frequency));
    if (benchCase.phaseX != 0.0 || benchCase.phaseY != 0.0)
        bench.setTargetPhase(state.console.targetPhaseX + benchCase.phaseX,
                             state.console.targetPhaseY + benchCase.phaseY);
    bench.setTemperatureOnGrid(benchCase.temperatureDifference);
    return BenchOpenFault::None;
}
