#pragma once

#include "text/messages.h"

#include <string>

// tervix-cli says why it refuses a run on one line of stderr, "tervix-cli: " and the reason, whoever
// worded it: the core's readers word some messages for the window, over two lines. fail returns
// exitFailure, usageError exitUsage: the command line itself is wrong.
int fail(const std::string& reason);
int usageError(const std::string& reason);

// The core's messages, each said as such a line as it comes; said counts them, so that a command
// whose reader has already said why it stopped adds no second line.
class StderrMessages : public MessageSink {
public:
    void message(const std::string& text) override;
    int said = 0;
};
