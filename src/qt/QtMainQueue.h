// QtMainQueue: the MainQueue of the Qt event loop (queued calls and QTimers).
#pragma once

#include "core/platform/MainQueue.h"

#include <QObject>
#include <QPointer>

namespace morvelan {

class QtMainQueue : public MainQueue {
public:
    // Tasks run in the thread of `context` (the main thread's application object).
    explicit QtMainQueue(QObject* context);

    void post(Task task) override;
    void postAfter(double seconds, Task task) override;
    std::unique_ptr<Timer> schedule(double seconds, bool repeat, Task task) override;
    double now() const override;

private:
    QPointer<QObject> context_;
};

} // namespace morvelan
