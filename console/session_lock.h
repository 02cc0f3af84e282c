#pragma once

#include <string>
#include <utility>

// Holds a session file against every other bench, in this process or another, for as long as one
// records into it. Two holds, both let go by the system when the process ends however it ends (so
// the lock of a bench that crashed is free at once and no stale lock has to be guessed at):
// - an advisory lock on "FILE.lock" beside the file, which a person looking at the folder sees;
// - a claim on the session's name with the system (an abstract socket named after the file's
//   canonical path), which no file operation can take away: a bench whose lock file someone deleted
//   still keeps every other bench from taking its session up.
class SessionLock {
public:
    SessionLock() = default;
    ~SessionLock() { release(); }
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;
    SessionLock(SessionLock&& other) noexcept { *this = std::move(other); }
    SessionLock& operator=(SessionLock&& other) noexcept;

    // Takes the lock of the session file at sessionPath, making its folder when it is missing.
    // False, with the reason, when another bench holds either hold ("another bench is recording into
    // it") or the folder or the lock cannot be made (the system's reason: "cannot make the folder
    // '/data/tervix': Permission denied").
    bool acquire(const std::string& sessionPath, std::string& problem);
    // Before each write: the lock file still there and still the very file taken (its device and
    // inode). False, with the reason, when it went or another file took its place: the lock is lost
    // then and never taken again, for another bench may have taken the session up meanwhile. The
    // claim stays until release, so that no bench takes the session up while this one lives.
    bool confirm(std::string& problem);
    // Lets go of both, and removes the lock file when it is still the one taken.
    void release();
    bool held() const { return fd_ >= 0; }
    bool lost() const { return lost_; }

    static std::string lockPathOf(const std::string& sessionPath) { return sessionPath + ".lock"; }

private:
    std::string sessionPath_;
    int fd_ = -1;
    int claim_ = -1;
    bool lost_ = false;
};
