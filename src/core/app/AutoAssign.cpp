// AppDelegate: pinning new windows of pinned applications to the active context, dropping pins
// of windows that are gone, and the switcher's pin/unpin gesture.
#include "core/app/AppDelegate.h"
#include "core/engine/DesktopBatch.h"

#include "core/model/Membership.h"

#include <algorithm>

namespace morvelan {

namespace {

WinRef windowPin(const Win& win) {
    return WinRef{win.bundleID, win.title, false, win.wid};
}

WinRef appPin(const Win& win) {
    return WinRef{win.bundleID, "", true, std::nullopt};
}

bool hasNonZeroID(const WinRef& ref) {
    return ref.wid && *ref.wid != 0;
}

// Whether the live window `win` of the pin's application is the one the pin names.
bool pinNamesScanned(const WinRef& ref, const Win& win, const WidSet& liveWids) {
    if (hasNonZeroID(ref)) {
        if (*ref.wid == win.wid) return true;
        if (!liveWids.empty() && liveWids.count(*ref.wid) != 0) return false;
    }
    return ref.title == win.title;
}

bool anyRule(const Context& context, const Win& win, bool exclude) {
    return std::any_of(context.rules.begin(), context.rules.end(), [&](const Rule& rule) {
        return rule.exclude == exclude && rule.test(win.bundleID, win.appName, win.title);
    });
}

} // namespace

void AppDelegate::seedSeenWindows() {
    (void)engine_.windowedPids(); // refreshes liveWids
    for (WindowID wid : engine_.liveWids())
        seenWids_.insert(wid);
    for (const Win& win : engine_.allWindows())
        seenWids_.insert(win.wid);
}

void AppDelegate::autoAddNewWindows() {
    // The clean-up and the scan of the pinned applications read one snapshot of the desktop.
    DesktopBatch batch(desktop_);
    bool changed = gcDeadRefs();

    if (ContextPtr active = findContext(store_.activeID)) {
        BundleSet bundles;
        for (const WinRef& ref : active->members)
            if (!ref.matchAppOnly) bundles.insert(ref.bundleID);
        if (!bundles.empty()) {
            for (const Win& win : engine_.windows(bundles)) {
                // Considered once, whatever the outcome below.
                if (!seenWids_.insert(win.wid).second) continue;
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

bool AppDelegate::gcDeadRefs() {
    (void)engine_.windowedPids();
    const WidSet live = engine_.liveWids();

    BundleSet running;
    for (const RunningApp& app : desktop_.runningApplications())
        if (app.bundleID) running.insert(*app.bundleID);

    BundleSet scan;
    for (const ContextPtr& c : store_.contexts) {
        if (!c) continue;
        for (const WinRef& ref : c->members)
            if (!ref.matchAppOnly && !ref.title.empty() && running.count(ref.bundleID) != 0)
                scan.insert(ref.bundleID);
    }
    const std::vector<Win> wins = scan.empty() ? std::vector<Win>{} : engine_.windows(scan);

    auto dead = [&](const WinRef& ref) {
        if (ref.matchAppOnly) return false;
        if (live.count(ref.wid.value_or(0)) != 0) return false;
        if (ref.title.empty()) return true;
        if (running.count(ref.bundleID) == 0) return false; // may come back with the app
        return std::none_of(wins.begin(), wins.end(), [&](const Win& win) {
            return win.bundleID == ref.bundleID && pinNamesScanned(ref, win, engine_.liveWids());
        });
    };

    bool removed = false;
    for (const ContextPtr& c : store_.contexts) {
        if (!c) continue;
        removed |= std::erase_if(c->members, dead) != 0;
    }
    return removed;
}

void AppDelegate::toggleMembership(const Win& win, const Uuid& contextID) {
    ContextPtr context = findContext(contextID);
    if (!context) return;
    const bool claimed = engine_.belongs(win, *context);
    auto& members = context->members;

    if (win.ax) {
        if (claimed) {
            auto pin = members.end();
            if (win.wid != 0)
                pin = std::find_if(members.begin(), members.end(), [&](const WinRef& m) {
                    return !m.matchAppOnly && m.bundleID == win.bundleID && m.wid &&
                           *m.wid == win.wid;
                });
            if (pin == members.end() && !win.title.empty())
                pin = std::find_if(members.begin(), members.end(), [&](const WinRef& m) {
                    return !m.matchAppOnly && m.bundleID == win.bundleID && m.title == win.title;
                });
            if (pin != members.end()) members.erase(pin);
            if (engine_.belongs(win, *context)) addExclude(*context, win, false);
        } else {
            members.push_back(windowPin(win));
        }
    } else {
        // No element: a placeholder or a window on another space stands for its application.
        if (claimed) {
            auto pin = std::find_if(members.begin(), members.end(), [&](const WinRef& m) {
                return m.matchAppOnly && m.bundleID == win.bundleID;
            });
            if (pin != members.end()) members.erase(pin);
            if (engine_.belongs(win, *context)) addExclude(*context, win, true);
        } else {
            members.push_back(appPin(win));
        }
    }
    store_.save();
}

void AppDelegate::addExclude(Context& context, const Win& win, bool appWide) {
    Rule rule;
    rule.exclude = true;
    if (appWide || win.title.empty())
        rule.clauses = {Condition{RuleField::bundleID, RuleOp::equals, win.bundleID}};
    else
        rule.clauses = {Condition{RuleField::title, RuleOp::equals, win.title}};
    context.rules.push_back(std::move(rule));
}

} // namespace morvelan
