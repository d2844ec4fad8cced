// SwitcherOpener: opens the switcher over the windows in recency order, carries out the hotkey
// engine's switcher commands, and commits the user's choice.
#pragma once

#include "core/app/FocusFollower.h"
#include "core/app/WindowRecency.h"
#include "core/engine/WindowEngine.h"
#include "core/hotkeys/HotkeyActions.h"
#include "core/model/ContextStore.h"
#include "core/model/Settings.h"
#include "core/platform/MainQueue.h"
#include "core/switcher/Switcher.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morvelan {

class SwitcherOpener : public HotkeyActions {
public:
    SwitcherOpener(WindowEngine& engine, ContextStore& store, Settings& settings,
                   Switcher& switcher, WindowRecency& recency, FocusFollower& follower,
                   MainQueue& queue);

    // Opens the switcher over the windows of the last opening, or rebuilds it in place when
    // it is on screen (the selection stays). `forceActiveContext` preselects the active
    // context even when "All" was chosen last.
    void show(bool forceActiveContext);
    // While the switcher is closed: hands the panel what the switcher key would show now,
    // so that opening only has to put it on screen. Leaves the recency order as it is. Does
    // nothing unless something changed since the last one (see `invalidate`).
    void prepare();
    // The windows, the contexts or the focus changed: the next `prepare` paints again.
    void invalidate() { stale_ = true; }
    // Only titles changed: painted again at the tenth `prepare` from now at the latest. A
    // window retitling all the time (a clock, a progress bar) would otherwise cost a picture a
    // second; an opening whose picture is behind paints the current one anyway.
    void invalidateTitles() { titlesStale_ = true; }
    static constexpr int titlePrepareEvery = 10;
    // The switcher's "+" of workspace `index`: a new context there, then the switcher rebuilt.
    void addContext(int workspaceIndex);
    // The switcher's choice: focuses the window at once; on the next turn of the loop raises
    // the context's other windows under it when asked to and makes the context active (or
    // remembers that "All" was chosen), so the focus request is not kept waiting by them.
    void commit(const Win& win, std::optional<Uuid> contextID);
    // The window list changed: the open switcher drops the tiles of windows that are gone.
    void windowsChanged();

    // HotkeyActions
    void switcherOpen(bool confined) override;
    void switcherStep(bool forward) override;
    void switcherCycleContext(int delta) override;
    void switcherSelectContext(int position) override;
    void switcherCommit() override;
    void switcherCancel() override;
    void switcherSetConfined(bool confined) override;
    void switcherBeginFilter() override;
    void switcherFilterType(std::string text) override;
    void switcherFilterBackspace() override;
    void switcherCloseSelected() override;
    void switcherQuitSelectedApp() override;

private:
    bool stale_ = true;
    bool titlesStale_ = false;
    int titleWaits_ = 0;
    struct Opening {
        std::vector<std::string> workspaceNames;
        std::vector<Switcher::Ctx> contexts;
        int activeCtx = 0;
        std::vector<Switcher::Col> columns;
    };
    Opening opening(const std::vector<Win>& wins, bool forceActiveContext);
    void finishCommit(const Win& win, std::optional<Uuid> contextID);

    WindowEngine& engine_;
    ContextStore& store_;
    Settings& settings_;
    Switcher& switcher_;
    WindowRecency& recency_;
    FocusFollower& follower_;
    MainQueue& queue_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // The windows of the last opening, in display order.
    std::vector<Win> wins_;
};

} // namespace morvelan
