// AppDelegate: the window recency order, opening the switcher over it, the switcher's commit
// and the hotkey engine's twelve commands.
#include "core/app/AppDelegate.h"

#include "core/engine/DesktopBatch.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace morvelan {

void AppDelegate::touchWin(const Win& win) {
    if (win.isPlaceholder()) return;
    std::erase(winMRU_, win.wid);
    winMRU_.insert(winMRU_.begin(), win.wid);
    winMRUpid_[win.wid] = win.pid;
}

std::vector<Win> AppDelegate::mruOrdered(std::vector<Win> wins) {
    std::unordered_set<WindowID> known(winMRU_.begin(), winMRU_.end());
    for (const Win& win : wins) {
        if (!win.ax || known.count(win.wid) != 0) continue;
        winMRU_.push_back(win.wid);
        winMRUpid_[win.wid] = win.pid;
        known.insert(win.wid);
    }

    std::unordered_map<WindowID, std::size_t> widRank;
    std::unordered_map<Pid, std::size_t> pidRank;
    for (std::size_t i = 0; i < winMRU_.size(); ++i) {
        widRank.emplace(winMRU_[i], i);
        if (auto owner = winMRUpid_.find(winMRU_[i]); owner != winMRUpid_.end())
            pidRank.emplace(owner->second, i);
    }
    std::unordered_map<Pid, std::size_t> appRank;
    const std::vector<RunningApp> apps = appMRU_.apps();
    for (std::size_t i = 0; i < apps.size(); ++i)
        appRank.emplace(apps[i].pid, i);

    constexpr std::size_t last = std::numeric_limits<std::size_t>::max();
    auto key = [&](const Win& win) -> std::pair<int, std::size_t> {
        if (auto it = widRank.find(win.wid); it != widRank.end()) return {0, it->second};
        if (auto it = pidRank.find(win.pid); it != pidRank.end()) return {0, it->second};
        if (auto it = appRank.find(win.pid); it != appRank.end()) return {1, it->second};
        return {1, last};
    };
    std::vector<std::pair<std::pair<int, std::size_t>, std::size_t>> keyed;
    keyed.reserve(wins.size());
    for (std::size_t i = 0; i < wins.size(); ++i)
        keyed.push_back({key(wins[i]), i});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<Win> sorted;
    sorted.reserve(wins.size());
    for (const auto& entry : keyed)
        sorted.push_back(std::move(wins[entry.second]));
    return sorted;
}

AppDelegate::SwitcherOpening AppDelegate::switcherOpening(const std::vector<Win>& wins,
                                                          bool forceActiveContext) {
    SwitcherOpening opening;
    std::vector<ContextPtr> ordered;
    std::vector<Color> colors;
    for (std::size_t w = 0; w < store_.workspaces.size(); ++w) {
        const Workspace& workspace = store_.workspaces[w];
        opening.workspaceNames.push_back(workspace.name);
        for (const ContextPtr& c : store_.contexts) {
            if (!c || store_.workspaceID(*c) != workspace.id) continue;
            const Color color = colorFromHex(c->colorHex).value_or(systemBlue);
            opening.contexts.push_back(
                {c->id, c->name, color, workspace.name, static_cast<int>(w)});
            ordered.push_back(c);
            colors.push_back(color);
        }
    }

    if (!forceActiveContext && settings_.switcherShowAll()) {
        opening.activeCtx = -1;
    } else if (store_.activeID) {
        auto it = std::find_if(ordered.begin(), ordered.end(),
                               [&](const ContextPtr& c) { return c->id == *store_.activeID; });
        if (it != ordered.end()) opening.activeCtx = static_cast<int>(it - ordered.begin());
    }
    opening.columns = buildColumns(wins, ordered, colors);
    return opening;
}

void AppDelegate::openUnifiedSwitcher(bool forceActiveContext) {
    // Every cell asks for its application's icon: one desktop snapshot for all of them.
    DesktopBatch batch(desktop_);
    if (!desktop_.isTrusted()) {
        promptAccessibility();
        // The switcher never opened: let the key engine stop treating keys as its own.
        hotkeys_.notifySwitcherClosed();
        return;
    }

    std::optional<WindowID> select;
    const int sel = switcher_.view.sel;
    if (switcher_.visible() && sel >= 0 && static_cast<std::size_t>(sel) < switcher_.flat.size())
        select = switcher_.flat[static_cast<std::size_t>(sel)].wid;

    SwitcherOpening opening = switcherOpening(switcherWins_, forceActiveContext);
    switcher_.begin(std::move(opening.workspaceNames), opening.contexts, opening.activeCtx,
                    std::move(opening.columns), select);
}

void AppDelegate::prepareSwitcher() {
    if (switcher_.state() != SwitcherState::closed) return;
    DesktopBatch batch(desktop_);
    if (!desktop_.isTrusted()) return;
    // The opening as the switcher key would make it now, leaving the recency order as it is.
    const auto mru = winMRU_;
    const auto mruPid = winMRUpid_;
    if (auto focused = engine_.focusedWindow()) touchWin(*focused);
    const std::vector<Win> wins = mruOrdered(engine_.allAcrossSpaces());
    winMRU_ = mru;
    winMRUpid_ = mruPid;
    SwitcherOpening opening = switcherOpening(wins, false);
    switcher_.prepare(std::move(opening.workspaceNames), opening.contexts, opening.activeCtx,
                      opening.columns, false);
}

std::vector<Switcher::Col> AppDelegate::buildColumns(const std::vector<Win>& wins,
                                                     const std::vector<ContextPtr>& contexts,
                                                     const std::vector<Color>& colors) {
    std::vector<Switcher::Col> columns;
    columns.reserve(wins.size());
    for (const Win& win : wins) {
        std::set<int> ctxIdxs;
        for (std::size_t i = 0; i < contexts.size(); ++i)
            if (engine_.belongs(win, *contexts[i])) ctxIdxs.insert(static_cast<int>(i));
        std::optional<Color> color;
        if (!ctxIdxs.empty() && static_cast<std::size_t>(*ctxIdxs.begin()) < colors.size())
            color = colors[static_cast<std::size_t>(*ctxIdxs.begin())];
        columns.push_back(
            {win.appName, desktop_.icon(win.pid), {{win, std::move(ctxIdxs), color}}});
    }
    return columns;
}

void AppDelegate::commitSwitch(const Win& win, std::optional<Uuid> contextID) {
    touchWin(win);
    ContextPtr context = findContext(contextID);
    if (context && settings_.raiseContext()) {
        std::vector<Win> others = mruOrdered(engine_.windows(*context));
        std::erase_if(others, [&](const Win& w) { return w.pid == win.pid && w.wid == win.wid; });
        raiseBackToFront(others);
    }
    engine_.focus(win);
    if (contextID) {
        // A context deleted while the switcher was open is not made active: that would leave
        // the store pointing at nothing.
        if (context) {
            store_.setActiveSilent(context->id);
            pendingCtx_ = context->id;
            suppressUntil_ = queue_.now() + suppressFor;
        }
        settings_.setSwitcherShowAll(false);
    } else {
        settings_.setSwitcherShowAll(true);
    }
}

// --- HotkeyActions -----------------------------------------------------------------------

void AppDelegate::switcherOpen(bool confined) {
    // The focused window, the scan and the panel's icons all from one desktop snapshot.
    DesktopBatch batch(desktop_);
    if (auto focused = engine_.focusedWindow()) touchWin(*focused);
    switcherWins_ = mruOrdered(engine_.allAcrossSpaces());
    switcher_.view.confined = confined;
    switcher_.view.needsRedraw();
    openUnifiedSwitcher(confined);
}

void AppDelegate::switcherStep(bool forward) {
    switcher_.showNow();
    switcher_.view.stepWindow(forward);
}

void AppDelegate::switcherCycleContext(int delta) {
    switcher_.showNow();
    switcher_.view.cycleContext(delta);
}

void AppDelegate::switcherSelectContext(int position) {
    switcher_.showNow();
    switcher_.view.selectContext(position);
}

void AppDelegate::switcherCommit() {
    switcher_.commit();
}

void AppDelegate::switcherCancel() {
    switcher_.cancel();
}

void AppDelegate::switcherSetConfined(bool confined) {
    switcher_.setConfined(confined);
}

void AppDelegate::switcherBeginFilter() {
    switcher_.beginFilter();
}

void AppDelegate::switcherFilterType(std::string text) {
    DesktopBatch batch(desktop_); // the rebuilt cells look their icons up again
    switcher_.appendFilter(text);
}

void AppDelegate::switcherFilterBackspace() {
    DesktopBatch batch(desktop_);
    switcher_.deleteFilterChar();
}

void AppDelegate::switcherCloseSelected() {
    const int sel = switcher_.view.sel;
    if (sel < 0 || static_cast<std::size_t>(sel) >= switcher_.flat.size()) return;
    engine_.close(switcher_.flat[static_cast<std::size_t>(sel)]);
    switcher_.removeSelected();
}

void AppDelegate::switcherQuitSelectedApp() {
    const int sel = switcher_.view.sel;
    if (sel < 0 || static_cast<std::size_t>(sel) >= switcher_.flat.size()) return;
    const Pid pid = switcher_.flat[static_cast<std::size_t>(sel)].pid;
    if (desktop_.application(pid)) desktop_.terminate(pid, false);
    switcher_.removeSelectedApp();
}

} // namespace morvelan
