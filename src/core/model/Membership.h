// The membership test of a live window in a context, and the one test of whether a pin names
// a window.
#pragma once

#include "core/model/Context.h"
#include "core/model/Win.h"

#include <unordered_set>

namespace morvelan {

using WidSet = std::unordered_set<WindowID>;

// Whether the window pin `pin` names `window` of its application: by the stored id; when that
// id is gone (not in `liveWids`, the ids of the last reading of the windows), or not stored,
// by the exact title. A pin whose id names another live window names only that one.
// Application pins name no single window.
bool pinNames(const WinRef& pin, const Win& window, const WidSet& liveWids);

// Window pins, then exclude rules, application pins, include rules, legacy text.
bool belongs(const Win& window, const Context& context, const WidSet& liveWids);

// Whether one of the context's pins claims the window: an application pin of its application,
// or a window pin that names it.
bool pins(const Context& context, const Win& window, const WidSet& liveWids);

} // namespace morvelan
