// PinKeeper: automatic pins, the clean-up of dead pins and the switcher's pin gesture.
#include "core/app/PinKeeper.h"

#include "core/model/Membership.h"

#include <algorithm>

namespace morvelan {

namespace {

WinRef windowPin(const Win& win) {
    return WinRef{win.bundleID, win.title, false, win.wid};
}

bool anyRule(const Context& context, const Win& win, bool exclude) {
    return std::any_of(context.rules.begin(), context.rules.end(), [&](const Rule& rule) {
        return rule.exclude == exclude && rule.test(win.bundleID, win.appName, win.title);
    });
}

} // namespace

void PinKeeper::markAllSeen() {
    (void)engine_.allWindows();
    for (WindowID wid : engine_.liveWids())
        seen_.insert(wid);
}

void PinKeeper::pass() {
    // The clean-up and the scan of the pinned applications read one state of the windows.
    WindowSystemBatch batch(engine_.system());
    bool changed = dropDeadPins();

    if (ContextPtr active = store_.active()) {
        BundleSet bundles;
        for (const WinRef& ref : active->members)
            if (!ref.matchAppOnly) bundles.insert(ref.bundleID);
        if (!bundles.empty()) {
            for (const Win& win : engine_.windows(bundles)) {
                // Considered once, whatever the outcome below.
                if (!seen_.insert(win.wid).second) continue;
                if (pins(*active, win, engine_.liveWids())) continue;
                if (anyRule(*active, win, false)) continue; // its rules already include it
                if (anyRule(*active, win, true)) continue;  // its rules keep it out
                active->members.push_back(windowPin(win));
                changed = true;
            }
        }
    }
    if (changed) store_.save();
}

bool PinKeeper::dropDeadPins() {
    const BundleSet running = engine_.runningApplications();
    const std::vector<Win> wins = engine_.allWindows();
    const WidSet& live = engine_.liveWids();

    auto dead = [&](const WinRef& ref) {
        if (ref.matchAppOnly) return false;
        if (live.count(ref.wid.value_or(0)) != 0) return false;
        if (ref.title.empty()) return true;
        if (running.count(ref.bundleID) == 0) return false; // may come back with the app
        return std::none_of(wins.begin(), wins.end(),
                            [&](const Win& win) { return pinNames(ref, win, live); });
    };
    bool removed = false;
    for (const ContextPtr& c : store_.contexts())
        if (c) removed |= std::erase_if(c->members, dead) != 0;
    return removed;
}

void PinKeeper::toggle(const Win& win, const Uuid& contextID) {
    ContextPtr context = store_.find(contextID);
    if (!context) return;
    auto& members = context->members;
    if (engine_.belongs(win, *context)) {
        const auto pin = std::find_if(members.begin(), members.end(), [&](const WinRef& m) {
            return pinNames(m, win, engine_.liveWids());
        });
        if (pin != members.end()) members.erase(pin);
        if (engine_.belongs(win, *context)) addExclude(*context, win);
    } else {
        members.push_back(windowPin(win));
    }
    store_.save();
}

void PinKeeper::addExclude(Context& context, const Win& win) {
    Rule rule;
    rule.exclude = true;
    if (win.title.empty())
        rule.clauses = {Condition{RuleField::bundleID, RuleOp::equals, win.bundleID}};
    else
        rule.clauses = {Condition{RuleField::title, RuleOp::equals, win.title}};
    context.rules.push_back(std::move(rule));
}

} // namespace morvelan
