// FakeKeySource: events fed by the test go straight to the callback.
#include "fakes/FakeKeySource.h"

namespace morvelan {

FakeKeySource::~FakeKeySource() {
    *destroyed = true;
}

Result<void> FakeKeySource::start(Callback callback) {
    ++startCalls;
    if (failStart) return failure(startError);
    callback_ = std::move(callback);
    started_ = true;
    enabled_ = true;
    return success();
}

void FakeKeySource::enable() {
    ++enableCalls;
    if (started_) enabled_ = true;
}

void FakeKeySource::setBindings(const std::vector<KeyCombo>& combos) {
    std::lock_guard lock(mutex_);
    bindings_ = combos;
}

void FakeKeySource::setSwitcherOpen(bool open) {
    std::lock_guard lock(mutex_);
    hints_.push_back(open);
}

std::vector<BindingState> FakeKeySource::bindingStates() const {
    std::lock_guard lock(mutex_);
    std::vector<BindingState> states;
    for (const KeyCombo& combo : bindings_) {
        states.push_back({combo, BindingState::Kind::active, {}});
        for (const BindingState& taken : taken_)
            if (taken.combo == combo) states.back() = taken;
    }
    return states;
}

void FakeKeySource::take(const KeyCombo& combo, std::string holder) {
    {
        std::lock_guard lock(mutex_);
        taken_.push_back({combo, BindingState::Kind::taken, std::move(holder)});
    }
    feed(KeyEvent{KeyEvent::bindingsChanged, 0, 0, {}});
}

void FakeKeySource::free(const KeyCombo& combo) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(taken_, [&](const BindingState& s) { return s.combo == combo; });
    }
    feed(KeyEvent{KeyEvent::bindingsChanged, 0, 0, {}});
}

Verdict FakeKeySource::feed(const KeyEvent& event) {
    if (!started_) return Verdict::pass;
    if (!enabled_ && event.type != KeyEvent::sourceDisabled) return Verdict::pass;
    return callback_(event);
}

KeyEvent FakeKeySource::keyDown(int keyCode, std::uint64_t flags, std::string text) {
    return KeyEvent{KeyEvent::keyDown, keyCode, flags, std::move(text)};
}

KeyEvent FakeKeySource::flagsChanged(std::uint64_t flags) {
    return KeyEvent{KeyEvent::flagsChanged, 0, flags, {}};
}

KeyEvent FakeKeySource::sourceDisabled() {
    return KeyEvent{KeyEvent::sourceDisabled, 0, 0, {}};
}

std::vector<KeyCombo> FakeKeySource::bindings() const {
    std::lock_guard lock(mutex_);
    return bindings_;
}

std::vector<bool> FakeKeySource::openHints() const {
    std::lock_guard lock(mutex_);
    return hints_;
}

} // namespace morvelan
