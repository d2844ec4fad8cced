// Hotkeys: the key decision on the source's thread and the hand-off of commands to the main thread.
#include "core/hotkeys/Hotkeys.h"

#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

namespace morvelan {

namespace {

constexpr std::size_t slot(HotkeyAction action) {
    return static_cast<std::size_t>(action);
}

// The digit keys that select a context, in position order.
constexpr int contextDigits[] = {Key::digit1, Key::digit2, Key::digit3, Key::digit4, Key::digit5,
                                 Key::digit6, Key::digit7, Key::digit8, Key::digit9};

// Context position of a digit key 1–9, or -1.
constexpr int digitPosition(int key) {
    for (int position = 0; position < static_cast<int>(std::size(contextDigits)); ++position)
        if (contextDigits[position] == key) return position;
    return -1;
}

// Every modifier of the binding must be held; more are allowed. Bits outside the four
// modifiers, which a hand-edited file may hold, are not keys and are not asked for.
bool matches(const KeyBind& bind, int key, std::uint64_t mods) {
    const std::uint64_t need = bind.mods & Modifier::all;
    return bind.keyCode == key && (mods & need) == need;
}

// The typed text cut to at most four UTF-16 units; empty when it is not valid UTF-8 or holds
// a control character (below U+0020, or U+007F) within those units.
std::string_view typedText(std::string_view text) {
    std::size_t i = 0;
    std::size_t units = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t scalar = 0;
        if (lead < 0x80) {
            length = 1;
            scalar = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            scalar = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            scalar = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            scalar = lead & 0x07;
        } else {
            return {};
        }
        if (i + length > text.size()) return {};
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return {};
            scalar = (scalar << 6) | (next & 0x3F);
        }
        const bool overlong = (length == 2 && scalar < 0x80) || (length == 3 && scalar < 0x800) ||
                              (length == 4 && scalar < 0x10000);
        if (overlong || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) return {};
        const std::size_t width = scalar >= 0x10000 ? 2 : 1;
        if (units + width > 4) break;
        if (scalar < 0x20 || scalar == 0x7F) return {};
        units += width;
        i += length;
    }
    return text.substr(0, i);
}

} // namespace

// Queues the command on the main thread; dropped there when the engine or the receiver is gone.
template <class Command> void Hotkeys::dispatch(Command command) {
    main_.post([alive = std::weak_ptr<const bool>(alive_), this, session = session_,
                command = std::move(command)] {
        if (alive.expired()) return;
        {
            std::lock_guard lock(mutex_);
            mainSession_ = session;
        }
        if (auto receiver = actions.lock()) command(*receiver);
    });
}

Hotkeys::Hotkeys(MainQueue& main, std::unique_ptr<KeySource> source)
    : main_(main), source_(std::move(source)) {}

Hotkeys::~Hotkeys() {
    // Joins the source's thread: no callback can run past this line.
    source_.reset();
}

// --- Main thread -----------------------------------------------------------------------

void Hotkeys::start() {
    reloadBinds();
    if (!sourceRunning_) startKeySource();
}

void Hotkeys::recording(bool on) {
    std::optional<Binds> fresh;
    if (!on && config) {
        fresh.emplace();
        for (const auto& [action, bind] : config->bindings)
            (*fresh)[slot(action)] = bind;
    }
    {
        std::lock_guard lock(mutex_);
        st_.recording = on;
        if (fresh) st_.binds = *fresh;
    }
    source_->setRecording(on);
    updateSourceBindings();
}

std::uint64_t Hotkeys::seen() const {
    std::lock_guard lock(mutex_);
    return st_.seen;
}

void Hotkeys::notifySwitcherClosed() {
    // Under the lock, so that no opening slips in between the check and the release
    // (setSwitcherOpen does not block).
    std::lock_guard lock(mutex_);
    if (st_.session != mainSession_) return;
    if (std::exchange(st_.open, false)) source_->setSwitcherOpen(false);
}

bool Hotkeys::openFromOutside(bool confined, std::uint64_t heldMods) {
    auto receiver = actions.lock();
    if (!receiver || !sourceRunning_) return false;
    bool opening = false;
    {
        std::lock_guard lock(mutex_);
        // Without the switcher binding the decision ignores every key: nothing would close it.
        if (st_.recording || !st_.binds[slot(HotkeyAction::switcher)]) return false;
        opening = !st_.open;
        if (opening) {
            st_.open = true;
            st_.outsideHold = heldMods & Modifier::all;
            mainSession_ = ++st_.session;
        }
    }
    if (!opening) {
        // A compositor runs its binding at every press, the modifier still held: the next
        // window, as the key does.
        receiver->switcherStep(true);
        return true;
    }
    source_->setSwitcherOpen(true);
    receiver->switcherOpen(confined);
    return true;
}

bool Hotkeys::keySourceEnabled() const {
    return sourceRunning_ && source_->isEnabled();
}

void Hotkeys::enableKeySource() {
    if (sourceRunning_) source_->enable();
}

bool Hotkeys::keyboardHeldByOther() const {
    return source_->keyboardHeldByOther();
}

std::optional<BindingState> Hotkeys::bindingState(HotkeyAction action) const {
    std::optional<KeyBind> bind;
    {
        std::lock_guard lock(mutex_);
        bind = st_.binds[slot(action)];
    }
    if (!bind) return std::nullopt;
    const KeyCombo combo{bind->keyCode, bind->mods & Modifier::all};
    for (const BindingState& state : source_->bindingStates())
        if (state.combo == combo) return state;
    return std::nullopt;
}

void Hotkeys::reloadBinds() {
    if (!config) return;
    Binds fresh{};
    for (const auto& [action, bind] : config->bindings)
        fresh[slot(action)] = bind;
    {
        std::lock_guard lock(mutex_);
        st_.binds = fresh;
    }
    updateSourceBindings();
}

void Hotkeys::updateSourceBindings() {
    Snapshot now;
    {
        std::lock_guard lock(mutex_);
        now = Snapshot{st_.recording, st_.open, st_.binds};
    }
    std::vector<KeyCombo> combos;
    // Without the switcher binding nothing opens, so nothing needs taking.
    if (!now.recording && now.binds[slot(HotkeyAction::switcher)]) {
        for (const auto& bind : now.binds)
            if (bind) combos.push_back(KeyCombo{bind->keyCode, bind->mods & Modifier::all});
    }
    source_->setBindings(combos);
}

void Hotkeys::startKeySource() {
    auto started = source_->start([this](const KeyEvent& event) { return deliver(event); });
    if (started) {
        sourceRunning_ = true;
        postStatus(true);
    } else {
        postStatus(false);
        scheduleRetry();
    }
}

void Hotkeys::scheduleRetry() {
    if (retry_) return;
    retry_ = main_.schedule(retryInterval, /*repeat=*/true,
                            [alive = std::weak_ptr<const bool>(alive_), this] {
                                if (alive.expired()) return;
                                retryFired();
                            });
}

void Hotkeys::retryFired() {
    // This runs inside the timer's own firing: stop it now, destroy the handle afterwards.
    retry_->cancel();
    main_.post([spent = std::shared_ptr<Timer>(std::move(retry_))] {});
    startKeySource();
}

void Hotkeys::postStatus(bool running) {
    main_.post([alive = std::weak_ptr<const bool>(alive_), this, running] {
        if (alive.expired()) return;
        if (onStatus) onStatus(running);
    });
}

// --- Key source thread -----------------------------------------------------------------

Verdict Hotkeys::deliver(const KeyEvent& event) {
    switch (event.type) {
    case KeyEvent::sourceDisabled:
        source_->enable();
        return Verdict::pass;
    case KeyEvent::bindingsChanged:
        postStatus(true);
        return Verdict::pass;
    case KeyEvent::takenKeyDown:
        main_.post([alive = std::weak_ptr<const bool>(alive_), this, key = event.keyCode,
                    mods = event.flags & Modifier::all] {
            if (!alive.expired() && onRecorded) onRecorded(key, mods);
        });
        return Verdict::pass;
    case KeyEvent::keyDown:
    case KeyEvent::flagsChanged:
        break;
    }
    {
        std::lock_guard lock(mutex_);
        ++st_.seen;
    }
    return handle(event);
}

Verdict Hotkeys::handle(const KeyEvent& event) {
    Snapshot snapshot;
    std::optional<std::uint64_t> outside;
    {
        std::lock_guard lock(mutex_);
        snapshot.recording = st_.recording;
        snapshot.open = st_.open;
        snapshot.binds = st_.binds;
        outside = std::exchange(st_.outsideHold, std::nullopt);
        if (outside) session_ = st_.session;
    }
    if (outside && snapshot.open) {
        // Opened from outside: hold what was held then, as if the binding had been pressed.
        holdMask_ = *outside;
        holdKey_ = Key::tab;
        shiftDown_ = (*outside & Modifier::shift) != 0;
        optDown_ = (*outside & Modifier::option) != 0;
        filtering_ = false;
    }
    return decide(event, snapshot);
}

Hotkeys::Mode Hotkeys::mode(const Snapshot& snapshot) const {
    // A confined binding alone opens nothing.
    if (snapshot.recording || !snapshot.binds[slot(HotkeyAction::switcher)]) return Mode::ignoring;
    if (!snapshot.open) return Mode::closed;
    return filtering_ ? Mode::filtering : Mode::open;
}

Verdict Hotkeys::decide(const KeyEvent& event, const Snapshot& snapshot) {
    const Mode current = mode(snapshot);
    if (current == Mode::ignoring) return Verdict::pass;
    const std::uint64_t mods = event.flags & Modifier::all;

    switch (event.type) {
    case KeyEvent::keyDown:
        switch (current) {
        case Mode::closed:
            return keyDownClosed(event, mods, snapshot.binds);
        case Mode::open:
            return keyDownOpen(event, mods);
        case Mode::filtering:
            return keyDownFiltering(event);
        case Mode::ignoring:
            break;
        }
        return Verdict::pass;
    case KeyEvent::flagsChanged:
        if (current != Mode::closed) flagsChangedOpen(event.flags, mods);
        return Verdict::pass;
    case KeyEvent::sourceDisabled:
    case KeyEvent::bindingsChanged:
    case KeyEvent::takenKeyDown:
        break;
    }
    return Verdict::pass;
}

Verdict Hotkeys::keyDownClosed(const KeyEvent& event, std::uint64_t mods, const Binds& binds) {
    const KeyBind& all = *binds[slot(HotkeyAction::switcher)];
    if (matches(all, event.keyCode, mods)) {
        openSwitcher(all, event, (event.flags & Modifier::option) != 0);
        return Verdict::swallow;
    }
    const auto& confined = binds[slot(HotkeyAction::switcherConfined)];
    if (!confined || !matches(*confined, event.keyCode, mods)) return Verdict::pass;
    openSwitcher(*confined, event, true);
    return Verdict::swallow;
}

Verdict Hotkeys::keyDownOpen(const KeyEvent& event, std::uint64_t mods) {
    const int key = event.keyCode;
    if (holdMask_ & ~mods) {
        // The held modifier went up without a flags-changed event: give up rather than commit.
        if (closeSwitcher()) dispatch([](HotkeyActions& a) { a.switcherCancel(); });
        return Verdict::pass;
    }
    if (key == holdKey_) {
        dispatch([](HotkeyActions& a) { a.switcherStep(true); });
        return Verdict::swallow;
    }
    if (key == Key::f && (event.flags & Modifier::command)) {
        filtering_ = true;
        dispatch([](HotkeyActions& a) { a.switcherBeginFilter(); });
        return Verdict::swallow;
    }
    if (const int position = digitPosition(key); position >= 0) {
        dispatch([position](HotkeyActions& a) { a.switcherSelectContext(position); });
        return Verdict::swallow;
    }
    switch (key) {
    case Key::left:
        dispatch([](HotkeyActions& a) { a.switcherCycleContext(-1); });
        return Verdict::swallow;
    case Key::right:
        dispatch([](HotkeyActions& a) { a.switcherCycleContext(1); });
        return Verdict::swallow;
    case Key::down:
    case Key::up:
        return Verdict::swallow;
    case Key::returnKey:
        // Only an opening without a held modifier has no release to commit on.
        if (holdMask_ != 0) return Verdict::pass;
        if (closeSwitcher()) dispatch([](HotkeyActions& a) { a.switcherCommit(); });
        return Verdict::swallow;
    case Key::q:
        dispatch([](HotkeyActions& a) { a.switcherQuitSelectedApp(); });
        return Verdict::swallow;
    case Key::w:
        dispatch([](HotkeyActions& a) { a.switcherCloseSelected(); });
        return Verdict::swallow;
    case Key::escape:
        // Swallowed even when the main thread closed the switcher in the meantime.
        if (closeSwitcher()) dispatch([](HotkeyActions& a) { a.switcherCancel(); });
        return Verdict::swallow;
    default:
        return Verdict::pass; // keys without a command
    }
}

Verdict Hotkeys::keyDownFiltering(const KeyEvent& event) {
    switch (event.keyCode) {
    case Key::tab: {
        const bool forward = (event.flags & Modifier::shift) == 0;
        dispatch([forward](HotkeyActions& a) { a.switcherStep(forward); });
        return Verdict::swallow;
    }
    case Key::backspace:
        dispatch([](HotkeyActions& a) { a.switcherFilterBackspace(); });
        return Verdict::swallow;
    case Key::escape:
        filtering_ = false;
        if (closeSwitcher()) dispatch([](HotkeyActions& a) { a.switcherCancel(); });
        return Verdict::swallow;
    default:
        break;
    }
    const std::string_view text = typedText(event.text);
    if (!text.empty())
        dispatch([text = std::string(text)](HotkeyActions& a) { a.switcherFilterType(text); });
    return Verdict::swallow;
}

void Hotkeys::flagsChangedOpen(std::uint64_t flags, std::uint64_t mods) {
    if (holdMask_ & ~mods) {
        if (closeSwitcher()) dispatch([](HotkeyActions& a) { a.switcherCommit(); });
        return;
    }
    const bool shift = (flags & Modifier::shift) != 0;
    if (shift && !shiftDown_) dispatch([](HotkeyActions& a) { a.switcherStep(false); });
    shiftDown_ = shift;
    const bool option = (flags & Modifier::option) != 0;
    if (option != optDown_) {
        optDown_ = option;
        dispatch([option](HotkeyActions& a) { a.switcherSetConfined(option); });
    }
}

void Hotkeys::openSwitcher(const KeyBind& bind, const KeyEvent& event, bool confined) {
    holdMask_ = bind.mods & Modifier::all;
    holdKey_ = event.keyCode;
    shiftDown_ = (event.flags & Modifier::shift) != 0;
    optDown_ = (event.flags & Modifier::option) != 0;
    filtering_ = false;
    {
        std::lock_guard lock(mutex_);
        st_.open = true;
        st_.outsideHold.reset();
        session_ = ++st_.session;
    }
    source_->setSwitcherOpen(true);
    dispatch([confined](HotkeyActions& a) { a.switcherOpen(confined); });
}

bool Hotkeys::closeSwitcher() {
    const bool was = exchangeOpen(false);
    source_->setSwitcherOpen(false);
    return was;
}

bool Hotkeys::exchangeOpen(bool open) {
    std::lock_guard lock(mutex_);
    return std::exchange(st_.open, open);
}

} // namespace morvelan
