// WindowEngine: the program's view of the live windows — which ones the switcher may list and
// in which order, the focused window, the context's windows, and acting on windows.
#pragma once

#include "core/model/Membership.h"
#include "core/model/Win.h"
#include "core/platform/MainQueue.h"
#include "core/platform/WindowSystem.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace morvelan {

struct Context;

using BundleSet = std::unordered_set<std::string>;

class WindowEngine {
public:
    // How long the window manager gets to honour a focus request before it is asked again.
    static constexpr double focusFollowUpDelay = 0.4;

    WindowEngine(WindowSystem& system, MainQueue& queue);
    ~WindowEngine();
    WindowEngine(const WindowEngine&) = delete;
    WindowEngine& operator=(const WindowEngine&) = delete;

    // Called on the main thread after the window system reported a change; `id` is the
    // window whose title changed (0 for other changes).
    std::function<void(WindowChange, WindowID id)> onChange = [](WindowChange, WindowID) {};

    // --- Reading ------------------------------------------------------------------------
    // The windows a switcher lists, of every desktop: normal, not skip-taskbar, not
    // minimised. Those on the current desktop come first, front to back, then the others,
    // front to back. Refreshes liveWids().
    std::vector<Win> allWindows();
    // The same, restricted to applications whose id ("" when none) is in the set.
    std::vector<Win> windows(const BundleSet& forBundles);
    // The context's windows, in the same order.
    std::vector<Win> windows(const Context& in);
    // The window with the focus, whatever its kind. Refreshes liveWids().
    std::optional<Win> focusedWindow();
    // The ids of the applications whose process runs, also those without windows.
    BundleSet runningApplications();
    ImageRef icon(Pid pid) { return system_.icon(pid); }
    // Every window of the last reading, of any kind, front to back.
    const std::vector<WindowInfo>& lastReading() const { return reading_; }
    // The ids of lastReading(): whether a stored window id still names a window.
    const WidSet& liveWids() const { return liveWids_; }
    // The membership test against liveWids().
    bool belongs(const Win& window, const Context& context) const;

    // --- Acting --------------------------------------------------------------------------
    // Focuses the window, across desktops; asks once more when the window manager left the
    // focus where it was for focusFollowUpDelay (and nothing asked for another window since).
    void focus(const Win& win);
    // Puts the windows on top of the others, the first one topmost, without moving the focus.
    void raise(const std::vector<Win>& wins);
    // Asks the window to close as its close button does. False when it cannot be asked (X11:
    // no WM_DELETE_WINDOW) and the window manager decides, which may end its whole client.
    bool close(const Win& win);
    void quit(Pid pid);

    WindowSystem& system() { return system_; }

private:
    void read();
    std::vector<Win> listed(const std::function<bool(const Win&)>& keep);

    WindowSystem& system_;
    MainQueue& queue_;
    std::vector<WindowInfo> reading_;
    WidSet liveWids_;
    std::uint64_t focusRequests_ = 0;
    // Delayed follow-ups hold this weakly so they do nothing once the engine is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The Win of a window the system reported.
Win winOf(const WindowInfo& info);

} // namespace morvelan
