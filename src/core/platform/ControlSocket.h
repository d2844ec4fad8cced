// ControlSocket: the running copy's local socket, through which the command line drives it
// where there is no session bus; both ends check that the other is the same user.
#pragma once

#include "core/platform/Result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace morvelan {

// $XDG_RUNTIME_DIR/morvelan-<uid>-<display>.sock; fails, saying why, without XDG_RUNTIME_DIR.
Result<std::filesystem::path> controlSocketPath(std::string_view display);

// The user id of the process at the other end of a connected local socket.
std::optional<uid_t> peerUid(int fd);

// One connection to the running copy, one JSON line each way per request.
class ControlConnection {
public:
    // Refuses a socket that is not this user's or that others may open, and a listener that
    // runs as another user. Error::notFound: no copy listens there.
    static Result<ControlConnection> open(const std::filesystem::path& path);

    ControlConnection(ControlConnection&& other) noexcept;
    ControlConnection& operator=(ControlConnection&& other) noexcept;
    ControlConnection(const ControlConnection&) = delete;
    ControlConnection& operator=(const ControlConnection&) = delete;
    ~ControlConnection();

    Result<void> send(std::string_view line);
    // The next line without its newline; Error::notFound when the copy closed the connection.
    Result<std::string> readLine();

private:
    explicit ControlConnection(int fd) : fd_(fd) {}
    int fd_ = -1;
    std::string buffer_;
};

} // namespace morvelan
