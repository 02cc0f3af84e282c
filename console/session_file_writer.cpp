#include "console/session_file_writer.h"

#include "text/whole_file.h"

SessionFileWriter::SessionFileWriter(std::function<void()> ended)
    : ended_(std::move(ended)), thread_([this] { run(); }) {}

SessionFileWriter::~SessionFileWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SessionFileWriter::write(std::string path, std::string text, std::size_t readings) {
    {
        std::lock_guard lock(mutex_);
        pending_ = Pending{std::move(path), std::move(text), readings};
    }
    wake_.notify_one();
}

void SessionFileWriter::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !pending_ && !busy_; });
}

std::vector<SessionFileWriter::Outcome> SessionFileWriter::takeOutcomes() {
    std::lock_guard lock(mutex_);
    return std::exchange(outcomes_, {});
}

void SessionFileWriter::run() {
    for (;;) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return pending_ || stop_; });
        if (!pending_)
            return; // stopped, nothing left to write
        Pending job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        std::string problem;
        if (!writeWholeFile(job.path, job.text, problem) && problem.empty())
            problem = "it could not be written";
        lock.lock();
        outcomes_.push_back({problem, job.readings});
        busy_ = false;
        lock.unlock();
        idle_.notify_all();
        if (ended_)
            ended_();
    }
}
