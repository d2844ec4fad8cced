// SwayIpc: one connection to sway's IPC socket.
#include "sway/SwayIpc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morvelan {
namespace {

constexpr std::string_view magic = "i3-ipc";
constexpr std::size_t headerSize = magic.size() + 8;
// sway answers from its own loop; a compositor that stalls this long is stuck.
constexpr int replyTimeoutMs = 2000;

} // namespace

Result<std::unique_ptr<SwayIpc>> SwayIpc::connect(const std::string& path) {
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return failure("no usable sway socket path");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return failure(std::strerror(errno));
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int err = errno;
        ::close(fd);
        return failure("cannot connect to " + path + ": " + std::strerror(err));
    }
    return std::unique_ptr<SwayIpc>(new SwayIpc(fd));
}

SwayIpc::~SwayIpc() {
    if (fd_ >= 0) ::close(fd_);
}

bool SwayIpc::send(std::uint32_t type, std::string_view payload) {
    if (lost_) return false;
    std::string out(magic);
    const auto length = static_cast<std::uint32_t>(payload.size());
    out.append(reinterpret_cast<const char*>(&length), 4);
    out.append(reinterpret_cast<const char*>(&type), 4);
    out.append(payload);
    for (std::size_t sent = 0; sent < out.size();) {
        const ssize_t n = ::send(fd_, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return !(lost_ = true);
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<SwayIpc::Message> SwayIpc::take() {
    if (buffer_.size() < headerSize) return std::nullopt;
    if (buffer_.compare(0, magic.size(), magic) != 0) {
        lost_ = true;
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    std::memcpy(&length, buffer_.data() + magic.size(), 4);
    std::memcpy(&type, buffer_.data() + magic.size() + 4, 4);
    if (buffer_.size() < headerSize + length) return std::nullopt;
    Message m{type, nlohmann::json::parse(buffer_.begin() + headerSize,
                                          buffer_.begin() + headerSize + length, nullptr, false)};
    buffer_.erase(0, headerSize + length);
    return m;
}

std::optional<nlohmann::json> SwayIpc::request(std::uint32_t type, std::string_view payload) {
    if (!send(type, payload)) return std::nullopt;
    char chunk[65536];
    while (!lost_) {
        while (auto m = take()) {
            // Only a listener gets events; a stray one is not the reply.
            if (m->type == type) {
                if (m->body.is_discarded()) return std::nullopt;
                return std::move(m->body);
            }
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, replyTimeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            lost_ = true;
        else
            buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

bool SwayIpc::run(const std::string& command) {
    const auto reply = request(swayipc::runCommand, command);
    if (!reply || !reply->is_array() || reply->empty()) return false;
    for (const auto& part : *reply)
        if (!part.is_object() || !part.value("success", false)) return false;
    return true;
}

bool SwayIpc::subscribe(const std::vector<std::string>& events) {
    const auto reply = request(swayipc::subscribe, nlohmann::json(events).dump());
    return reply && reply->is_object() && reply->value("success", false);
}

std::vector<SwayIpc::Message> SwayIpc::readEvents() {
    std::vector<Message> out;
    char chunk[65536];
    while (!lost_) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            lost_ = true;
            break;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    while (auto m = take())
        if (m->type & swayipc::eventBit) out.push_back(std::move(*m));
    return out;
}

} // namespace morvelan
