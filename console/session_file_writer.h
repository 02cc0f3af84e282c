#pragma once

#include <condition_variable>
#include <cstddef>
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

    // What one write ended with: an empty problem for one written, else why not; and how many of the
    // session's readings the text handed over held.
    struct Outcome {
        std::string problem;
        std::size_t readings = 0;
    };

    void write(std::string path, std::string text, std::size_t readings);
    // Returns once everything handed over is written.
    void flush();
    // The writes ended since the last call, in order.
    std::vector<Outcome> takeOutcomes();

private:
    void run();

    std::function<void()> ended_;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    struct Pending {
        std::string path, text;
        std::size_t readings = 0;
    };
    std::optional<Pending> pending_;
    bool busy_ = false;
    bool stop_ = false;
    std::vector<Outcome> outcomes_;
    std::thread thread_; // last, so that it starts once the rest is made
};
