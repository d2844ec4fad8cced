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
// binding was pressed but its grab never fired: another program holds the keyboard. Nothing
// is sent when that grab ends, so the keyboard is then tried every second until it can be
// taken (and given back at once). While a binding is recorded, they also tell of combinations
// another program's grab keeps from the settings window.
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
    // there is no X server; bindings another client holds are reported by bindingStates().
    Result<void> start(Callback callback) override;
    bool isEnabled() const override;
    // Reconnects after the connection to the server was lost.
    void enable() override;
    bool keyboardHeldByOther() const override;
    // A taken binding names the window manager (_NET_WM_NAME of the _NET_SUPPORTING_WM_CHECK
    // window) as its likely holder.
    std::vector<BindingState> bindingStates() const override;
    void setBindings(const std::vector<KeyCombo>& combos) override;
    void setRecording(bool on) override;
    void setSwitcherOpen(bool open) override;
    void modifiersArrived() override;

    // Whether the whole keyboard is grabbed right now (the switcher is open, or keys
    // swallowed while it was are still down). Any thread.
    bool keyboardGrabbed() const { return keyboardGrabbed_; }
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
    std::vector<BindingState> states_;

    std::atomic<bool> open_{false};
    std::atomic<bool> modifiersArrived_{false};
    std::atomic<bool> recording_{false};
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
