#pragma once

#include <memory>
#include <string>
#include <vector>

class QGuiApplication;

// A command's parsed words as the commands kept in their own files read them.
class CommandWords {
public:
    virtual ~CommandWords() = default;
    virtual bool has(const char* option) const = 0;
    virtual std::string value(const char* option) const = 0;
    // Every value of an option given more than once, in order.
    virtual std::vector<std::string> values(const char* option) const = 0;
    virtual std::vector<std::string> positional() const = 0;
    // The running program's own path, for command lines it writes for later.
    virtual std::string program() const = 0;
    // The whole command line as it was given, program first, for a result to name what made it.
    virtual std::vector<std::string> commandLine() const = 0;
    // Whether one of the outputs is standard output ("--csv -"): the command then prints nothing else
    // there, so that what a pipe receives is that output alone.
    virtual bool standardOutputTaken() const = 0;
    // Qt paints only with an application object: held while a picture is drawn.
    virtual std::unique_ptr<QGuiApplication> painting() const = 0;
};

// Words given to a command from elsewhere than its command line (a study plan's range options),
// parsed by the command's own parser, so that they mean what they would mean typed; none, with
// the parser's reason ("unknown option --extintion"), when it refuses them.
std::unique_ptr<CommandWords> parseCommandWords(const std::string& command, const std::vector<std::string>& words,
                                                std::string& error);
