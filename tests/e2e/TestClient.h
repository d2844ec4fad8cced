// TestClient: a running morvelan_testclient process, driven through its stdin and stdout.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <sys/types.h>

namespace morvelan::e2e {

class TestClient {
public:
    // Starts the client and waits until it is connected to the X server, so that the
    // connections of a test come in the order it makes them.
    TestClient();
    // Asks the client to quit and waits for it (killing it after a second).
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool running() const { return pid_ > 0 && connected_; }
    pid_t pid() const { return pid_; }

    // Sends one command line.
    void send(const std::string& line);
    // Sends "open <options>" (options starts with id=NAME) and waits for its "ready" line.
    // Returns the window id, or XCB_NONE when the window did not come up in time.
    xcb_window_t open(const std::string& options,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The next output line starting with `prefix`, waiting up to `timeout`; other lines
    // are kept for later calls.
    std::optional<std::string> expect(const std::string& prefix, std::chrono::milliseconds timeout);

private:
    bool readSome(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    bool connected_ = false;
    int in_ = -1;  // the client's stdin
    int out_ = -1; // the client's stdout
    std::string buffer_;
    std::deque<std::string> lines_;
};

} // namespace morvelan::e2e
