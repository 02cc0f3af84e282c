#pragma once

#include "console/bench_state.h"
#include "console/startup.h"
#include "gui/main_console.h"
#include "text/messages.h"

#include <QString>
#include <QtTest>

#include <memory>
#include <string>

// A started bench window, as the program starts one: the start sequence from the program's path,
// the console shown and its deferred start run.
struct StartedBench {
    BenchState state;
    MessageLog log;
    std::unique_ptr<MainConsole> console;

    explicit StartedBench(const std::string& program) {
        constructApplication(state, log);
        if (!startApplication(state, program, log))
            return;
        console = std::make_unique<MainConsole>(state, log);
        console->show();
        QTRY_VERIFY_WITH_TIMEOUT(console->noiseOn(), 10000);
    }
    template <class W>
    W* control(int id) const {
        return console->findChild<W*>(QString::number(id));
    }
};
