#include "fakes/ManualQueue.h"

namespace morvelan {

class ManualQueue::Handle : public Timer {
public:
    explicit Handle(std::shared_ptr<bool> alive) : alive_(std::move(alive)) {}
    ~Handle() override { cancel(); }
    void cancel() override { *alive_ = false; }

private:
    std::shared_ptr<bool> alive_;
};

void ManualQueue::post(Task task) {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(task));
}

void ManualQueue::postAfter(double seconds, Task task) {
    timers_.emplace(std::pair{now_ + seconds, seq_++},
                    Entry{now_ + seconds, 0, std::move(task), std::make_shared<bool>(true)});
}

std::unique_ptr<Timer> ManualQueue::schedule(double seconds, bool repeat, Task task) {
    auto alive = std::make_shared<bool>(true);
    timers_.emplace(std::pair{now_ + seconds, seq_++},
                    Entry{now_ + seconds, repeat ? seconds : 0, std::move(task), alive});
    return std::make_unique<Handle>(alive);
}

void ManualQueue::drain() {
    for (;;) {
        std::vector<Task> batch;
        {
            std::lock_guard lock(postedMutex_);
            batch.swap(posted_);
        }
        if (batch.empty()) return;
        for (auto& task : batch)
            task();
    }
}

void ManualQueue::advance(double seconds) {
    const double end = now_ + seconds;
    drain();
    for (;;) {
        // Drop cancelled timers so pendingTimers() stays honest.
        for (auto it = timers_.begin(); it != timers_.end();)
            it = *it->second.alive ? std::next(it) : timers_.erase(it);
        if (timers_.empty() || timers_.begin()->first.first > end) break;
        auto node = timers_.extract(timers_.begin());
        Entry entry = std::move(node.mapped());
        now_ = entry.due;
        if (entry.interval > 0) {
            Entry again{entry.due + entry.interval, entry.interval, entry.task, entry.alive};
            timers_.emplace(std::pair{again.due, seq_++}, std::move(again));
        }
        entry.task();
        drain();
    }
    now_ = end;
}

} // namespace morvelan
