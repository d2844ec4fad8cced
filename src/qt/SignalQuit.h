// SignalQuit: turns SIGTERM and SIGINT into a clean exit of the Qt event loop.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace morvelan {

class SignalQuit : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; the event loop quits with code 0 on either signal.
    explicit SignalQuit(QObject* parent = nullptr);
    ~SignalQuit() override;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace morvelan
