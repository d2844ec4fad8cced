// AppHost: everything the host hands the application core — platform services, the switcher
// panel, the tray view and hooks into the windows the host owns.
#pragma once

#include "core/menubar/MenuView.h"
#include "core/platform/Defaults.h"
#include "core/platform/Files.h"
#include "core/platform/KeyLabels.h"
#include "core/platform/KeySource.h"
#include "core/platform/LoginItem.h"
#include "core/platform/MainQueue.h"
#include "core/platform/SystemLog.h"
#include "core/platform/WindowSystem.h"
#include "core/switcher/ScreenInfo.h"
#include "core/switcher/SwitcherPanel.h"
#include "core/switcher/TextMeasure.h"

#include <functional>
#include <memory>

namespace morvelan {

// Built once by the host, with designated initialisers, and moved into AppDelegate::create.
// The referenced objects must outlive the AppDelegate. Every hook may be left empty.
struct AppHost {
    WindowSystem& windows;
    MainQueue& queue;
    Files& files;
    SystemLog& log;
    Defaults& defaults;
    LoginItem& loginItem;
    // The global key source; the hotkey engine takes it over.
    std::unique_ptr<KeySource> keySource;
    SwitcherPanel& panel;
    TextMeasure& measure;
    // Screens and pointer in the panel's coordinates.
    ScreenInfo& screens;
    // The tray; null runs without one.
    MenuView* menuView = nullptr;
    // The keyboard layout's key labels; null names keys as on a US keyboard.
    const KeyLabels* keyLabels = nullptr;
    // Runs from where it was installed, not from its build tree: only then does the first
    // launch make it start with the session.
    bool installed = false;

    // Shows the introduction tour (first launch).
    std::function<void()> showIntro;
    // Opens the settings window on its workspaces tab, in front.
    std::function<void()> openSettings;
    // Opens the settings window on the tab with the hotkey recorders, in front.
    std::function<void()> openHotkeySettings;
    // The tray's warnings changed (a binding was taken or freed): the settings show it too.
    std::function<void()> warningsChanged;
    // Opens the settings window on its contexts tab with a new context ("Create new context…").
    std::function<void()> newContext;
    // Ends the program ("Quit").
    std::function<void()> quit;
    // Looks for an update; `silent` reports nothing unless one is found. Empty in a build
    // without a release address: no check at all.
    std::function<void(bool silent)> checkForUpdates;
};

} // namespace morvelan
