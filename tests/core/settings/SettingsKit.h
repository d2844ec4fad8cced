// SettingsKit: a SettingsModel over a scripted window system, a manual clock, memory files and
// defaults, scripted alerts and dialogs, a counted beep and a fake key monitor. Shared with the
// widget tests.
#pragma once

#include "core/engine/WindowEngine.h"
#include "core/hotkeys/HotkeyConfig.h"
#include "core/model/ContextStore.h"
#include "core/model/Settings.h"
#include "core/settings/SettingsModel.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <memory>
#include <string>
#include <vector>

namespace morvelan {

struct SettingsKit {
    static constexpr Pid editor = 100;  // org.editor, "Editor"
    static constexpr Pid browser = 200; // org.browser, "Browser"

    // A key monitor that counts the installed ones.
    struct FakeMonitor : KeyMonitor {
        explicit FakeMonitor(int& live) : live(live) { ++live; }
        ~FakeMonitor() override { --live; }
        int& live;
    };

    // A normal window of `pid` (editor or browser, or another pid named "App <pid>").
    void addWindow(Pid pid, WindowID id, std::string title) {
        WindowInfo w;
        w.id = id;
        w.app = pid == editor ? AppInfo{pid, "org.editor", "Editor"}
                : pid == browser
                    ? AppInfo{pid, "org.browser", "Browser"}
                    : AppInfo{pid, "org.app" + std::to_string(pid), "App " + std::to_string(pid)};
        w.title = std::move(title);
        w.closable = true;
        windows.open(std::move(w));
    }

    // The model, made on first use so a test can prepare the store first.
    SettingsModel& model() {
        if (!model_) {
            model_ = std::make_unique<SettingsModel>(
                store, engine, config,
                SettingsHost{
                    .queue = queue,
                    .settings = settings,
                    .alerts = alerts,
                    .dialogs = dialogs,
                    .beep = [this] { ++beeps; },
                    .installKeyMonitor = [this](KeyHandler handler) -> std::unique_ptr<KeyMonitor> {
                        keyHandler = std::move(handler);
                        return std::make_unique<FakeMonitor>(liveMonitors);
                    },
                });
            model_->onRecordingChange = [this](bool on) { recordingChanges.push_back(on); };
        }
        return *model_;
    }
    void destroyModel() { model_.reset(); }
    // Counts the model's announcements from now on; both run the queue first.
    void watch() {
        queue.drain();
        watching = model().observe([this] { ++announced; });
    }
    int announcements() {
        queue.drain();
        return announced;
    }

    ContextPtr addContext(std::string name, std::optional<Uuid> workspace = std::nullopt) {
        ContextPtr c = makeContext(std::move(name), "#4ECDC4", workspace);
        store.add(c);
        return c;
    }
    static Rule rule(RuleField field, RuleOp op, std::string value, bool exclude = false) {
        return Rule{{Condition{field, op, std::move(value)}}, exclude};
    }
    static std::vector<std::string> titlesOf(const std::vector<Win>& wins) {
        std::vector<std::string> titles;
        for (const Win& w : wins)
            titles.push_back(w.title);
        return titles;
    }

    FakeWindowSystem windows;
    ManualQueue queue;
    MemoryFiles files;
    RecordingLog log;
    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    Settings settings{defaults, loginItem, log};
    ContextStore store{files, log};
    WindowEngine engine{windows, queue};
    HotkeyConfig config{files};
    FakeAlerts alerts;
    FakeDialogs dialogs;

    int beeps = 0;
    int liveMonitors = 0;
    KeyHandler keyHandler;
    std::vector<bool> recordingChanges;
    int announced = 0;
    Subscription watching;

private:
    std::unique_ptr<SettingsModel> model_;
};

} // namespace morvelan
