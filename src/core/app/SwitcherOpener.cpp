// SwitcherOpener: from the windows and contexts to what the switcher shows, and back.
#include "core/app/SwitcherOpener.h"

#include "core/model/Color.h"

#include <algorithm>

namespace morvelan {

SwitcherOpener::SwitcherOpener(WindowEngine& engine, ContextStore& store, Settings& settings,
                               Switcher& switcher, WindowRecency& recency, FocusFollower& follower,
                               MainQueue& queue)
    : engine_(engine), store_(store), settings_(settings), switcher_(switcher), recency_(recency),
      follower_(follower), queue_(queue) {}

SwitcherOpener::Opening SwitcherOpener::opening(const std::vector<Win>& wins,
                                                bool forceActiveContext) {
    Opening o;
    std::vector<ContextPtr> ordered;
    std::vector<Color> colors;
    for (std::size_t w = 0; w < store_.workspaces().size(); ++w) {
        const Workspace& workspace = store_.workspaces()[w];
        o.workspaceNames.push_back(workspace.name);
        for (const ContextPtr& c : store_.contexts()) {
            if (!c || store_.workspaceID(*c) != workspace.id) continue;
            const Color color = colorFromHex(c->colorHex).value_or(systemBlue);
            o.contexts.push_back({c->id, c->name, color, workspace.name, static_cast<int>(w)});
            ordered.push_back(c);
            colors.push_back(color);
        }
    }
    if (!forceActiveContext && settings_.switcherShowAll()) {
        o.activeCtx = -1;
    } else if (store_.activeID()) {
        auto it = std::find_if(ordered.begin(), ordered.end(),
                               [&](const ContextPtr& c) { return c->id == *store_.activeID(); });
        if (it != ordered.end()) o.activeCtx = static_cast<int>(it - ordered.begin());
    }
    // One column per window; its colour is that of the first listed context claiming it.
    o.columns.reserve(wins.size());
    for (const Win& win : wins) {
        std::set<int> claimed;
        for (std::size_t i = 0; i < ordered.size(); ++i)
            if (engine_.belongs(win, *ordered[i])) claimed.insert(static_cast<int>(i));
        std::optional<Color> color;
        if (!claimed.empty()) color = colors[static_cast<std::size_t>(*claimed.begin())];
        o.columns.push_back(
            {win.appName, engine_.icon(win.pid), {{win, std::move(claimed), color}}});
    }
    return o;
}

void SwitcherOpener::show(bool forceActiveContext) {
    // Every column asks for its application's icon: one reading of the windows for all.
    WindowSystemBatch batch(engine_.system());
    std::optional<WindowID> select;
    if (switcher_.visible())
        if (auto selected = switcher_.selectedWindow()) select = selected->wid;
    Opening o = opening(wins_, forceActiveContext);
    switcher_.begin(std::move(o.workspaceNames), o.contexts, o.activeCtx, std::move(o.columns),
                    select);
}

void SwitcherOpener::prepare() {
    // With a thousand windows a prepared opening costs far more than the poll that asks.
    if (switcher_.state() != SwitcherState::closed) return;
    if (!stale_ && !(titlesStale_ && ++titleWaits_ >= titlePrepareEvery)) return;
    stale_ = titlesStale_ = false;
    titleWaits_ = 0;
    WindowSystemBatch batch(engine_.system());
    // The opening as the switcher key would make it now, on a copy of the recency order.
    WindowRecency recency = recency_;
    if (auto focused = engine_.focusedWindow()) recency.touch(*focused);
    Opening o = opening(recency.ordered(engine_.allWindows()), false);
    switcher_.prepare(std::move(o.workspaceNames), o.contexts, o.activeCtx, o.columns, false);
}

void SwitcherOpener::addContext(int workspaceIndex) {
    if (workspaceIndex < 0 ||
        static_cast<std::size_t>(workspaceIndex) >= store_.workspaces().size())
        return;
    store_.addNewContext(store_.workspaces()[static_cast<std::size_t>(workspaceIndex)].id);
    show(false);
}

void SwitcherOpener::commit(const Win& win, std::optional<Uuid> contextID) {
    engine_.focus(win);
    invalidate();
    recency_.touch(win);
    // The focus follower must not take the old context's window, getting the focus back on its
    // way out, for a change of context before the rest is done.
    if (ContextPtr context = store_.find(contextID)) follower_.hold(context->id);
    queue_.post([this, alive = std::weak_ptr<bool>(alive_), win, contextID] {
        if (alive.lock()) finishCommit(win, contextID);
    });
}

void SwitcherOpener::finishCommit(const Win& win, std::optional<Uuid> contextID) {
    ContextPtr context = store_.find(contextID);
    if (context && settings_.raiseContext()) {
        std::vector<Win> others = recency_.ordered(engine_.windows(*context));
        std::erase_if(others, [&](const Win& w) { return w.wid == win.wid; });
        // Under the chosen window, which the window manager may have raised already.
        others.insert(others.begin(), win);
        engine_.raise(others);
    }
    if (!contextID) {
        settings_.setSwitcherShowAll(true);
        return;
    }
    // A context deleted while the switcher was open is not made active: that would leave the
    // store pointing at nothing.
    if (context) store_.setActiveSilent(context->id);
    settings_.setSwitcherShowAll(false);
}

void SwitcherOpener::windowsChanged() {
    if (switcher_.state() == SwitcherState::closed) return;
    engine_.allWindows();
    const WidSet& live = engine_.liveWids();
    const auto gone = [&](const Win& w) { return !live.contains(w.wid); };
    std::erase_if(wins_, gone);
    switcher_.removeWindows(gone);
}

// --- HotkeyActions -------------------------------------------------------------------------

void SwitcherOpener::switcherOpen(bool confined) {
    // The focused window, the windows and the panel's icons all from one reading.
    WindowSystemBatch batch(engine_.system());
    if (auto focused = engine_.focusedWindow()) recency_.touch(*focused);
    wins_ = recency_.ordered(engine_.allWindows());
    switcher_.startConfined(confined);
    show(confined);
}

void SwitcherOpener::switcherStep(bool forward) {
    switcher_.showNow();
    switcher_.stepWindow(forward);
}

void SwitcherOpener::switcherCycleContext(int delta) {
    switcher_.showNow();
    switcher_.cycleContext(delta);
}

void SwitcherOpener::switcherSelectContext(int position) {
    switcher_.showNow();
    switcher_.selectContext(position);
}

void SwitcherOpener::switcherCommit() {
    switcher_.commit();
}

void SwitcherOpener::switcherCancel() {
    switcher_.cancel();
}

void SwitcherOpener::switcherSetConfined(bool confined) {
    switcher_.setConfined(confined);
}

void SwitcherOpener::switcherBeginFilter() {
    switcher_.beginFilter();
}

void SwitcherOpener::switcherFilterType(std::string text) {
    WindowSystemBatch batch(engine_.system()); // the rebuilt cells look their icons up again
    switcher_.appendFilter(text);
}

void SwitcherOpener::switcherFilterBackspace() {
    WindowSystemBatch batch(engine_.system());
    switcher_.deleteFilterChar();
}

void SwitcherOpener::switcherCloseSelected() {
    const auto selected = switcher_.selectedWindow();
    if (!selected) return;
    // A window that cannot be asked is left to the window manager: its tile stays until the
    // window is gone (windowsChanged).
    if (!engine_.close(*selected)) return;
    // Gone for good: a rebuild of the open switcher must not bring the tile back.
    std::erase_if(wins_, [&](const Win& w) { return w.wid == selected->wid; });
    switcher_.removeSelected();
}

void SwitcherOpener::switcherQuitSelectedApp() {
    const auto selected = switcher_.selectedWindow();
    if (!selected) return;
    engine_.quit(selected->pid);
    std::erase_if(wins_, [&](const Win& w) { return w.pid == selected->pid; });
    switcher_.removeSelectedApp();
}

} // namespace morvelan
