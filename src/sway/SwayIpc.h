// SwayIpc: one connection to sway's IPC socket ($SWAYSOCK), the i3-compatible protocol: each
// message is "i3-ipc", the payload's length and the message type (both 32-bit, host order),
// then a JSON payload.
//
// A connection either asks (request(): blocking, bounded by a timeout, for the main thread's
// reads and commands) or listens (subscribe() then readEvents() when fd() is readable): sway
// mixes events into the replies of a subscribed connection, so the two are kept apart.
#pragma once

#include "core/platform/Result.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelan {

namespace swayipc {
constexpr std::uint32_t runCommand = 0;
constexpr std::uint32_t getWorkspaces = 1;
constexpr std::uint32_t subscribe = 2;
constexpr std::uint32_t getTree = 4;
constexpr std::uint32_t getBindingModes = 8;
constexpr std::uint32_t getConfig = 9;
constexpr std::uint32_t eventBit = 0x80000000u;
constexpr std::uint32_t windowEvent = eventBit | 3;
constexpr std::uint32_t workspaceEvent = eventBit | 0;
} // namespace swayipc

class SwayIpc {
public:
    struct Message {
        std::uint32_t type = 0;
        nlohmann::json body;
    };

    // Connects to the socket at `path`; an error names why it cannot.
    static Result<std::unique_ptr<SwayIpc>> connect(const std::string& path);
    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    // Sends one message and waits for its reply; absent when sway does not answer in time
    // or the connection is gone.
    std::optional<nlohmann::json> request(std::uint32_t type, std::string_view payload = {});
    // Runs one sway command; true when sway reports success for every part of it.
    bool run(const std::string& command);

    // Turns this connection into a listener for the given events (e.g. ["window"]).
    bool subscribe(const std::vector<std::string>& events);
    int fd() const { return fd_; }
    // Every event that came in complete, without waiting.
    std::vector<Message> readEvents();
    bool lost() const { return lost_; }

private:
    explicit SwayIpc(int fd) : fd_(fd) {}
    bool send(std::uint32_t type, std::string_view payload);
    // The next whole message in `buffer_`, if one is there.
    std::optional<Message> take();

    int fd_ = -1;
    bool lost_ = false;
    std::string buffer_;
};

} // namespace morvelan
