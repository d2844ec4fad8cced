// HotkeysFixture: an engine over a fake key source, a manual main queue and recorded commands.
#pragma once

#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/Hotkeys.h"
#include "fakes/FakeKeySource.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingActions.h"

#include <gtest/gtest.h>

namespace morvelan {

inline constexpr std::uint64_t cmd = Modifier::command;
inline constexpr std::uint64_t opt = Modifier::option;
inline constexpr std::uint64_t shift = Modifier::shift;
inline constexpr std::uint64_t ctrl = Modifier::control;

inline constexpr int tabKey = 48;
inline constexpr int escapeKey = 53;
inline constexpr int letterA = 0;

using Calls = std::vector<std::string>;

class HotkeysFixture : public ::testing::Test {
protected:
    HotkeysFixture() { make(); }

    // A fresh engine, not started, over a fresh key source.
    void make() {
        hotkeys.reset();
        auto owned = std::make_unique<FakeKeySource>();
        source = owned.get();
        hotkeys = std::make_unique<Hotkeys>(queue, std::move(owned));
        hotkeys->config = &config;
        hotkeys->actions = actions;
        hotkeys->onStatus = [this](bool running) { statuses.push_back(running); };
    }

    // Starts the engine and lets the main thread settle.
    void startEngine() {
        hotkeys->start();
        queue.drain();
    }

    Verdict press(int key, std::uint64_t flags, std::string text = {}) {
        return source->feed(FakeKeySource::keyDown(key, flags, std::move(text)));
    }
    Verdict flags(std::uint64_t flags) { return source->feed(FakeKeySource::flagsChanged(flags)); }

    // The commands that reached the main thread since the last call.
    Calls calls() {
        queue.drain();
        return actions->take();
    }

    // Opens the switcher with command-Tab and forgets the opening command.
    void openWithCommandTab() {
        ASSERT_EQ(press(tabKey, cmd), Verdict::swallow);
        ASSERT_EQ(calls(), Calls{"open(confined:false)"});
    }

    MemoryFiles files;
    HotkeyConfig config{files};
    ManualQueue queue;
    std::shared_ptr<RecordingActions> actions = std::make_shared<RecordingActions>();
    std::vector<bool> statuses;
    FakeKeySource* source = nullptr;
    std::unique_ptr<Hotkeys> hotkeys;
};

} // namespace morvelan
