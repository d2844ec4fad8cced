// Hotkeys: turns the global key stream into switcher commands, deciding on the key source's thread.
#pragma once

#include "core/hotkeys/HotkeyActions.h"
#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/KeyBind.h"
#include "core/platform/KeySource.h"
#include "core/platform/MainQueue.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace morvelan {

class Hotkeys {
public:
    // The bindings in force, indexed by HotkeyAction; a fixed array so that copying them on
    // every key event allocates nothing.
    using Binds = std::array<std::optional<KeyBind>, allHotkeyActions.size()>;

    // What the decision reads from the shared record, copied under the lock.
    struct Snapshot {
        bool recording = false;
        bool open = false;
        Binds binds{};
    };

    // How the decision sees the switcher.
    enum class Mode { ignoring, closed, open, filtering };

    static constexpr double retryInterval = 2.0;

    // Nothing runs before start().
    Hotkeys(MainQueue& main, std::unique_ptr<KeySource> source);
    // Stops the key source first, so no decision runs into a half-destroyed engine; commands
    // still queued are dropped.
    ~Hotkeys();

    Hotkeys(const Hotkeys&) = delete;
    Hotkeys& operator=(const Hotkeys&) = delete;

    // Receiver of the commands, held weakly; read on the main thread when a command runs.
    std::weak_ptr<HotkeyActions> actions;
    // Source of the bindings; set before start() and before recording ends.
    HotkeyConfig* config = nullptr;
    // Told false when the key source cannot run, true when it runs, and true again whenever
    // a binding is taken or freed or the keyboard is held or let go. Main thread.
    std::function<void(bool)> onStatus = [](bool) {};
    // While recording: a combination another program holds was pressed (key code, modifier
    // bits), which the settings' own key capture cannot see. Main thread.
    std::function<void(int keyCode, std::uint64_t mods)> onRecorded = [](int, std::uint64_t) {};

    // --- Main thread ---------------------------------------------------------------
    // Copies the bindings and starts the key source; when it fails (no X server), reports
    // false and retries every two seconds. Bindings other programs hold do not fail it: the
    // source keeps trying them, and bindingState() tells.
    void start();
    // While true every key passes untouched; when it turns false the bindings are copied
    // again from `config`, so a newly recorded binding takes effect.
    void recording(bool on);
    // Number of key events delivered so far (disable notices not counted).
    std::uint64_t seen() const;
    // The switcher closed for whatever reason: forget that it is open. Ignored while a newer
    // opening's commands are still queued: that close belongs to an older opening.
    void notifySwitcherClosed();
    // Opens the switcher without its key (a window-manager binding running `morvelan
    // switcher`): the keyboard is taken as for the hotkey, releasing `heldMods` (the modifiers
    // down now) commits, Escape cancels; with none held, Return commits. Open already, it
    // steps to the next window. Returns false when the key source does not run.
    bool openFromOutside(bool confined, std::uint64_t heldMods);
    // The switcher's panel got the keyboard from the compositor: what is held now decides
    // (a quick tap's release went to another window).
    void panelHasKeyboard() {
        if (sourceRunning_) source_->modifiersArrived();
    }

    bool keySourceRunning() const { return sourceRunning_; }
    bool keySourceEnabled() const;
    // Resumes a key source the host disabled.
    void enableKeySource();
    // Another client holds the keyboard, so the bindings cannot fire.
    bool keyboardHeldByOther() const;
    // Whether the action's binding is taken by this program or by another; absent while the
    // key source has not tried it (not running, recording, no binding).
    std::optional<BindingState> bindingState(HotkeyAction action) const;

    // --- Key source thread -------------------------------------------------------
    // The decision on one event: snapshot of the shared record, then decide().
    Verdict handle(const KeyEvent& event);
    // The decision on a given snapshot. Queues the commands it decides on the main thread.
    // Allocates only when it queues a command.
    Verdict decide(const KeyEvent& event, const Snapshot& snapshot);

private:
    struct Shared {
        bool recording = false;
        bool open = false;
        // Counts the openings; the decision's commands carry the one they belong to.
        std::uint64_t session = 0;
        std::uint64_t seen = 0;
        Binds binds{};
        // An opening from outside the key stream: the held modifiers the decision takes up
        // with its next event.
        std::optional<std::uint64_t> outsideHold;
    };

    Verdict deliver(const KeyEvent& event);
    Mode mode(const Snapshot& snapshot) const;
    Verdict keyDownClosed(const KeyEvent& event, std::uint64_t mods, const Binds& binds);
    Verdict keyDownOpen(const KeyEvent& event, std::uint64_t mods);
    Verdict keyDownFiltering(const KeyEvent& event);
    void flagsChangedOpen(std::uint64_t flags, std::uint64_t mods);
    void openSwitcher(const KeyBind& bind, const KeyEvent& event, bool confined);
    // Clears Shared.open and tells the source; returns whether it was set.
    bool closeSwitcher();
    bool exchangeOpen(bool open);

    template <class Command> void dispatch(Command command);

    void reloadBinds();
    void updateSourceBindings();
    void startKeySource();
    void scheduleRetry();
    void retryFired();
    void postStatus(bool running);

    MainQueue& main_;
    std::unique_ptr<KeySource> source_;

    mutable std::mutex mutex_; // guards st_; held while calling out only for setSwitcherOpen
    Shared st_;

    // Key source thread only.
    std::uint64_t holdMask_ = 0;
    int holdKey_ = Key::tab;
    bool shiftDown_ = false;
    bool optDown_ = false;
    bool filtering_ = false;
    std::uint64_t session_ = 0;

    // Main thread only.
    bool sourceRunning_ = false;
    // The opening of the last command run here; read under the lock.
    std::uint64_t mainSession_ = 0;
    std::unique_ptr<Timer> retry_;
    // Queued commands and timers hold this weakly: expired means the engine is gone.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

} // namespace morvelan
