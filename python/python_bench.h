#pragma once

#include "console/bench_case.h"
#include "text/messages.h"

// A bench as a Python script holds it: the records it opens on, the image model and the bars'
// orientation. Each rendering and each measurement opens a bench of its own on them, as each run of
// tervix-cli does, so that the same arguments give the same numbers as the tool and as each other.
struct PythonBench {
    BenchCase benchCase;   // no frequency: each call sets its own
    double ifovMrad = 0.0; // the detector's angular pitch as the camera file gives it
};

// A bench opened on a case, with what its readers said. Opening needs no interpreter, so callers
// open with the interpreter's lock released.
struct OpenedBench {
    // Raises tervix.Error with the reader's message when a record cannot be read.
    explicit OpenedBench(const BenchCase& benchCase);
    OpenedBench(const OpenedBench&) = delete;
    OpenedBench& operator=(const OpenedBench&) = delete;
    // What the readers said of records they read nonetheless, as Python warnings (the lock held).
    void warn() const;

    BenchState state;
    MessageLog log;
    Bench bench{state, log};
};
