// WindowEngine: focusing, raising and closing windows, and watching the frontmost application.
#include "core/engine/WindowEngine.h"

namespace morvelan {

namespace {

// How long the window system gets to bring a window forward before we check and insist.
constexpr double followUpDelay = 0.4;

} // namespace

std::array<std::uint8_t, 248> frontEventRecord(WindowID wid, std::uint8_t phase) {
    std::array<std::uint8_t, 248> record{};
    record[0x04] = 0xF8;
    record[0x08] = phase;
    for (std::size_t i = 0x20; i < 0x30; ++i)
        record[i] = 0xFF;
    record[0x3A] = 0x10;
    for (std::size_t i = 0; i < 4; ++i)
        record[0x3C + i] = static_cast<std::uint8_t>((wid >> (8 * i)) & 0xFF);
    return record;
}

bool WindowEngine::slpsFocus(Pid pid, WindowID wid) {
    if (!frontProcessAvailable_ || wid == 0) return false;
    const auto psn = desktop_.processForPid(pid);
    if (!psn) return false;
    desktop_.setFrontProcess(*psn, wid);
    desktop_.postEventRecord(*psn, frontEventRecord(wid, 0x01));
    desktop_.postEventRecord(*psn, frontEventRecord(wid, 0x02));
    return true;
}

void WindowEngine::focus(const Win& win) {
    const Pid pid = win.pid;
    const WindowID wid = win.wid;
    if (win.ax) {
        raiseSequence(win, win.ax);
        return;
    }
    if (win.isPlaceholder()) {
        desktop_.activate(pid);
        return;
    }
    Element el = axWindow(pid, wid);
    if (!el) {
        const auto cached = winCache_.find(wid);
        if (cached != winCache_.end() && cached->second.ax) el = cached->second.ax;
    }
    if (el) {
        raiseSequence(win, el);
        return;
    }
    // No element anywhere (typically a window on another space): the window server alone
    // makes it key; if it did not come on screen, bring at least its application forward.
    if (slpsFocus(pid, wid)) {
        queue_.postAfter(followUpDelay, [this, alive = std::weak_ptr<bool>(alive_), pid, wid] {
            if (!alive.lock()) return;
            if (!onScreen(wid)) desktop_.activate(pid);
        });
    } else {
        desktop_.activate(pid);
    }
}

void WindowEngine::raiseSequence(const Win& win, const Element& el) {
    const Pid pid = win.pid;
    const WindowID wid = win.wid;
    desktop_.setMain(el);
    const bool ok = slpsFocus(pid, wid);
    desktop_.raise(el);
    if (!ok) {
        const Element app = desktop_.applicationElement(pid);
        if (app) desktop_.setFrontmost(app);
    }
    if (win.ax || wid == 0) return;
    // The element came from a search, so it may belong to a window on another space that
    // the raise did not reach: check, activate the application, then insist once more.
    queue_.postAfter(followUpDelay, [this, alive = std::weak_ptr<bool>(alive_), pid, wid, el] {
        if (!alive.lock() || onScreen(wid)) return;
        desktop_.activate(pid);
        queue_.postAfter(followUpDelay, [this, alive, pid, wid, el] {
            if (!alive.lock()) return;
            if (slpsFocus(pid, wid)) desktop_.raise(el);
        });
    });
}

void WindowEngine::close(const Win& win) {
    if (!win.ax) return;
    const Element button = desktop_.closeButton(win.ax);
    if (button) desktop_.press(button);
}

void WindowEngine::trackFocusChanges(Pid pid) {
    if (pid < 1 || pid == focusObsPid_) return;
    focusObs_.reset();
    focusObsPid_ = pid;
    focusObs_ = desktop_.observeFocus(pid, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.lock()) return;
        if (onFocusChange) onFocusChange();
    });
    // Forget the pid so that a later call for the same application tries again.
    if (!focusObs_) focusObsPid_ = 0;
}

} // namespace morvelan
