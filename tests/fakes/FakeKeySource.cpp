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
    return states_;
}

void FakeKeySource::report(std::vector<BindingState> states) {
    {
        std::lock_guard lock(mutex_);
        states_ = std::move(states);
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
