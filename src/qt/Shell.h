// Shell: owns the host's implementations of the platform interfaces and the core,
// and connects them to the Qt event loop.
#pragma once

#include "core/model/ContextStore.h"
#include "core/platform/JsonFileDefaults.h"
#include "core/platform/PosixFiles.h"
#include "core/platform/SyslogLog.h"
#include "qt/QtMainQueue.h"

#include <QObject>

namespace morvelan {

class Shell : public QObject {
    Q_OBJECT
public:
    Shell();
    ~Shell() override;

    // Loads the user's files and starts the core; false when it cannot run.
    bool start();

private:
    QtMainQueue queue_;
    SyslogLog log_;
    PosixFiles files_;
    PosixFiles configFiles_;
    JsonFileDefaults defaults_;
    ContextStore store_;
};

} // namespace morvelan
