// The membership test and the matching-pin test over a context's pins and rules.
#include "core/model/Membership.h"

namespace morvelan {

namespace {

enum class PinVerdict { names, other };

// A window pin's verdict for `window`, once its bundle id has matched. The stored id
// decides when it is this window's; when it names another live window the pin is not
// this window's; otherwise (stale id, or no scan yet) the exact title decides.
PinVerdict windowPinVerdict(const WinRef& ref, const Win& window, const WidSet& liveWids) {
    if (ref.wid && *ref.wid != 0) {
        if (*ref.wid == window.wid) return PinVerdict::names;
        if (!liveWids.empty() && liveWids.count(*ref.wid) != 0) return PinVerdict::other;
    }
    return !ref.title.empty() && ref.title == window.title ? PinVerdict::names : PinVerdict::other;
}

} // namespace

bool belongs(const Win& window, const Context& context, const WidSet& liveWids) {
    for (const WinRef& ref : context.members) {
        if (ref.matchAppOnly || ref.bundleID != window.bundleID) continue;
        if (windowPinVerdict(ref, window, liveWids) == PinVerdict::names) return true;
    }
    for (const Rule& rule : context.rules)
        if (rule.exclude && rule.test(window.bundleID, window.appName, window.title)) return false;
    for (const WinRef& ref : context.members)
        if (ref.matchAppOnly && ref.bundleID == window.bundleID) return true;
    for (const Rule& rule : context.rules)
        if (!rule.exclude && rule.test(window.bundleID, window.appName, window.title)) return true;
    return context.matches(window.appName, window.title);
}

bool pins(const Context& context, const Win& window, const WidSet& liveWids) {
    for (const WinRef& ref : context.members) {
        if (ref.bundleID != window.bundleID) continue;
        if (ref.matchAppOnly) return true;
        if (windowPinVerdict(ref, window, liveWids) == PinVerdict::names) return true;
    }
    return false;
}

} // namespace morvelan
