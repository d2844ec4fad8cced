// AppFixture: the application core over a scripted window system, a manual clock, memory files
// and settings, a fake key source, switcher panel and tray; launched once the test is ready.
#pragma once

#include "core/app/AppDelegate.h"
#include "fakes/FakeKeyLabels.h"
#include "fakes/FakeKeySource.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/FakeMenuView.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeSwitcherPanel.h"
#include "fakes/FakeTextMeasure.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace morvelan {

class AppFixture : public ::testing::Test {
protected:
    const AppInfo editor{100, "org.editor", "Editor"};
    const AppInfo browser{200, "org.browser", "Browser"};
    const AppInfo term{300, "org.term", "Term"};

    // The core after its launch sequence and the work it queued at once.
    void launch() {
        auto source = std::make_unique<FakeKeySource>();
        keys = source.get();
        keys->failStart = keysFail;
        app = AppDelegate::create(AppHost{
            .windows = windows,
            .queue = queue,
            .files = files,
            .log = log,
            .defaults = defaults,
            .loginItem = loginItem,
            .keySource = std::move(source),
            .panel = panel,
            .measure = measure,
            .screens = screens,
            .menuView = &menuView,
            .keyLabels = &keyLabels,
            .installed = installed,
            .showIntro = [this] { hooks.push_back("intro"); },
            .openSettings = [this] { hooks.push_back("settings"); },
            .openHotkeySettings = [this] { hooks.push_back("hotkeySettings"); },
            .newContext = [this] { hooks.push_back("newContext"); },
            .quit = [this] { hooks.push_back("quit"); },
            .checkForUpdates =
                [this](bool silent) { hooks.push_back(silent ? "update(silent)" : "update"); },
        });
        app->start();
        queue.drain();
    }

    // The user clicks into the window, and the debounced poll that follows runs.
    void click(WindowID id) {
        windows.activate(id);
        queue.advance(FocusFollower::debounce);
    }

    // A context added through the store: it becomes active and the most recently used.
    ContextPtr addContext(std::string name, std::vector<WinRef> members = {},
                          std::vector<Rule> rules = {}) {
        ContextPtr context = makeContext(std::move(name), "#4ECDC4");
        context->members = std::move(members);
        context->rules = std::move(rules);
        app->store().add(context);
        return context;
    }

    Win win(WindowID id) { return winOf(windows.window(id)); }
    static WinRef pin(const Win& w) { return WinRef{w.bundleID, w.title, false, w.wid}; }
    static WinRef pin(std::string bundleID, std::string title, std::optional<WindowID> wid) {
        return WinRef{std::move(bundleID), std::move(title), false, wid};
    }
    static WinRef appPin(std::string bundleID) { return WinRef{std::move(bundleID), "", true, {}}; }
    static Rule rule(RuleField field, RuleOp op, std::string value, bool exclude = false) {
        Rule r;
        r.clauses = {Condition{field, op, std::move(value)}};
        r.exclude = exclude;
        return r;
    }

    // The ids of the switcher's tiles, in order.
    std::vector<WindowID> tiles() const {
        std::vector<WindowID> ids;
        for (const Win& w : app->switcher().windows())
            ids.push_back(w.wid);
        return ids;
    }
    WindowID selected() const {
        const auto w = app->switcher().selectedWindow();
        return w ? w->wid : 0;
    }

    FakeWindowSystem windows;
    ManualQueue queue;
    MemoryFiles files;
    RecordingLog log;
    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    FakeSwitcherPanel panel;
    FakeTextMeasure measure;
    FakeScreens screens;
    FakeMenuView menuView;
    FakeKeySource* keys = nullptr; // owned by the hotkey engine
    bool keysFail = false;         // the key source fails to start
    FakeKeyLabels keyLabels;
    bool installed = false; // runs from its build tree unless set
    std::vector<std::string> hooks;
    std::shared_ptr<AppDelegate> app;
};

using Ids = std::vector<WindowID>;
using Strings = std::vector<std::string>;

} // namespace morvelan
