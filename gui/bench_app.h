#pragma once

#include "console/bench_state.h"
#include "text/messages.h"

#include <QString>

class QWidget;

// Shows the core's messages in message boxes with an OK button, exactly as worded.
class MessageBoxSink : public MessageSink {
public:
    void message(const std::string& text) override;
};

// The application object: its construction reads the start camera and builds the kernels; the
// start reads the atmosphere and the camera again and runs the console for the life of the program.
class BenchApp {
public:
    explicit BenchApp(MessageSink& messages);
    // Runs the start and the console; returns false when the start camera cannot be loaded.
    bool InitInstance(const QString& programPath);
    // Releases the images at the end.
    void ExitInstance();

    BenchState& state() { return state_; }

private:
    BenchState state_;
    MessageSink& messages_;
};
