// KeySource: the host's global keyboard event source (key grabs on X11).
#pragma once

#include "core/platform/Keys.h"
#include "core/platform/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelan {

// The name of the source's thread. Linux keeps the first 15 bytes of a thread name.
inline constexpr std::string_view keySourceThreadName = "morvelan.hotkeys.tap";

// A key code with the modifiers that must be held (Key and Modifier values).
struct KeyCombo {
    int keyCode = 0;
    std::uint64_t mods = 0;
    friend bool operator==(const KeyCombo&, const KeyCombo&) = default;
};

// Whether the source holds one binding.
struct BindingState {
    enum class Kind {
        active,   // taken by this program: it fires
        taken,    // another program holds the combination
        unusable, // this keyboard cannot type it, or the host refused it for another reason
    };
    KeyCombo combo;
    Kind kind = Kind::active;
    // For `taken`: the program that most likely holds it, by name (on X11 the window manager,
    // the usual holder, since X cannot tell which client made a grab); empty when unknown.
    std::string holder;
    friend bool operator==(const BindingState&, const BindingState&) = default;
};

struct KeyEvent {
    enum Type {
        keyDown,         // a key was pressed (repeats included)
        flagsChanged,    // a modifier went down or up; `flags` is the new state
        sourceDisabled,  // the host stopped delivering (time-out, user input): re-enable
        bindingsChanged, // bindingStates() or keyboardHeldByOther() changed
        takenKeyDown,    // while recording: a key press another program's grab kept from us
    };
    Type type = keyDown;
    int keyCode = 0;         // a Key code
    std::uint64_t flags = 0; // Modifier bits after the event
    std::string text;        // the text the key types (UTF-8, at most 4 UTF-16 units)
};

enum class Verdict {
    pass,    // the focused application receives the event
    swallow, // nobody else sees the event
};

class KeySource {
public:
    using Callback = std::function<Verdict(const KeyEvent&)>;

    // Stops the thread (joining it) and releases every grab: the callback is never called
    // after the destructor returns.
    virtual ~KeySource() = default;

    // Starts the thread named keySourceThreadName and delivers every event to `callback` on
    // it, applying the verdict. Returns once it is known whether delivery works; a failure
    // (no connection) leaves nothing running and may be retried by calling start() again.
    // Bindings held elsewhere do not fail the start: the source keeps trying to take them
    // (every two seconds) and reports each change of bindingStates(). Main thread.
    virtual Result<void> start(Callback callback) = 0;

    // Whether events are being delivered right now (false after the host disabled delivery,
    // and before a successful start). Main thread.
    virtual bool isEnabled() const = 0;
    // Resumes delivery after the host disabled it; called from the main thread and from the
    // callback on a sourceDisabled event.
    virtual void enable() = 0;

    // Another client holds the keyboard, so the bindings cannot fire (the secure-input case).
    // Cleared by the source once that grab has ended. Main thread.
    virtual bool keyboardHeldByOther() const = 0;

    // The state of each combination of the last setBindings() the source has tried to take,
    // in that order; empty before the first try. Main thread.
    virtual std::vector<BindingState> bindingStates() const = 0;

    // The key combinations to take even while another application is focused; every
    // combination with more modifiers must reach the callback too. Empty while a new binding
    // is being recorded, so the keys reach the recorder. May be called before start().
    // Main thread.
    virtual void setBindings(const std::vector<KeyCombo>& combos) = 0;

    // While on (a binding is being recorded), a key press that another program's grab keeps
    // from this program's windows reaches the callback as takenKeyDown, so the recorder can
    // capture a combination that is taken. Main thread.
    virtual void setRecording(bool on) = 0;

    // Whether the switcher is open as far as the decision knows: while open, every key and
    // modifier change must reach the callback (an X11 source grabs the whole keyboard; it may
    // release it only once the keys held at closing are up). Called from the callback's thread
    // and from the main thread; the last call wins. Must not block.
    virtual void setSwitcherOpen(bool open) = 0;

    // The switcher's panel just got the keyboard from a compositor (Wayland has no grabs):
    // report the modifiers held now as a flagsChanged, even unchanged, so a release that went
    // to another window before is noticed. Main thread. Must not block.
    virtual void modifiersArrived() = 0;
};

} // namespace morvelan
