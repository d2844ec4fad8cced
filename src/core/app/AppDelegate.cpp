// AppDelegate: construction, the launch sequence, timers, the tray warning and the handlers
// of context activation, application activation and the switcher's add-context button.
#include "core/app/AppDelegate.h"

#include "core/app/Startup.h"
#include "core/app/Warnings.h"
#include "core/model/Color.h"

namespace morvelan {

std::shared_ptr<AppDelegate> AppDelegate::create(AppHost host) {
    return std::make_shared<AppDelegate>(Token{}, std::move(host));
}

AppDelegate::AppDelegate(Token, AppHost host)
    : desktop_(host.desktop), queue_(host.queue), files_(host.files), log_(host.log),
      hooks_(std::move(host)),
      ownScreens_(hooks_.screens ? nullptr : std::make_unique<DesktopScreens>(desktop_)),
      settings_(hooks_.defaults, hooks_.loginItem, log_), store_(files_, log_),
      engine_(desktop_, queue_),
      switcher_(hooks_.panel, hooks_.screens ? *hooks_.screens : *ownScreens_, queue_, settings_,
                hooks_.measure, [&desktop = desktop_](Pid pid) { return desktop.icon(pid); }),
      config_(files_), hotkeys_(queue_, std::move(hooks_.keySource)), appMRU_(desktop_) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::start() {
    // The intro's own "open settings" button is the host's to connect (openSettings()).
    if (!settings_.hasSeenIntro() && hooks_.showIntro) hooks_.showIntro();
    desktop_.promptForTrust();
    settings_.applyLaunchAtLoginDefault();
    store_.load();
    addDefaultContextIfEmpty(store_);

    menu_ = std::make_unique<MenuBarController>(store_, hooks_.menuView);
    wire();

    hotkeys_.start();
    seedSeenWindows();
    engine_.trackFocusChanges(frontmostPid());
    winMRU_ = engine_.zOrderedWIDs();
    startTimers();

    if (settings_.autoUpdate())
        queue_.postAfter(updateCheckDelay, weakly([](AppDelegate& self) {
                             if (self.hooks_.checkForUpdates) self.hooks_.checkForUpdates(true);
                         }));
}

void AppDelegate::wire() {
    menu_->onNewContext = [this] {
        if (hooks_.newContext) hooks_.newContext();
    };
    menu_->onSettings = weakly([](AppDelegate& self) { self.openSettings(); });
    menu_->onDump = weakly([](AppDelegate& self) { self.dumpWindows(); });
    menu_->onQuit = [this] {
        if (hooks_.quit) hooks_.quit();
    };
    menu_->windowCounts = [weak = weak_from_this()] {
        auto self = weak.lock();
        return self ? self->windowCounts() : WindowCounts{};
    };

    switcher_.onCommit = weakly([](AppDelegate& self, const Win& win, std::optional<Uuid> id) {
        self.commitSwitch(win, id);
    });
    switcher_.onToggleMembership = weakly(
        [](AppDelegate& self, const Win& win, const Uuid& id) { self.toggleMembership(win, id); });
    switcher_.onAddContext =
        weakly([](AppDelegate& self, int index) { self.addContextToWorkspace(index); });
    switcher_.onClose = weakly([](AppDelegate& self) { self.hotkeys_.notifySwitcherClosed(); });

    // Deferred by one hop so the notice has settled before focus is read.
    appMRU_.onActivate = weakly([](AppDelegate& self) {
        self.queue_.post(self.weakly([](AppDelegate& me) { me.handleActivation(); }));
    });
    engine_.onFocusChange = weakly([](AppDelegate& self) { self.scheduleFocusPoll(); });

    hotkeys_.config = &config_;
    hotkeys_.actions = weak_from_this();
    hotkeys_.onStatus = weakly([](AppDelegate& self, bool) {
        self.refreshWarning();
        self.writeStatus();
    });

    store_.onChange = weakly([](AppDelegate& self) {
        if (self.menu_) self.menu_->rebuild();
        self.writeStatus();
    });
    store_.onActivate =
        weakly([](AppDelegate& self, std::optional<Uuid>) { self.contextActivated(); });
}

void AppDelegate::startTimers() {
    warningTimer_ = queue_.schedule(warningInterval, true,
                                    weakly([](AppDelegate& self) { self.refreshWarning(); }));
    autoAddTimer_ = queue_.schedule(autoAddInterval, true,
                                    weakly([](AppDelegate& self) { self.autoAddNewWindows(); }));
    focusTimer_ = queue_.schedule(focusPollInterval, true,
                                  weakly([](AppDelegate& self) { self.pollFocus(); }));
}

void AppDelegate::setRecording(bool on) {
    hotkeys_.recording(on);
}

void AppDelegate::openSettings() {
    if (hooks_.openSettings) hooks_.openSettings();
}

void AppDelegate::promptAccessibility() {
    desktop_.promptForTrust();
    if (hooks_.accessibilityAlert) hooks_.accessibilityAlert();
}

void AppDelegate::refreshWarning() {
    std::optional<std::string> warning;
    if (!hotkeys_.keySourceRunning()) {
        warning = std::string(warnings::noTap);
    } else {
        if (!hotkeys_.keySourceEnabled()) hotkeys_.enableKeySource();
        if (hotkeys_.keyboardHeldByOther()) warning = std::string(warnings::secureInput);
    }
    if (!menu_ || warning == menu_->warning) return;
    menu_->warning = std::move(warning);
    menu_->rebuild();
}

WindowCounts AppDelegate::windowCounts() {
    WindowCounts counts;
    const std::vector<Win> wins = engine_.allAcrossSpaces();
    for (const ContextPtr& context : store_.contexts) {
        if (!context) continue;
        int n = 0;
        for (const Win& win : wins)
            if (engine_.belongs(win, *context)) ++n;
        counts[context->id] = n;
    }
    return counts;
}

void AppDelegate::contextActivated() {
    seedSeenWindows();
    ContextPtr context = findContext(store_.activeID);
    if (!context) return;
    const std::vector<Win> ordered = mruOrdered(engine_.windows(*context));
    raiseBackToFront(ordered);
    if (!ordered.empty()) engine_.focus(ordered.front());
}

void AppDelegate::handleActivation() {
    engine_.trackFocusChanges(frontmostPid());
    if (switcher_.visible()) return;
    if (auto win = engine_.focusedWindow()) followFocus(*win);
}

void AppDelegate::addContextToWorkspace(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= store_.workspaces.size()) return;
    const Uuid workspace = store_.workspaces[static_cast<std::size_t>(index)].id;
    store_.add(
        makeContext("New context", std::string(paletteHex(store_.contexts.size())), workspace));
    openUnifiedSwitcher(false);
}

ContextPtr AppDelegate::findContext(const std::optional<Uuid>& id) const {
    if (!id) return nullptr;
    for (const ContextPtr& c : store_.contexts)
        if (c && c->id == *id) return c;
    return nullptr;
}

void AppDelegate::raiseBackToFront(const std::vector<Win>& wins) {
    for (auto it = wins.rbegin(); it != wins.rend(); ++it)
        if (it->ax) desktop_.raise(it->ax);
}

Pid AppDelegate::frontmostPid() {
    auto front = desktop_.frontmostApplication();
    return front ? front->pid : 0;
}

} // namespace morvelan
