// LoopQueue: a MainQueue on the real clock, run by an end-to-end test's own polling loop.
#include "LoopQueue.h"

namespace morvelan::e2e {

class LoopQueue::Handle : public Timer {
public:
    explicit Handle(std::shared_ptr<bool> alive) : alive_(std::move(alive)) {}
    ~Handle() override { cancel(); }
    void cancel() override { *alive_ = false; }

private:
    std::shared_ptr<bool> alive_;
};

void LoopQueue::post(Task task) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
}

void LoopQueue::postAfter(double seconds, Task task) {
    // No handle: a handle cancels its timer when it goes.
    add(seconds, false, std::move(task));
}

std::unique_ptr<Timer> LoopQueue::schedule(double seconds, bool repeat, Task task) {
    return std::make_unique<Handle>(add(seconds, repeat, std::move(task)));
}

std::shared_ptr<bool> LoopQueue::add(double seconds, bool repeat, Task task) {
    const auto delay =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto alive = std::make_shared<bool>(true);
    timers_.emplace(std::make_pair(Clock::now() + delay, seq_++),
                    Entry{repeat ? delay : Clock::duration::zero(), std::move(task), alive});
    return alive;
}

double LoopQueue::now() const {
    const auto unix =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch());
    return unix.count() - referenceDateOffset;
}

void LoopQueue::runDue() {
    std::vector<Task> posted;
    {
        std::lock_guard lock(mutex_);
        posted.swap(posted_);
    }
    for (auto& task : posted)
        task();
    const auto now = Clock::now();
    while (!timers_.empty() && timers_.begin()->first.first <= now) {
        auto node = timers_.extract(timers_.begin());
        Entry& entry = node.mapped();
        if (!*entry.alive) continue;
        entry.task();
        if (entry.interval != Clock::duration::zero() && *entry.alive)
            timers_.emplace(std::make_pair(now + entry.interval, seq_++), std::move(entry));
    }
}

} // namespace morvelan::e2e
