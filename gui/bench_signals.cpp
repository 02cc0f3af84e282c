#include "gui/bench_signals.h"

#include "console/bench.h"

BenchSignals::BenchSignals(Bench& bench, QObject* parent) : QObject(parent), bench_(bench) {
    bench_.addListener(relay_);
}

BenchSignals::~BenchSignals() {
    bench_.removeListener(relay_);
}
