// PinKeeper: keeps pins useful — pins new windows of pinned applications to the active context,
// drops pins of windows that are gone, and pins or unpins a window from the switcher.
#pragma once

#include "core/engine/WindowEngine.h"
#include "core/model/ContextStore.h"

#include <unordered_set>

namespace morvelan {

class PinKeeper {
public:
    PinKeeper(WindowEngine& engine, ContextStore& store) : engine_(engine), store_(store) {}

    // Every window open now counts as seen: it is never pinned by pass().
    void markAllSeen();
    // Drops dead pins, then pins each unseen window of an application with a window pin in
    // the active context to it, unless the context's rules already decide about the window.
    // Saves when anything changed.
    void pass();
    // Removes, from every context, window pins whose window is gone: untitled ones, and titled
    // ones whose application runs without a window of that title. Pins of applications that
    // do not run stay, to claim the window again when it comes back. Does not save.
    bool dropDeadPins();
    // Pins the window to the context, or takes it out (with an exclude rule when a rule or an
    // application pin would still claim it). Saves.
    void toggle(const Win& win, const Uuid& contextID);

    // The one-clause exclude rule that keeps `win` out of `context`: its title, or its
    // application when it has no title.
    static void addExclude(Context& context, const Win& win);

    const std::unordered_set<WindowID>& seen() const { return seen_; }

private:
    WindowEngine& engine_;
    ContextStore& store_;
    std::unordered_set<WindowID> seen_;
};

} // namespace morvelan
