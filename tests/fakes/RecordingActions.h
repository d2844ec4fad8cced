// RecordingActions: a HotkeyActions that writes each command down as a short string.
#pragma once

#include "core/hotkeys/HotkeyActions.h"

#include <string>
#include <utility>
#include <vector>

namespace morvelan {

class RecordingActions : public HotkeyActions {
public:
    void switcherOpen(bool confined) override {
        calls.push_back(confined ? "open(confined)" : "open(all)");
    }
    void switcherStep(bool forward) override { calls.push_back(forward ? "step(+)" : "step(-)"); }
    void switcherCycleContext(int delta) override {
        calls.push_back(std::string("cycle(") + (delta > 0 ? "+" : "") + std::to_string(delta) +
                        ")");
    }
    void switcherSelectContext(int position) override {
        calls.push_back("select(" + std::to_string(position) + ")");
    }
    void switcherCommit() override { calls.push_back("commit"); }
    void switcherCancel() override { calls.push_back("cancel"); }
    void switcherSetConfined(bool confined) override {
        calls.push_back(std::string("confined(") + (confined ? "true" : "false") + ")");
    }
    void switcherBeginFilter() override { calls.push_back("beginFilter"); }
    void switcherFilterType(std::string text) override { calls.push_back("type(" + text + ")"); }
    void switcherFilterBackspace() override { calls.push_back("backspace"); }
    void switcherCloseSelected() override { calls.push_back("closeSelected"); }
    void switcherQuitSelectedApp() override { calls.push_back("quitSelectedApp"); }

    // Returns the calls so far and forgets them.
    std::vector<std::string> take() { return std::exchange(calls, {}); }

    std::vector<std::string> calls;
};

} // namespace morvelan
