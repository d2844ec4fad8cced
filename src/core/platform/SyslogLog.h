// SyslogLog: the system log (syslog, which the journal collects).
#pragma once

#include "core/platform/SystemLog.h"

namespace morvelan {

class SyslogLog : public SystemLog {
public:
    SyslogLog();
    ~SyslogLog() override;
    SyslogLog(const SyslogLog&) = delete;
    SyslogLog& operator=(const SyslogLog&) = delete;

    void log(std::string_view line) override;
};

} // namespace morvelan
