// InstanceLock: one running copy per user and display, held as an flock on a file.
#pragma once

#include "core/platform/Result.h"

#include <filesystem>
#include <string_view>

namespace morvelan {

class InstanceLock {
public:
    // The failure's message when another process holds the lock.
    static constexpr const char* alreadyRunning = "another copy is already running";

    // Takes the lock file at `path`; fails when another process (or another
    // InstanceLock) holds it.
    static Result<InstanceLock> acquire(const std::filesystem::path& path);

    // $XDG_RUNTIME_DIR (else /tmp) / morvelan-<uid>-<display>.lock
    static std::filesystem::path defaultPath(std::string_view display);

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace morvelan
