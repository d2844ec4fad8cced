// EngineFixture: a WindowEngine over a FakeDesktop and a manual clock, made on first use so a
// test can script the host's capabilities first.
#pragma once

#include "core/engine/WindowEngine.h"
#include "fakes/FakeDesktop.h"
#include "fakes/ManualQueue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace morvelan {

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture() {
        desktop.clock = [this] { return queue.now() - start; };
    }

    WindowEngine& engine() {
        if (!engine_) engine_ = std::make_unique<WindowEngine>(desktop, queue);
        return *engine_;
    }
    void destroyEngine() { engine_.reset(); }

    static std::vector<WindowID> widsOf(const std::vector<Win>& wins) {
        std::vector<WindowID> ids;
        for (const Win& win : wins)
            ids.push_back(win.wid);
        return ids;
    }
    static std::vector<std::string> titlesOf(const std::vector<Win>& wins) {
        std::vector<std::string> titles;
        for (const Win& win : wins)
            titles.push_back(win.title);
        return titles;
    }

    // "pid bundle app 'title' #wid", to compare a Win (but its element) in one line.
    static std::string describe(const Win& win) {
        return std::to_string(win.pid) + " " + win.bundleID + " " + win.appName + " '" + win.title +
               "' #" + std::to_string(win.wid);
    }

    FakeDesktop desktop;
    ManualQueue queue;
    const double start = queue.now();

private:
    std::unique_ptr<WindowEngine> engine_;
};

} // namespace morvelan
