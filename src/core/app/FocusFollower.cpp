// FocusFollower: debounced polls of the focused window and the choice of its context.
#include "core/app/FocusFollower.h"

namespace morvelan {

FocusFollower::FocusFollower(WindowEngine& engine, ContextStore& store, const Settings& settings,
                             WindowRecency& recency, MainQueue& queue)
    : engine_(engine), store_(store), settings_(settings), recency_(recency), queue_(queue) {}

void FocusFollower::noticed(WindowChange change, WindowID) {
    // Windows retitle themselves all the time (terminals, browsers, a thousand times a
    // second for some): the once-a-second poll picks titles up.
    if (change == WindowChange::title) return;
    schedulePoll();
}

void FocusFollower::schedulePoll() {
    if (pollPending_) return;
    pollPending_ = true;
    queue_.postAfter(debounce, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.lock()) return;
        pollPending_ = false;
        poll();
    });
}

void FocusFollower::poll() {
    if (paused()) return;
    const auto win = engine_.focusedWindow();
    if (win) {
        onPoll(*win);
        follow(*win);
    }
    afterPoll();
}

void FocusFollower::follow(const Win& win) {
    if (holdUntil_ > queue_.now()) {
        ContextPtr held = store_.find(heldContext_);
        if (!held || !engine_.belongs(win, *held)) return;
        // The window the switch aimed at has arrived: the hold has done its job.
        holdUntil_ = 0;
        heldContext_.reset();
    }
    recency_.touch(win);
    if (!settings_.autoSwitch()) return;
    ContextPtr context = contextContaining(win);
    if (context && store_.activeID() != context->id) store_.setActiveSilent(context->id);
}

ContextPtr FocusFollower::contextContaining(const Win& win) const {
    if (ContextPtr active = store_.active(); active && engine_.belongs(win, *active)) return active;
    const std::vector<ContextPtr> byRecency = store_.contextsByRecency();
    for (const ContextPtr& c : byRecency)
        if (c && pins(*c, win, engine_.liveWids()) && engine_.belongs(win, *c)) return c;
    for (const ContextPtr& c : byRecency)
        if (c && engine_.belongs(win, *c)) return c;
    return nullptr;
}

void FocusFollower::hold(const Uuid& context) {
    heldContext_ = context;
    holdUntil_ = queue_.now() + holdFor;
}

} // namespace morvelan
