#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Writes session files (writeWholeFile: whole, flushed, renamed) on a thread of its own, so that
// whoever records a reading does not wait for the disk. A text handed over replaces one not yet
// begun: the last one handed over is always written, and no older one after it.
class SessionFileWriter {
public:
    // `ended` is called on the writer's thread after each write, with nothing locked.
    explicit SessionFileWriter(std::function<void()> ended);
    // Writes what is pending, then ends the thread.
    ~SessionFileWriter();
    SessionFileWriter(const SessionFileWriter&) = delete;
    SessionFileWriter& operator=(const SessionFileWriter&) = delete;

    void write(std::string path, std::string text);
    // Returns once everything handed over is written.
    void flush();
    // The writes ended since the last call, in order: an empty text for one written, else why not.
    std::vector<std::string> takeOutcomes();

private:
    void run();

    std::function<void()> ended_;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::optional<std::pair<std::string, std::string>> pending_; // path, text
    bool busy_ = false;
    bool stop_ = false;
    std::vector<std::string> outcomes_;
    std::thread thread_; // last, so that it starts once the rest is made
};
