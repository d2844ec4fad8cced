#include "qt/QtMainQueue.h"

#include <QTimer>
#include <chrono>
#include <cmath>

namespace morvelan {
namespace {

int toMilliseconds(double seconds) {
    return static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0));
}

class QtTimer : public Timer {
public:
    QtTimer(QObject* context, double seconds, bool repeat, Task task) : timer_(new QTimer) {
        timer_->setSingleShot(!repeat);
        timer_->setInterval(toMilliseconds(seconds));
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_.get(), &QTimer::timeout, context, std::move(task));
        timer_->start();
    }
    void cancel() override { timer_->stop(); }

private:
    std::unique_ptr<QTimer> timer_;
};

} // namespace

QtMainQueue::QtMainQueue(QObject* context) : context_(context) {}

void QtMainQueue::post(Task task) {
    // Queued, so it also runs later when posted from the main thread itself.
    if (context_) QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

void QtMainQueue::postAfter(double seconds, Task task) {
    if (context_) QTimer::singleShot(toMilliseconds(seconds), context_, std::move(task));
}

std::unique_ptr<Timer> QtMainQueue::schedule(double seconds, bool repeat, Task task) {
    return std::make_unique<QtTimer>(context_, seconds, repeat, std::move(task));
}

double QtMainQueue::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count() - referenceDateOffset;
}

} // namespace morvelan
