// DiagnosticLogs: the three troubleshooting files in the program's folder — status.log,
// focused.log and windows-dump.log — each rewritten whole; write errors are ignored.
#pragma once

#include "core/app/FocusFollower.h"
#include "core/engine/WindowEngine.h"
#include "core/hotkeys/Hotkeys.h"
#include "core/model/ContextStore.h"
#include "core/platform/Files.h"
#include "core/platform/SystemLog.h"

#include <string>
#include <vector>

namespace morvelan {

class DiagnosticLogs {
public:
    DiagnosticLogs(Files& files, SystemLog& log, const ContextStore& store, const Hotkeys& hotkeys,
                   WindowEngine& engine, const FocusFollower& follower)
        : files_(files), log_(log), store_(store), hotkeys_(hotkeys), engine_(engine),
          follower_(follower) {}

    // status.log: the key source's state, the tray's warnings and the contexts with their pin
    // counts.
    void writeStatus();
    // focused.log: the focused window and the context that claims it; written again only
    // when the window or its title changed.
    void logFocused(const Win& win);
    // windows-dump.log: every window as the window system reports it, then what the switcher
    // lists; says so in the system log.
    void dumpWindows();

    std::string statusText() const;

    // The tray's warnings, one line each, for status.log.
    std::vector<std::string> warnings;
    std::string focusedText(const Win& win) const;
    std::string dumpText();

private:
    Files& files_;
    SystemLog& log_;
    const ContextStore& store_;
    const Hotkeys& hotkeys_;
    WindowEngine& engine_;
    const FocusFollower& follower_;
    std::string lastLogged_;
};

} // namespace morvelan
