#pragma once

#include <string>
#include <vector>

// Where the core's user-facing messages go: a message box in the bench, stderr in the command-line
// tool, a list in the tests. The text is shown exactly as given.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void message(const std::string& text) = 0;
};

// Keeps every message; used by the tests and by callers that decide later what to show.
class MessageLog : public MessageSink {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// Drops every message: for the copies of a bench that the measurements work on, whose files were read,
// and any fault in them said, when the bench itself was opened.
class DiscardMessages : public MessageSink {
public:
    void message(const std::string&) override {}
};
