#include "console/session_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool sameFile(int fd, const std::string& path) {
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// The session's name claimed with the system: an abstract socket (no file, gone with the process)
// named after the canonical path. -1 with taken set when another process holds the name; -1 alone
// when the system offers no such sockets, and the lock file holds by itself.
int claimName(const std::string& sessionPath, bool& taken) {
    taken = false;
    std::error_code error;
    const std::string canonical = std::filesystem::weakly_canonical(sessionPath, error).string();
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a: the same name in every process
    for (unsigned char c : canonical.empty() ? sessionPath : canonical)
        hash = (hash ^ c) * 1099511628211ull;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "tervix-session-%016llx",
                                     static_cast<unsigned long long>(hash));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address),
               static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<std::size_t>(length))) == 0)
        return fd;
    taken = errno == EADDRINUSE;
    ::close(fd);
    return -1;
}

} // namespace

SessionLock& SessionLock::operator=(SessionLock&& other) noexcept {
    if (this != &other) {
        release();
        sessionPath_ = std::move(other.sessionPath_);
        fd_ = std::exchange(other.fd_, -1);
        claim_ = std::exchange(other.claim_, -1);
        lost_ = std::exchange(other.lost_, false);
    }
    return *this;
}

bool SessionLock::acquire(const std::string& sessionPath, std::string& problem) {
    release();
    const std::string lockPath = lockPathOf(sessionPath);
    const std::filesystem::path folder = std::filesystem::path(sessionPath).parent_path();
    std::error_code made;
    if (!folder.empty() && !std::filesystem::create_directories(folder, made) && made) {
        problem = "cannot make the folder '" + folder.string() + "': " + made.message();
        return false;
    }
    // A bench letting go removes the file; one that opened it just before then holds a lock on a
    // file no longer named, so the lock counts only once the name still leads to the file locked.
    for (int attempt = 0; attempt < 10 && fd_ < 0; ++attempt) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0) {
            problem = "cannot make the lock '" + lockPath + "': " + std::strerror(errno);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int code = errno;
            ::close(fd);
            problem = code == EWOULDBLOCK ? "another bench is recording into it"
                                          : "cannot lock '" + lockPath + "': " + std::strerror(code);
            return false;
        }
        if (sameFile(fd, lockPath))
            fd_ = fd;
        else
            ::close(fd);
    }
    if (fd_ < 0) {
        problem = "cannot lock '" + lockPath + "': it keeps being removed";
        return false;
    }
    sessionPath_ = sessionPath;
    bool taken = false;
    claim_ = claimName(sessionPath, taken);
    if (taken) { // a live bench whose lock file went still records into it
        release();
        problem = "another bench is recording into it";
        return false;
    }
    // Who holds it, for a person looking at the folder; the lock holds without the note too.
    const std::string holder = std::to_string(::getpid()) + "\n";
    [[maybe_unused]] const bool noted = ::ftruncate(fd_, 0) == 0 && ::write(fd_, holder.data(), holder.size()) > 0;
    return true;
}

bool SessionLock::confirm(std::string& problem) {
    const std::string lockPath = lockPathOf(sessionPath_);
    if (fd_ >= 0 && !lost_ && sameFile(fd_, lockPath))
        return true;
    struct stat named {};
    const bool gone = ::lstat(lockPath.c_str(), &named) != 0;
    lost_ = true;
    problem = "its lock '" + lockPath + "' " + (gone ? "was removed" : "was replaced by another file") +
              " while this bench recorded";
    return false;
}

void SessionLock::release() {
    if (fd_ >= 0) {
        if (sameFile(fd_, lockPathOf(sessionPath_)))
            ::unlink(lockPathOf(sessionPath_).c_str());
        ::close(fd_);
        fd_ = -1;
    }
    if (claim_ >= 0)
        ::close(claim_);
    claim_ = -1;
    lost_ = false;
}
