#include "core/platform/InstanceLock.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace morvelan {

Result<InstanceLock> InstanceLock::acquire(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return failure("cannot open " + path.string() + ": " + std::strerror(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return failure(alreadyRunning);
        return failure("cannot lock " + path.string() + ": " + std::strerror(err));
    }
    // The pid helps a person find the holder; the lock itself is what counts.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] auto n = ::write(fd, pid.data(), pid.size());
    }
    return InstanceLock(fd);
}

std::filesystem::path InstanceLock::defaultPath(std::string_view display) {
    std::filesystem::path dir = "/tmp";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        dir = runtime;
    std::string name = "morvelan-" + std::to_string(::getuid()) + "-";
    for (char c : display)
        name += (std::isalnum(static_cast<unsigned char>(c)) || c == '.') ? c : '_';
    return dir / (name + ".lock");
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

} // namespace morvelan
