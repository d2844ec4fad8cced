// AppFixture: an AppDelegate over a FakeDesktop, a manual clock, memory files and defaults,
// a fake key source, switcher panel and tray; launched once the test has scripted the desktop.
#pragma once

#include "core/app/AppDelegate.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeKeySource.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/FakeMenuView.h"
#include "fakes/FakeSwitcherPanel.h"
#include "fakes/FakeTextMeasure.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace morvelan {

class AppFixture : public ::testing::Test {
protected:
    static constexpr Pid editor = 100;  // org.editor
    static constexpr Pid browser = 200; // org.browser
    static constexpr Pid term = 300;    // org.term

    AppFixture() {
        desktop.clock = [this] { return queue.now(); };
        desktop.addApp(editor, "org.editor", "Editor");
        desktop.addApp(browser, "org.browser", "Browser");
        desktop.addApp(term, "org.term", "Term");
    }

    // The core after its launch sequence and the work it queued at once.
    void launch() {
        auto source = std::make_unique<FakeKeySource>();
        keys = source.get();
        keys->failStart = keysFail;
        app = AppDelegate::create(AppHost{
            .desktop = desktop,
            .queue = queue,
            .files = files,
            .log = log,
            .defaults = defaults,
            .loginItem = loginItem,
            .keySource = std::move(source),
            .panel = panel,
            .measure = measure,
            .screens = nullptr,
            .menuView = &menuView,
            .showIntro = [this] { hooks.push_back("intro"); },
            .openSettings = [this] { hooks.push_back("settings"); },
            .newContext = [this] { hooks.push_back("newContext"); },
            .quit = [this] { hooks.push_back("quit"); },
            .accessibilityAlert = [this] { hooks.push_back("alert"); },
            .checkForUpdates =
                [this](bool silent) { hooks.push_back(silent ? "update(silent)" : "update"); },
        });
        app->start();
        queue.drain();
    }

    // A window with an element and a window-server entry.
    FakeElementPtr window(Pid pid, WindowID wid, std::string title) {
        return desktop.addWindow(pid, wid, std::move(title));
    }

    // Makes the window the focused window of the frontmost application.
    void focus(Pid pid, WindowID wid) {
        desktop.frontmost = pid;
        FakeDesktop::App* owner = desktop.app(pid);
        ASSERT_NE(owner, nullptr);
        auto it = std::find_if(owner->windows.begin(), owner->windows.end(),
                               [&](const FakeElementPtr& w) { return w->wid == wid; });
        ASSERT_NE(it, owner->windows.end()) << "no window " << wid;
        owner->focused = *it;
    }

    // The live window with this id, as the engine scans it.
    Win win(WindowID wid) {
        for (const Win& w : app->engine().allAcrossSpaces())
            if (w.wid == wid) return w;
        ADD_FAILURE() << "no window " << wid;
        return Win{};
    }

    // Adds a context through the store (it becomes active and most recently used).
    ContextPtr addContext(std::string name, std::vector<WinRef> members = {},
                          std::vector<Rule> rules = {}) {
        ContextPtr context = makeContext(std::move(name), "#4ECDC4");
        context->members = std::move(members);
        context->rules = std::move(rules);
        app->store().add(context);
        return context;
    }

    // Replaces the launch's "Default" context, leaving no context at all.
    void clearContexts() {
        app->store().contexts.clear();
        app->store().activeID.reset();
    }

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

    static std::vector<WindowID> widsOf(const std::vector<Win>& wins) {
        std::vector<WindowID> ids;
        for (const Win& w : wins)
            ids.push_back(w.wid);
        return ids;
    }

    std::string file(const char* name) {
        auto it = files.contents.find(files.appSupportDir() / name);
        return it == files.contents.end() ? std::string("<missing>") : it->second;
    }

    // The desktop's actions of the kinds that bring windows forward, as trace lines.
    std::vector<std::string> raisesAndFocus() const {
        std::vector<std::string> lines;
        const auto trace = desktop.trace();
        for (const std::string& line : trace)
            if (line.rfind("raise ", 0) == 0 || line.rfind("setMain ", 0) == 0 ||
                line.rfind("activate ", 0) == 0 || line.rfind("frontProcess ", 0) == 0)
                lines.push_back(line);
        return lines;
    }

    FakeDesktop desktop;
    ManualQueue queue;
    MemoryFiles files;
    RecordingLog log;
    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    FakeSwitcherPanel panel;
    FakeTextMeasure measure;
    FakeMenuView menuView;
    FakeKeySource* keys = nullptr; // owned by the hotkey engine
    bool keysFail = false;         // the key source fails to start
    std::vector<std::string> hooks;
    std::shared_ptr<AppDelegate> app;
};

using Wids = std::vector<WindowID>;
using Strings = std::vector<std::string>;

} // namespace morvelan
