// FakeKeySource: a KeySource a test drives by feeding events and reading the verdicts.
#pragma once

#include "core/platform/KeySource.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace morvelan {

class FakeKeySource : public KeySource {
public:
    FakeKeySource() = default;
    ~FakeKeySource() override;

    Result<void> start(Callback callback) override;
    bool isEnabled() const override { return enabled_; }
    void enable() override;
    bool keyboardHeldByOther() const override { return heldByOther; }
    std::vector<BindingState> bindingStates() const override;
    void setBindings(const std::vector<KeyCombo>& combos) override;
    void setRecording(bool on) override { recording = on; }
    void setSwitcherOpen(bool open) override;
    void modifiersArrived() override {}

    // Reports these states and tells the callback, as a host does when a grab is refused or
    // freed.
    void report(std::vector<BindingState> states);

    // Delivers the event as the host would, on the calling thread: nothing reaches the
    // callback before a successful start or while delivery is disabled, except the
    // sourceDisabled notice itself. Undelivered events pass.
    Verdict feed(const KeyEvent& event);
    // The host stops delivery (a time-out, say); the next feed of a notice tells the engine.
    void disable() { enabled_ = false; }

    static KeyEvent keyDown(int keyCode, std::uint64_t flags, std::string text = {});
    static KeyEvent flagsChanged(std::uint64_t flags);
    static KeyEvent sourceDisabled();

    // The bindings last handed over, and every open/closed hint in order.
    std::vector<KeyCombo> bindings() const;
    std::vector<bool> openHints() const;
    bool started() const { return started_; }

    // Scripting.
    bool failStart = false;
    std::string startError = "another client holds the binding";
    bool heldByOther = false;
    std::atomic<bool> recording{false};
    // Set true by the destructor, so a test can see the source stopped.
    std::shared_ptr<std::atomic<bool>> destroyed = std::make_shared<std::atomic<bool>>(false);

    std::atomic<int> startCalls{0};
    std::atomic<int> enableCalls{0};

private:
    Callback callback_;
    std::atomic<bool> started_{false};
    std::atomic<bool> enabled_{false};
    mutable std::mutex mutex_;
    std::vector<KeyCombo> bindings_;
    std::vector<BindingState> states_;
    std::vector<bool> hints_;
};

} // namespace morvelan
