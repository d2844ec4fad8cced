// MainQueue: the main thread's task queue, its timers and the program's clock.
#pragma once

#include <functional>
#include <memory>

namespace morvelan {

using Task = std::function<void()>;

// A scheduled task. Destroying the handle cancels it.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void cancel() = 0;
};

class MainQueue {
public:
    virtual ~MainQueue() = default;

    // Runs the task on the main thread after the current work. Safe from any thread.
    virtual void post(Task task) = 0;
    // Runs the task once on the main thread after `seconds`; cannot be cancelled.
    virtual void postAfter(double seconds, Task task) = 0;
    // Runs the task after `seconds`, again every `seconds` when `repeat` is set,
    // until the handle is cancelled or destroyed. Main thread only.
    [[nodiscard]] virtual std::unique_ptr<Timer> schedule(double seconds, bool repeat,
                                                          Task task) = 0;
    // Seconds since 2001-01-01 00:00 UTC.
    virtual double now() const = 0;
};

// Seconds between the Unix epoch and 2001-01-01 00:00 UTC.
inline constexpr double referenceDateOffset = 978307200.0;

} // namespace morvelan
