// AppDelegate: construction, the launch sequence, the wiring, the timers and the tray warning.
#include "core/app/AppDelegate.h"

#include "core/app/Warnings.h"
#include "core/hotkeys/BindingNotes.h"

#include <algorithm>

namespace morvelan {

std::shared_ptr<AppDelegate> AppDelegate::create(AppHost host) {
    return std::make_shared<AppDelegate>(Token{}, std::move(host));
}

AppDelegate::AppDelegate(Token, AppHost host)
    : queue_(host.queue), hooks_(std::move(host)),
      settings_(hooks_.defaults, hooks_.loginItem, hooks_.log), store_(hooks_.files, hooks_.log),
      engine_(hooks_.windows, queue_),
      switcher_(hooks_.panel, hooks_.screens, queue_, settings_, hooks_.measure),
      config_(hooks_.files), hotkeys_(queue_, std::move(hooks_.keySource)),
      follower_(engine_, store_, settings_, recency_, queue_), pinKeeper_(engine_, store_),
      opener_(engine_, store_, settings_, switcher_, recency_, follower_, queue_),
      logs_(hooks_.files, hooks_.log, store_, hotkeys_, engine_, follower_) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::start() {
    // The intro's own "open settings" button is the host's to connect (openSettings()).
    if (!settings_.hasSeenIntro() && hooks_.showIntro) hooks_.showIntro();
    // Unread settings may hold the user's "off".
    if (hooks_.installed && hooks_.defaults.readable()) settings_.applyLaunchAtLoginDefault();
    store_.load();
    store_.addDefaultIfEmpty();
    remote_.storeChanged();

    menu_ = std::make_unique<MenuBarController>(store_, hooks_.menuView);
    wire();

    hotkeys_.start();
    pinKeeper_.markAllSeen();
    std::vector<WindowID> ids;
    for (const Win& win : engine_.allWindows())
        ids.push_back(win.wid);
    recency_.seed(std::move(ids));
    startTimers();

    if (settings_.autoUpdate() && hooks_.checkForUpdates)
        queue_.postAfter(updateCheckDelay,
                         weakly([](AppDelegate& self) { self.hooks_.checkForUpdates(true); }));
}

void AppDelegate::wire() {
    menu_->onNewContext = [this] {
        if (hooks_.newContext) hooks_.newContext();
    };
    menu_->onSettings = weakly([](AppDelegate& self) { self.openSettings(); });
    menu_->onHotkeySettings = [this] {
        if (hooks_.openHotkeySettings) hooks_.openHotkeySettings();
    };
    menu_->onDump = weakly([](AppDelegate& self) { self.logs_.dumpWindows(); });
    menu_->onQuit = [this] {
        if (hooks_.quit) hooks_.quit();
    };
    menu_->windowCounts = [weak = weak_from_this()] {
        auto self = weak.lock();
        return self ? self->windowCounts() : WindowCounts{};
    };

    switcher_.onCommit = weakly([](AppDelegate& self, const Win& win, std::optional<Uuid> id) {
        self.opener_.commit(win, id);
    });
    switcher_.onToggleMembership = weakly(
        [](AppDelegate& self, const Win& win, const Uuid& id) { self.pinKeeper_.toggle(win, id); });
    switcher_.onAddContext =
        weakly([](AppDelegate& self, int index) { self.opener_.addContext(index); });
    switcher_.onClose = weakly([](AppDelegate& self) {
        self.opener_.invalidate();
        self.hotkeys_.notifySwitcherClosed();
    });

    engine_.onChange = weakly([](AppDelegate& self, WindowChange change, WindowID id) {
        if (change == WindowChange::title)
            self.opener_.invalidateTitles();
        else
            self.opener_.invalidate();
        self.follower_.noticed(change, id);
        // Read later: the notice may come in the middle of a reading.
        if (change == WindowChange::list)
            self.queue_.post(self.weakly([](AppDelegate& me) { me.opener_.windowsChanged(); }));
    });
    follower_.paused = [this] { return switcher_.visible(); };
    follower_.onPoll = [this](const Win& win) { logs_.logFocused(win); };
    // The next opening's picture, when focus, windows or contexts changed (titles: now and then).
    follower_.afterPoll = [this] { opener_.prepare(); };

    hotkeys_.config = &config_;
    hotkeys_.actions = std::shared_ptr<HotkeyActions>(shared_from_this(), &opener_);
    hotkeys_.onStatus = weakly([](AppDelegate& self, bool) {
        self.refreshWarning();
        self.logs_.writeStatus();
    });

    store_.onChange = weakly([](AppDelegate& self) {
        self.opener_.invalidate();
        if (self.menu_) self.menu_->rebuild();
        self.logs_.writeStatus();
        self.remote_.storeChanged();
    });
    store_.onActivate = weakly([](AppDelegate& self, std::optional<Uuid>) {
        self.opener_.invalidate();
        self.contextActivated();
        self.remote_.storeChanged();
    });
}

void AppDelegate::startTimers() {
    warningTimer_ = queue_.schedule(warningInterval, true,
                                    weakly([](AppDelegate& self) { self.refreshWarning(); }));
    pinTimer_ = queue_.schedule(pinPassInterval, true,
                                weakly([](AppDelegate& self) { self.pinKeeper_.pass(); }));
    focusTimer_ = queue_.schedule(focusPollInterval, true,
                                  weakly([](AppDelegate& self) { self.follower_.poll(); }));
}

void AppDelegate::setRecording(bool on) {
    hotkeys_.recording(on);
}

void AppDelegate::openSettings() {
    if (hooks_.openSettings) hooks_.openSettings();
}

void AppDelegate::refreshWarning() {
    std::vector<std::string> lines;
    if (!hotkeys_.keySourceRunning()) {
        lines.emplace_back(warnings::hotkeysUnavailable);
    } else {
        if (!hotkeys_.keySourceEnabled()) hotkeys_.enableKeySource();
        for (HotkeyAction action : allHotkeyActions)
            if (auto state = hotkeys_.bindingState(action))
                if (std::string line = BindingNotes::warning(*state, hooks_.keyLabels);
                    !line.empty() && std::find(lines.begin(), lines.end(), line) == lines.end())
                    lines.push_back(std::move(line));
        if (hotkeys_.keyboardHeldByOther()) lines.emplace_back(warnings::keyboardHeld);
    }
    for (auto [readable, name] : {std::pair{store_.readable(), "contexts.json"},
                                  std::pair{hooks_.defaults.readable(), "settings.json"}})
        if (!readable) {
            lines.push_back(warnings::unreadableFile(name));
            // Said once, when it starts.
            if (std::find(logs_.warnings.begin(), logs_.warnings.end(), lines.back()) ==
                logs_.warnings.end())
                hooks_.log.log(lines.back());
        }
    if (lines == logs_.warnings) return;
    logs_.warnings = lines;
    logs_.writeStatus();
    if (hooks_.warningsChanged) hooks_.warningsChanged();
    if (!menu_) return;
    menu_->warnings = std::move(lines);
    menu_->rebuild();
}

WindowCounts AppDelegate::windowCounts() {
    WindowCounts counts;
    const std::vector<Win> wins = engine_.allWindows();
    for (const ContextPtr& context : store_.contexts()) {
        if (!context) continue;
        int n = 0;
        for (const Win& win : wins)
            if (engine_.belongs(win, *context)) ++n;
        counts[context->id] = n;
    }
    return counts;
}

void AppDelegate::contextActivated() {
    pinKeeper_.markAllSeen();
    ContextPtr context = store_.active();
    if (!context) return;
    const std::vector<Win> ordered = recency_.ordered(engine_.windows(*context));
    engine_.raise(ordered);
    if (!ordered.empty()) engine_.focus(ordered.front());
}

} // namespace morvelan
