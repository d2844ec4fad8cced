// The membership test and the pin tests over a context's pins and rules.
#include "core/model/Membership.h"

#include <algorithm>

namespace morvelan {

bool pinNames(const WinRef& pin, const Win& window, const WidSet& liveWids) {
    if (pin.matchAppOnly || pin.bundleID != window.bundleID) return false;
    if (pin.wid && *pin.wid != 0) {
        if (*pin.wid == window.wid) return true;
        if (liveWids.count(*pin.wid) != 0) return false;
    }
    return !pin.title.empty() && pin.title == window.title;
}

bool belongs(const Win& window, const Context& context, const WidSet& liveWids) {
    const auto& members = context.members;
    if (std::any_of(members.begin(), members.end(),
                    [&](const WinRef& pin) { return pinNames(pin, window, liveWids); }))
        return true;
    for (const Rule& rule : context.rules)
        if (rule.exclude && rule.test(window.bundleID, window.appName, window.title)) return false;
    for (const WinRef& pin : members)
        if (pin.matchAppOnly && pin.bundleID == window.bundleID) return true;
    for (const Rule& rule : context.rules)
        if (!rule.exclude && rule.test(window.bundleID, window.appName, window.title)) return true;
    return context.matches(window.appName, window.title);
}

bool pins(const Context& context, const Win& window, const WidSet& liveWids) {
    return std::any_of(context.members.begin(), context.members.end(), [&](const WinRef& pin) {
        return (pin.matchAppOnly && pin.bundleID == window.bundleID) ||
               pinNames(pin, window, liveWids);
    });
}

} // namespace morvelan
