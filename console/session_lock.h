#pragma once

#include <string>

// Holds a session file against every other bench, in this process or another, for as long as one
// records into it: an advisory lock on "FILE.lock" beside the file. The system lets go of it when
// the process ends however it ends, so the lock of a bench that crashed is free at once and no
// stale lock has to be guessed at.
class SessionLock {
public:
    SessionLock() = default;
    ~SessionLock() { release(); }
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    // Takes the lock of the session file at sessionPath, making its folder when it is missing.
    // False, with the reason, when another bench holds it or it cannot be made.
    bool acquire(const std::string& sessionPath, std::string& problem);
    // Before each write: the lock file still there and still the one held. One that went (with its
    // folder, say) is made and taken again, before the session file can come back without it;
    // false, with the reason, when another bench took it meanwhile.
    bool confirm(std::string& problem);
    // Lets go and removes the lock file.
    void release();
    bool held() const { return fd_ >= 0; }

    static std::string lockPathOf(const std::string& sessionPath) { return sessionPath + ".lock"; }

private:
    std::string sessionPath_;
    int fd_ = -1;
};
