// AppDelegate: the application core — owns every long-lived component, wires them at start-up,
// follows focus, assigns new windows, orchestrates the switcher and writes the diagnostic logs.
#pragma once

#include "core/app/AppHost.h"
#include "core/app/AppMRU.h"
#include "core/engine/WindowEngine.h"
#include "core/hotkeys/HotkeyActions.h"
#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/Hotkeys.h"
#include "core/menubar/MenuBarController.h"
#include "core/model/ContextStore.h"
#include "core/model/Settings.h"
#include "core/switcher/Switcher.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace morvelan {

// Main thread only. Created once with create(); start() runs the launch sequence. Every
// callback, timer and queued task it hands out holds it weakly and does nothing once it is
// gone. The hotkey engine holds it weakly as its HotkeyActions.
class AppDelegate : public HotkeyActions, public std::enable_shared_from_this<AppDelegate> {
    struct Token {};

public:
    static constexpr double focusPollInterval = 1.0;
    static constexpr double warningInterval = 2.0;
    static constexpr double autoAddInterval = 3.0;
    static constexpr double focusDebounce = 0.05;
    static constexpr double suppressFor = 2.0;
    static constexpr double updateCheckDelay = 4.0;

    // Constructs the components: store, engine, switcher, hotkey engine, bindings,
    // application recency list. Nothing is loaded or started yet.
    static std::shared_ptr<AppDelegate> create(AppHost host);
    AppDelegate(Token, AppHost host);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence: intro, trust request, login item, store, tray, wiring, hotkeys,
    // seen windows, recency order, timers, delayed update check. Call once.
    void start();

    // --- Components -----------------------------------------------------------------
    ContextStore& store() { return store_; }
    WindowEngine& engine() { return engine_; }
    Switcher& switcher() { return switcher_; }
    Hotkeys& hotkeys() { return hotkeys_; }
    HotkeyConfig& config() { return config_; }
    AppMRU& appMRU() { return appMRU_; }
    Settings& settings() { return settings_; }
    // The tray controller; null before start().
    MenuBarController* menu() { return menu_.get(); }

    // --- Entry points for the host ---------------------------------------------------
    // The settings' key recorder starts or stops capturing a binding.
    void setRecording(bool on);
    // The open-settings action (menu, intro tour).
    void openSettings();
    // Asks for the permission and shows the host's alert; the switcher's fallback when the
    // desktop does not let the program act on windows.
    void promptAccessibility();

    // --- Start-up and wiring ------------------------------------------------------------
    // Keeps the tray's warning in step with the key source; re-enables a disabled source.
    void refreshWarning();
    // For each context, the number of windows across spaces that belong to it.
    WindowCounts windowCounts();
    // The store's onActivate: raises the active context's windows and focuses the most recent.
    void contextActivated();
    // Another application became active.
    void handleActivation();
    // The switcher's "+" of workspace `index`: a new context there, then the switcher rebuilt.
    void addContextToWorkspace(int index);

    // --- Focus following -----------------------------------------------------------------
    // One focus poll about 50 ms from now; requests before it runs are merged.
    void scheduleFocusPoll();
    // The poll body: unless the switcher is visible, log and follow the focused window.
    void pollFocus();
    void followFocus(const Win& win);
    // The context that best claims the window: the active one, a pinning one (most recent
    // first), any claiming one (most recent first).
    ContextPtr contextContaining(const Win& win);

    // --- New-window assignment and clean-up ------------------------------------------------
    void seedSeenWindows();
    void autoAddNewWindows();
    // Removes stale window pins from every context; true when one went. Does not save.
    bool gcDeadRefs();
    // Pins or unpins the window (or its whole application) to or from the context, falling
    // back to an exclude rule; saves.
    void toggleMembership(const Win& win, const Uuid& contextID);
    // Appends the one-clause exclude rule for `win` to `context`.
    static void addExclude(Context& context, const Win& win, bool appWide);

    // --- Switcher orchestration ------------------------------------------------------------
    void touchWin(const Win& win);
    // The windows in recency order; adopts windows with an element it did not know yet.
    std::vector<Win> mruOrdered(std::vector<Win> wins);
    void openUnifiedSwitcher(bool forceActiveContext);
    // Hands the panel the picture the switcher key would show now, while the switcher is
    // closed, so that opening it only has to put it on screen.
    void prepareSwitcher();
    std::vector<Switcher::Col> buildColumns(const std::vector<Win>& wins,
                                            const std::vector<ContextPtr>& contexts,
                                            const std::vector<Color>& colors);
    // The switcher's onCommit.
    void commitSwitch(const Win& win, std::optional<Uuid> contextID);

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

    // --- Diagnostic logs ----------------------------------------------------------------------
    void writeStatus();
    void logFocused(const Win& win);
    void dumpWindows();
    // The texts the three writers put in their files.
    std::string statusText();
    std::string focusedText(const Win& win);
    std::string dumpText();

    // --- State (read only) --------------------------------------------------------------------
    const std::vector<WindowID>& winMRU() const { return winMRU_; }
    const std::unordered_map<WindowID, Pid>& winMRUpid() const { return winMRUpid_; }
    const std::unordered_set<WindowID>& seenWids() const { return seenWids_; }
    const std::vector<Win>& switcherWins() const { return switcherWins_; }
    double suppressUntil() const { return suppressUntil_; }
    const std::optional<Uuid>& pendingCtx() const { return pendingCtx_; }
    const std::string& lastLogged() const { return lastLogged_; }
    bool focusPollPending() const { return focusPollPending_; }

private:
    // What begin() needs to open the switcher over `wins`.
    struct SwitcherOpening {
        std::vector<std::string> workspaceNames;
        std::vector<Switcher::Ctx> contexts;
        int activeCtx = 0;
        std::vector<Switcher::Col> columns;
    };
    SwitcherOpening switcherOpening(const std::vector<Win>& wins, bool forceActiveContext);

    ContextPtr findContext(const std::optional<Uuid>& id) const;
    // Raises the windows with an element from last to first, so the first ends on top.
    void raiseBackToFront(const std::vector<Win>& wins);
    Pid frontmostPid();
    void wire();
    void startTimers();
    // Wraps a member call so it runs only while this object lives.
    template <class F> auto weakly(F f);

    // Host services and hooks.
    Desktop& desktop_;
    MainQueue& queue_;
    Files& files_;
    SystemLog& log_;
    AppHost hooks_;
    std::unique_ptr<DesktopScreens> ownScreens_;

    // Components.
    Settings settings_;
    ContextStore store_;
    WindowEngine engine_;
    Switcher switcher_;
    HotkeyConfig config_;
    Hotkeys hotkeys_;
    AppMRU appMRU_;
    std::unique_ptr<MenuBarController> menu_;

    std::unique_ptr<Timer> focusTimer_;
    std::unique_ptr<Timer> warningTimer_;
    std::unique_ptr<Timer> autoAddTimer_;

    // Program-wide state.
    bool focusPollPending_ = false;
    std::string lastLogged_;
    std::unordered_set<WindowID> seenWids_;
    std::vector<WindowID> winMRU_;
    std::unordered_map<WindowID, Pid> winMRUpid_;
    double suppressUntil_ = 0;
    std::optional<Uuid> pendingCtx_;
    std::vector<Win> switcherWins_;
};

template <class F> auto AppDelegate::weakly(F f) {
    return [weak = weak_from_this(), f = std::move(f)](auto&&... args) {
        if (auto self = weak.lock()) f(*self, std::forward<decltype(args)>(args)...);
    };
}

} // namespace morvelan
