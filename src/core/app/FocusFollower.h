// FocusFollower: follows the focus into the context that claims the focused window, with the
// short hold that keeps a context chosen in the switcher from being switched away again.
#pragma once

#include "core/app/WindowRecency.h"
#include "core/engine/WindowEngine.h"
#include "core/model/ContextStore.h"
#include "core/model/Settings.h"
#include "core/platform/MainQueue.h"

#include <functional>
#include <memory>
#include <optional>

namespace morvelan {

class FocusFollower {
public:
    static constexpr double debounce = 0.05;
    static constexpr double holdFor = 2.0;

    FocusFollower(WindowEngine& engine, ContextStore& store, const Settings& settings,
                  WindowRecency& recency, MainQueue& queue);
    FocusFollower(const FocusFollower&) = delete;
    FocusFollower& operator=(const FocusFollower&) = delete;

    // Whether polls do nothing for now (the switcher is on screen: it moves the focus only
    // when it commits).
    std::function<bool()> paused = [] { return false; };
    // Sees the focused window of each poll before it is followed (the focus log).
    std::function<void(const Win&)> onPoll = [](const Win&) {};
    // Runs at the end of each poll that was not paused.
    std::function<void()> afterPoll = [] {};

    // A change notice from the window system: a poll soon, unless it is only a title.
    void noticed(WindowChange change, WindowID id);
    // One poll about 50 ms from now; requests made before it runs join it.
    void schedulePoll();
    void poll();
    // Records the window as the most recent and makes the context that claims it active.
    void follow(const Win& win);
    // The context that best claims the window: the active one, a pinning one (most recently
    // active first), any claiming one (the same order).
    ContextPtr contextContaining(const Win& win) const;
    // A switch into `context` just happened: for a while only a window of that context is
    // followed, so the focus changes the switch itself causes do not undo it.
    void hold(const Uuid& context);

private:
    WindowEngine& engine_;
    ContextStore& store_;
    const Settings& settings_;
    WindowRecency& recency_;
    MainQueue& queue_;
    bool pollPending_ = false;
    double holdUntil_ = 0;
    std::optional<Uuid> heldContext_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace morvelan
