// AppDelegate: following focus into the context that claims the focused window, with the
// short suppression that protects a context chosen in the switcher.
#include "core/app/AppDelegate.h"

#include "core/model/Membership.h"

namespace morvelan {

void AppDelegate::scheduleFocusPoll() {
    if (focusPollPending_) return;
    focusPollPending_ = true;
    queue_.postAfter(focusDebounce, weakly([](AppDelegate& self) {
                         self.focusPollPending_ = false;
                         self.pollFocus();
                     }));
}

void AppDelegate::pollFocus() {
    // The switcher moves focus only on commit; what happens under its panel is not followed.
    if (switcher_.visible()) return;
    if (auto win = engine_.focusedWindow()) {
        logFocused(*win);
        followFocus(*win);
    }
    // Focus, titles or windows may have changed: the next opening's picture with them.
    prepareSwitcher();
}

void AppDelegate::followFocus(const Win& win) {
    const double now = queue_.now();
    if (suppressUntil_ > now) {
        if (!pendingCtx_) return;
        ContextPtr pending = findContext(pendingCtx_);
        if (!pending) return;
        // Focus still settling after a switch: only the chosen context's window counts.
        if (!engine_.belongs(win, *pending)) return;
        suppressUntil_ = 0;
        pendingCtx_.reset();
    }

    touchWin(win);
    if (!settings_.autoSwitch()) return;
    ContextPtr context = contextContaining(win);
    if (!context) return;
    if (store_.activeID != context->id) store_.setActiveSilent(context->id);
}

ContextPtr AppDelegate::contextContaining(const Win& win) {
    if (ContextPtr active = findContext(store_.activeID); active && engine_.belongs(win, *active))
        return active;

    const std::vector<ContextPtr> byRecency = store_.contextsByRecency();
    for (const ContextPtr& c : byRecency)
        if (c && pins(*c, win, engine_.liveWids()) && engine_.belongs(win, *c)) return c;
    for (const ContextPtr& c : byRecency)
        if (c && engine_.belongs(win, *c)) return c;
    return nullptr;
}

} // namespace morvelan
