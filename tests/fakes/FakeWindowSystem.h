// FakeWindowSystem: a window system a test scripts by hand. Windows open with a handle that
// may be one a closed window had, as X reuses window ids; each opening still gets a new id.
#pragma once

#include "core/platform/WindowIds.h"
#include "core/platform/WindowSystem.h"

#include <map>
#include <string>
#include <vector>

namespace morvelan {

class FakeWindowSystem : public WindowSystem {
public:
    using Handle = WindowIds::Handle;

    // Opens a window in front of the others and returns its id: the `id` given, or else one
    // made for the handle (without a handle, one no other window had). Its process counts as
    // running from now on.
    WindowID open(WindowInfo info, std::optional<Handle> handle = std::nullopt);
    // A window of `app` titled `title`, normal, 800 × 600 on the current desktop, closable.
    WindowID open(const AppInfo& app, std::string title,
                  std::optional<Handle> handle = std::nullopt);
    // The window is gone (its client closed it); notifies.
    void destroy(WindowID id);
    // The process ended: its windows are gone and it no longer runs; notifies.
    void exit(Pid pid);
    // The user gave the window the focus; notifies.
    void activate(WindowID id);
    void setTitle(WindowID id, std::string title);
    // Edit in place, without a notice. The window must exist.
    WindowInfo& window(WindowID id);
    std::optional<Handle> handleOf(WindowID id) const { return ids_.handleOf(id); }

    int currentDesktop = 0;
    // Whether focus() is carried out, as a window manager that honours the request.
    bool honoursFocus = true;
    std::map<Pid, ImageRef> icons;
    // Every action asked of the window system: "focus 3", "raise 4", "close 5", "quit 42".
    std::vector<std::string> actions;
    int batchDepth = 0;

    std::vector<WindowInfo> windows() override;
    std::optional<WindowInfo> activeWindow() override;
    std::vector<AppInfo> runningApplications() override;
    ImageRef icon(Pid pid) override;
    void focus(WindowID id) override;
    void raise(WindowID id) override;
    void close(WindowID id) override;
    void quit(Pid pid) override;
    void setChangeHandler(std::function<void(WindowChange, WindowID)> handler) override;
    void beginBatch() override { ++batchDepth; }
    void endBatch() override { --batchDepth; }

private:
    std::vector<WindowInfo>::iterator find(WindowID id);
    void toFront(WindowID id);
    void remove(WindowID id);
    void notify(WindowChange change, WindowID id = 0);

    WindowIds ids_{1};
    Handle nextHandle_ = 1u << 20;
    std::vector<WindowInfo> windows_; // front to back
    std::optional<WindowID> active_;
    std::map<Pid, AppInfo> processes_;
    std::function<void(WindowChange, WindowID)> handler_;
};

} // namespace morvelan
