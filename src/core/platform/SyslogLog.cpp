#include "core/platform/SyslogLog.h"

#include <string>
#include <syslog.h>

namespace morvelan {

SyslogLog::SyslogLog() {
    ::openlog("morvelan", LOG_PID, LOG_USER);
}

SyslogLog::~SyslogLog() {
    ::closelog();
}

void SyslogLog::log(std::string_view line) {
    const std::string text(line);
    ::syslog(LOG_NOTICE, "%s", text.c_str());
}

} // namespace morvelan
