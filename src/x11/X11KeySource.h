// X11KeySource: the global hotkeys on X11, from key grabs on a connection and thread of their own.
//
// The bindings are passive key grabs on the root window (each with every Caps/Num/Scroll Lock
// variant and every extra modifier). When one fires and the decision opens the switcher, the
// whole keyboard is grabbed, so further keys and the modifier releases reach the decision;
// it is let go once the switcher is closed and every key swallowed meanwhile is up again (an
// Escape let go on its press would leak its release). Keys the decision passes while a grab
// holds them are sent on to the window with the input focus as synthetic events (SendEvent):
// toolkits take them, programs that refuse synthetic input (xterm by default) do not.
//
// XInput2 raw key events, which arrive whatever client holds the keyboard, tell when a
// binding was pressed but its grab never fired: another program holds the keyboard.
#pragma once

#include "core/platform/KeySource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvelan {

class X11KeySource final : public KeySource {
public:
    // `display`: the X display to connect to; empty for $DISPLAY.
    explicit X11KeySource(std::string display = {});
    ~X11KeySource() override;
    X11KeySource(const X11KeySource&) = delete;
    X11KeySource& operator=(const X11KeySource&) = delete;

    // Connects, takes the bindings and starts the thread. Fails, leaving nothing behind, when
    // there is no X server or when another client holds a binding (the message names it).
    Result<void> start(Callback callback) override;
    bool isEnabled() const override;
    // Reconnects after the connection to the server was lost.
    void enable() override;
    bool keyboardHeldByOther() const override;
    void setBindings(const std::vector<KeyCombo>& combos) override;
    void setSwitcherOpen(bool open) override;

    // Whether the whole keyboard is grabbed right now (the switcher is open, or keys
    // swallowed while it was are still down). Any thread.
    bool keyboardGrabbed() const { return keyboardGrabbed_; }
    // The bindings that could not be taken when they were last grabbed after start(), as
    // "Super+Tab is taken by another program"; they are tried again every two seconds.
    // start() itself fails instead. Main thread.
    std::vector<std::string> missedBindings() const;
    // How many times the bindings were grabbed so far (start, new bindings, keyboard mapping
    // changes, retries). Any thread.
    std::uint64_t grabRounds() const { return grabRounds_; }

private:
    class Worker;

    void stopThread();
    void wake() const;

    const std::string display_;
    Callback callback_;

    mutable std::mutex mutex_; // guards the three fields below
    std::vector<KeyCombo> bindings_;
    std::uint64_t bindingsVersion_ = 0;
    std::vector<std::string> missed_;

    std::atomic<bool> open_{false};
    std::atomic<bool> heldByOther_{false};
    std::atomic<bool> keyboardGrabbed_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> grabRounds_{0};

    int wakeFd_ = -1;
    std::unique_ptr<Worker> worker_;
    std::thread thread_;
};

} // namespace morvelan
