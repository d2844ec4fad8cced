// SettingsModel: the state and every operation behind the settings window, without widgets.
#pragma once

#include "core/engine/WindowEngine.h"
#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/KeyBind.h"
#include "core/model/Color.h"
#include "core/model/Context.h"
#include "core/model/ContextStore.h"
#include "core/model/Settings.h"
#include "core/platform/Alerts.h"
#include "core/platform/Dialogs.h"
#include "core/platform/KeyLabels.h"
#include "core/platform/KeySource.h"
#include "core/platform/MainQueue.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morvelan {

// The in-application key monitor of the recorder. While it exists, the host hands every
// key-down to its handler (macOS key code, modifier bits) and lets it reach no control.
class KeyMonitor {
public:
    virtual ~KeyMonitor() = default;
};
using KeyHandler = std::function<void(int keyCode, std::uint64_t mods)>;

// What the host lends the settings model. The referenced objects must outlive it.
struct SettingsHost {
    MainQueue& queue;
    Settings& settings;
    Alerts& alerts;
    Dialogs& dialogs;
    // The system beep: a key without modifiers was refused.
    std::function<void()> beep;
    // Starts the key monitor; empty runs without one (capture() is then called directly).
    std::function<std::unique_ptr<KeyMonitor>(KeyHandler)> installKeyMonitor;
    // The keyboard layout's key labels; null names keys as on a US keyboard.
    const KeyLabels* keyLabels = nullptr;
    // Whether an action's binding works (Hotkeys::bindingState); empty tells nothing.
    std::function<std::optional<BindingState>(HotkeyAction)> bindingState;
};

// Removes its observer when destroyed; harmless after the model is gone.
class [[nodiscard]] Subscription {
public:
    Subscription() = default;
    Subscription(std::weak_ptr<std::map<int, std::shared_ptr<std::function<void()>>>> list, int id)
        : list_(std::move(list)), id_(id) {}
    Subscription(Subscription&& other) noexcept { *this = std::move(other); }
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }
    void reset();

private:
    std::weak_ptr<std::map<int, std::shared_ptr<std::function<void()>>>> list_;
    int id_ = 0;
};

// "~/…" for a path inside `home`, the path itself otherwise.
std::string tildePath(const std::filesystem::path& path, const std::filesystem::path& home);

// Main thread only. Every edit of stored data goes through the store (then save()) or the
// hotkey bindings (then save()) and ends in bump(), which redraws all screens once the
// current action has finished.
class SettingsModel {
public:
    enum class Tab { general, workspaces, contexts, about };

    static constexpr double windowsMaxAge = 2.0;

    // Makes a "Default" workspace (and saves) when the store has none; selects the first
    // workspace and the first context.
    SettingsModel(ContextStore& store, WindowEngine& engine, HotkeyConfig& config,
                  SettingsHost host);
    ~SettingsModel();
    SettingsModel(const SettingsModel&) = delete;
    SettingsModel& operator=(const SettingsModel&) = delete;

    ContextStore& store() { return store_; }
    const ContextStore& store() const { return store_; }
    WindowEngine& engine() { return engine_; }
    HotkeyConfig& config() { return config_; }

    // --- Change announcements -------------------------------------------------------------
    // Calls `observer` after each announced change.
    Subscription observe(std::function<void()> observer);
    // Announces a change on the next turn of the main queue; bumps before it merge into one.
    void bump();

    // --- Published state ------------------------------------------------------------------
    Tab selectedTab() const { return selectedTab_; }
    void setSelectedTab(Tab tab);
    const std::optional<Uuid>& selectedContextID() const { return selectedContextID_; }
    void setSelectedContextID(std::optional<Uuid> id);
    const std::optional<Uuid>& selectedWorkspaceID() const { return selectedWorkspaceID_; }
    void setSelectedWorkspaceID(std::optional<Uuid> id);
    // The context whose editor is open; null when none is.
    const ContextPtr& editing() const { return editing_; }
    // Opens the editor on the context with this id (unknown ids close it).
    void edit(std::optional<Uuid> id);
    void endEditing();
    const std::optional<HotkeyAction>& recording() const { return recording_; }

    // Told true when recording starts and false when it ends.
    std::function<void(bool)> onRecordingChange = [](bool) {};
    // Opens the introduction tour.
    std::function<void()> onShowIntro = [] {};

    // --- Reading the store and the live windows ---------------------------------------------
    // The live windows, rescanned when the last scan is more than 2 seconds old.
    const std::vector<Win>& windows();
    // Rescans when due and announces a change when the live windows differ from those the
    // screens last saw. For a periodic refresh while the window is visible.
    void refreshLiveWindows();
    std::vector<Win> matchingWindows(const Context& context, const std::vector<Win>& within) const;
    // The number of contexts other than `excluding` that the window belongs to.
    int alsoIn(const Win& window, const Uuid& excluding) const;
    // The selected workspace's contexts, most recently active first.
    std::vector<ContextPtr> contextsInSelectedWorkspace() const;
    std::size_t contextCount(const Uuid& workspace) const;
    ContextPtr context(const std::optional<Uuid>& id) const;
    const Workspace* workspace(const std::optional<Uuid>& id) const;
    // The context's stored colour; an unreadable one shows as the system blue.
    static Color colorOf(const Context& context);

    // --- Workspaces and contexts ----------------------------------------------------------
    void addWorkspace();
    bool canRemoveSelectedWorkspace() const;
    // Asks first; the last workspace is never removed.
    void removeSelectedWorkspace();
    void renameWorkspace(const Uuid& id, const std::string& name);
    // A "New context" in the selected workspace, selected and opened in the editor.
    void createContext();
    // Asks first; unknown ids do nothing.
    void deleteContext(std::optional<Uuid> id);

    // --- Context editor -----------------------------------------------------------------------
    // Each saves and bumps; an unknown context id does nothing.
    void setName(const Uuid& id, const std::string& name);
    void setColor(const Uuid& id, const Color& color);
    void setWorkspace(const Uuid& id, const Uuid& workspace);
    // Appends a rule of that kind with one empty "application name contains" condition.
    void addRule(const Uuid& id, bool exclude);
    // Asks "Remove this rule?" first.
    void askRemoveRule(const Uuid& id, std::size_t rule);
    void removeRule(const Uuid& id, std::size_t rule);
    void addCondition(const Uuid& id, std::size_t rule);
    void setCondition(const Uuid& id, std::size_t rule, std::size_t clause, Condition condition);
    // Removing the last condition of a rule removes the rule.
    void removeCondition(const Uuid& id, std::size_t rule, std::size_t clause);
    // The live windows that this rule alone matches.
    std::vector<Win> ruleMatches(const Rule& rule);
    // Whether the condition's pattern is usable (always true unless it is a regex).
    static bool patternValid(const Condition& condition);
    // The live windows one of the context's pins names (window and application pins).
    std::vector<Win> pinnedWindows(const Context& context);
    // Removes the window pins that name this window (never application pins).
    void unpin(const Uuid& id, const Win& window);
    // Asks "Remove all pinned windows?" first.
    void askClearPins(const Uuid& id);
    void clearPins(const Uuid& id);

    // --- Hotkeys ---------------------------------------------------------------------------
    void startRecording(HotkeyAction action);
    void stopRecording();
    // A key-down while recording: Esc ends it; a key without modifiers beeps; anything else
    // becomes the action's binding, is written to hotkeys.json and ends recording.
    void capture(int keyCode, std::uint64_t mods);
    // The recorder button's label: "Press keys…", the binding's text ("Super+Tab") or "—".
    std::string recorderLabel(HotkeyAction action) const;
    // Beside the recorder: "Taken by xfwm4", "Active" (BindingNotes::note); empty while
    // recording or when unknown.
    std::string recorderNote(HotkeyAction action) const;

    // --- Preferences ------------------------------------------------------------------------
    bool autoSwitch() const;
    void setAutoSwitch(bool on);
    bool raiseContext() const;
    void setRaiseContext(bool on);
    bool launchAtLogin() const;
    void setLaunchAtLogin(bool on);
    bool autoUpdate() const;
    void setAutoUpdate(bool on);
    double switcherDelay() const;
    // Stored rounded to the nearest millisecond, halves away from zero.
    void setSwitcherDelay(double ms);

    // --- Configuration file -----------------------------------------------------------------
    void exportConfig();
    void importConfig();
    void reloadConfig();
    // The store's configuration was replaced from elsewhere (`morvelan reload`): the screens
    // move to what exists now.
    void configReplaced();

private:
    using Observers = std::map<int, std::shared_ptr<std::function<void()>>>;

    void announce();
    // Runs `edit` on the context with this id, then saves and bumps.
    template <class F> void editContext(const Uuid& id, F edit);
    // Keeps both selections pointing at something that exists after the store was replaced.
    void revalidateSelection();

    ContextStore& store_;
    WindowEngine& engine_;
    HotkeyConfig& config_;
    SettingsHost host_;

    Tab selectedTab_ = Tab::general;
    std::optional<Uuid> selectedContextID_;
    std::optional<Uuid> selectedWorkspaceID_;
    ContextPtr editing_;
    std::optional<HotkeyAction> recording_;
    std::unique_ptr<KeyMonitor> monitor_;
    std::vector<Win> winsCache_;
    double winsStamp_ = 0;
    // What the screens last saw (window id and title), for refreshLiveWindows().
    std::vector<std::pair<WindowID, std::string>> shownWindows_;

    std::shared_ptr<Observers> observers_ = std::make_shared<Observers>();
    int nextObserver_ = 1;
    bool bumpPending_ = false;
    // Queued announcements hold this weakly and do nothing once the model is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace morvelan
