#include "core/platform/ControlSocket.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace morvelan {

namespace {

Error fail(std::string message, bool notFound = false) {
    return Error{std::move(message), notFound};
}

} // namespace

Result<std::filesystem::path> controlSocketPath(std::string_view display) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || *runtime != '/')
        return fail("XDG_RUNTIME_DIR is not set, so there is no private place for the "
                    "running copy's socket");
    std::string name = "morvelan-" + std::to_string(::getuid()) + "-";
    for (char c : display)
        name +=
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.'
                ? c
                : '_';
    return std::filesystem::path(runtime) / (name + ".sock");
}

std::optional<uid_t> peerUid(int fd) {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0) return std::nullopt;
    return cred.uid;
}

Result<ControlConnection> ControlConnection::open(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return fail("Morvelan is not running (no " + path.string() + ")", errno == ENOENT);
    if (!S_ISSOCK(st.st_mode)) return fail(path.string() + " is not a socket");
    if (st.st_uid != ::getuid())
        return fail("refused " + path.string() + ": it belongs to user " +
                    std::to_string(st.st_uid) + ", not to you");
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
        return fail("refused " + path.string() + ": other users may open it (mode " + mode + ")");
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path)
        return fail(path.string() + " is too long for a socket path");
    std::memcpy(address.sun_path, path.c_str(), path.native().size());
    ControlConnection connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connection.fd_ < 0) return fail(std::string("no socket: ") + std::strerror(errno));
    if (::connect(connection.fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        0) {
        const int err = errno;
        // A socket left behind by a copy that ended.
        if (err == ECONNREFUSED || err == ENOENT)
            return fail("Morvelan is not running (nobody listens on " + path.string() + ")", true);
        return fail("cannot connect to " + path.string() + ": " + std::strerror(err));
    }
    if (peerUid(connection.fd_) != ::getuid())
        return fail("refused " + path.string() + ": another user listens on it");
    return connection;
}

ControlConnection::ControlConnection(ControlConnection&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), buffer_(std::move(other.buffer_)) {}

ControlConnection& ControlConnection::operator=(ControlConnection&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        buffer_ = std::move(other.buffer_);
    }
    return *this;
}

ControlConnection::~ControlConnection() {
    if (fd_ >= 0) ::close(fd_);
}

Result<void> ControlConnection::send(std::string_view line) {
    std::string data(line);
    data += '\n';
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(std::string("cannot send: ") + std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Result<std::string> ControlConnection::readLine() {
    for (;;) {
        if (const auto end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        char chunk[4096];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(std::string("cannot read: ") + std::strerror(errno));
        if (n == 0) return fail("Morvelan closed the connection", true);
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

} // namespace morvelan
