#include "console/session_lock.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameFile(int fd, const std::string& path) {
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

} // namespace

bool SessionLock::acquire(const std::string& sessionPath, std::string& problem) {
    release();
    const std::string lockPath = lockPathOf(sessionPath);
    std::error_code made;
    const std::filesystem::path folder = std::filesystem::path(sessionPath).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, made);
    // A bench letting go removes the file; one that opened it just before then holds a lock on a
    // file no longer named, so the lock counts only once the name still leads to the file locked.
    for (int attempt = 0; attempt < 10; ++attempt) {
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
        if (!sameFile(fd, lockPath)) {
            ::close(fd);
            continue;
        }
        // Who holds it, for a person looking at the folder; the lock holds without the note too.
        const std::string holder = std::to_string(::getpid()) + "\n";
        [[maybe_unused]] const bool noted = ::ftruncate(fd, 0) == 0 && ::write(fd, holder.data(), holder.size()) > 0;
        fd_ = fd;
        sessionPath_ = sessionPath;
        return true;
    }
    problem = "cannot lock '" + lockPath + "': it keeps being removed";
    return false;
}

bool SessionLock::confirm(std::string& problem) {
    if (fd_ >= 0 && sameFile(fd_, lockPathOf(sessionPath_)))
        return true;
    const std::string path = sessionPath_;
    if (fd_ >= 0) {
        ::close(fd_); // the file it locks is gone; removing by name would remove another's
        fd_ = -1;
    }
    return acquire(path, problem);
}

void SessionLock::release() {
    if (fd_ < 0)
        return;
    if (sameFile(fd_, lockPathOf(sessionPath_)))
        ::unlink(lockPathOf(sessionPath_).c_str());
    ::close(fd_);
    fd_ = -1;
}
