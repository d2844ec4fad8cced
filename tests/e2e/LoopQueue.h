// LoopQueue: the manual clock kept on the real one, run by an end-to-end test's polling loop.
#pragma once

#include "core/platform/MainQueue.h"
#include "fakes/ManualQueue.h"

#include <algorithm>
#include <chrono>

namespace morvelan::e2e {

class LoopQueue : public ManualQueue {
public:
    LoopQueue() : ManualQueue(realNow()) {}

    // Runs the posted tasks and every timer that is due.
    void runDue() {
        drain();
        advance(std::max(0.0, realNow() - now()));
    }

private:
    static double realNow() {
        const auto unix =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch());
        return unix.count() - referenceDateOffset;
    }
};

} // namespace morvelan::e2e
