// SwayWindowSystem: the WindowSystem of sway (and i3-compatible compositors) over its IPC
// socket.
//
// Windows are the tree's views (Wayland app_id, else the XWayland class); desktops are the
// workspaces in sway's order, those shown on an output being current; the scratchpad's windows
// are minimised. Front to back is sway's focus order. Every read outside a batch asks for the
// tree once (a single round trip). Changes come from the `window` and `workspace` events on a
// second connection: call processEvents() whenever fd() is readable.
#pragma once

#include "core/platform/WindowIds.h"
#include "core/platform/WindowSystem.h"
#include "sway/SwayIpc.h"
#include "x11/DesktopEntries.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace morvelan {

class SwayWindowSystem final : public WindowSystem {
public:
    // Connects to the socket at `path` (empty: $SWAYSOCK); an error says why it cannot.
    static Result<std::unique_ptr<SwayWindowSystem>> open(std::string path = {});
    ~SwayWindowSystem() override;

    // --- Event loop -----------------------------------------------------------------
    int fd() const { return events_->fd(); }
    // Reads every pending event, then calls the change handler once for each change.
    void processEvents();
    bool connectionLost() const { return events_->lost() || commands_->lost(); }
    // The connection commands go through, for the shell's own session settings (bindings,
    // rules).
    SwayIpc& ipc() { return *commands_; }

    using IconLoader = std::function<ImageRef(const std::string& nameOrPath, int size)>;
    void setIconLoader(IconLoader loader) { iconLoader_ = std::move(loader); }

    // --- WindowSystem ---------------------------------------------------------------
    std::vector<WindowInfo> windows() override;
    std::optional<WindowInfo> activeWindow() override;
    std::vector<AppInfo> runningApplications() override;
    ImageRef icon(Pid pid) override;
    void focus(WindowID id) override;
    void raise(WindowID id) override;
    void close(WindowID id) override;
    void quit(Pid pid) override;
    void setChangeHandler(std::function<void(WindowChange, WindowID)> handler) override;
    void beginBatch() override;
    void endBatch() override;

private:
    struct View;
    SwayWindowSystem(std::unique_ptr<SwayIpc> commands, std::unique_ptr<SwayIpc> events,
                     DesktopEntries entries);
    std::shared_ptr<const View> view();
    std::shared_ptr<const View> read();
    // The sway container behind `id`; absent when the window is gone.
    std::optional<std::uint64_t> conOf(WindowID id) const;
    const DesktopEntry* entryOf(const std::string& appId) const;

    std::unique_ptr<SwayIpc> commands_;
    std::unique_ptr<SwayIpc> events_;
    DesktopEntries entries_;
    WindowIds ids_;
    IconLoader iconLoader_;
    std::function<void(WindowChange, WindowID)> handler_;
    std::shared_ptr<const View> batchView_;
    int batchDepth_ = 0;
    // Applications seen owning windows, remembered while their process runs.
    std::map<Pid, AppInfo> processes_;
    std::unordered_map<std::string, ImageRef> themed_;
    WindowID lastActive_ = 0;
};

} // namespace morvelan
