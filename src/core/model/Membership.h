// The one membership test of a live window in a context.
#pragma once

#include "core/engine/Win.h"
#include "core/model/Context.h"

#include <unordered_set>

namespace morvelan {

using WidSet = std::unordered_set<WindowID>;

// Window pins, then exclude rules, application pins, include rules, legacy text.
// `liveWids` is the window engine's last window-server list.
bool belongs(const Win& window, const Context& context, const WidSet& liveWids);

// The matching-pin test shared by focus following and auto-assignment: the
// first pin of `window`'s application that names it (by app, id or title).
bool pins(const Context& context, const Win& window, const WidSet& liveWids);

} // namespace morvelan
