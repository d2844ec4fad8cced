// AppDelegate: owns the program's long-lived parts, wires them together at start-up and runs
// the timers; the rules live in the helpers it owns.
#pragma once

#include "core/app/AppHost.h"
#include "core/app/DiagnosticLogs.h"
#include "core/app/FocusFollower.h"
#include "core/app/PinKeeper.h"
#include "core/app/RemoteControl.h"
#include "core/app/SwitcherOpener.h"
#include "core/app/WindowRecency.h"
#include "core/engine/WindowEngine.h"
#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/Hotkeys.h"
#include "core/menubar/MenuBarController.h"
#include "core/model/ContextStore.h"
#include "core/model/Settings.h"
#include "core/switcher/Switcher.h"

#include <memory>

namespace morvelan {

// Main thread only. Created once with create(); start() runs the launch sequence. Every
// callback, timer and queued task it hands out holds it weakly and does nothing once it is
// gone.
class AppDelegate : public std::enable_shared_from_this<AppDelegate> {
    struct Token {};

public:
    static constexpr double focusPollInterval = 1.0;
    static constexpr double warningInterval = 2.0;
    static constexpr double pinPassInterval = 3.0;
    static constexpr double updateCheckDelay = 4.0;

    // Constructs the parts; nothing is loaded or started yet.
    static std::shared_ptr<AppDelegate> create(AppHost host);
    AppDelegate(Token, AppHost host);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence: intro, login item, store, tray, wiring, hotkeys, seen windows,
    // recency order, timers, delayed update check. Call once.
    void start();

    ContextStore& store() { return store_; }
    WindowEngine& engine() { return engine_; }
    Switcher& switcher() { return switcher_; }
    Hotkeys& hotkeys() { return hotkeys_; }
    HotkeyConfig& config() { return config_; }
    Settings& settings() { return settings_; }
    SwitcherOpener& opener() { return opener_; }
    FocusFollower& follower() { return follower_; }
    PinKeeper& pinKeeper() { return pinKeeper_; }
    DiagnosticLogs& logs() { return logs_; }
    RemoteControl& remote() { return remote_; }
    const WindowRecency& recency() const { return recency_; }
    // The tray controller; null before start().
    MenuBarController* menu() { return menu_.get(); }

    // The settings' key recorder starts or stops capturing a binding.
    void setRecording(bool on);
    // The open-settings action (menu, intro tour).
    void openSettings();
    // Keeps the tray's warnings in step with the key source (bindings other programs hold,
    // the keyboard held) and the files that cannot be read; re-enables a stopped source and
    // retries those files.
    void refreshWarning();

private:
    // For each context, the number of windows that belong to it.
    WindowCounts windowCounts();
    // A context was picked in the tray: its windows come forward, the most recent focused.
    void contextActivated();
    void wire();
    void startTimers();
    // Wraps a member call so it runs only while this object lives.
    template <class F> auto weakly(F f);

    MainQueue& queue_;
    AppHost hooks_;

    Settings settings_;
    ContextStore store_;
    WindowEngine engine_;
    Switcher switcher_;
    HotkeyConfig config_;
    Hotkeys hotkeys_;
    WindowRecency recency_;
    FocusFollower follower_;
    PinKeeper pinKeeper_;
    SwitcherOpener opener_;
    DiagnosticLogs logs_;
    RemoteControl remote_{*this};
    std::unique_ptr<MenuBarController> menu_;

    std::unique_ptr<Timer> focusTimer_;
    std::unique_ptr<Timer> warningTimer_;
    std::unique_ptr<Timer> pinTimer_;
};

template <class F> auto AppDelegate::weakly(F f) {
    return [weak = weak_from_this(), f = std::move(f)](auto&&... args) {
        if (auto self = weak.lock()) f(*self, std::forward<decltype(args)>(args)...);
    };
}

} // namespace morvelan
