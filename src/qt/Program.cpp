// Program: checks the command line and the display, takes the per-display lock, then runs the
// shell's event loop.
#include "qt/Program.h"

#include "core/platform/InstanceLock.h"
#include "qt/CommandLine.h"
#include "qt/Relaunch.h"
#include "qt/Session.h"
#include "qt/Shell.h"
#include "qt/SignalQuit.h"

#include <QApplication>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace morvelan {

namespace {

constexpr const char* usage =
    "Usage: morvelan [--version | --help]\n"
    "       morvelan COMMAND [ARGUMENT] [--json]\n"
    "\n"
    "Groups your windows into contexts and switches between them with Super-Tab.\n"
    "Morvelan runs in the tray; configure it from the tray menu's Settings. Started\n"
    "again while it runs, it opens the running copy's Settings.\n"
    "\n"
    "Commands for the running copy:\n"
    "  contexts           list the contexts (* marks the active one)\n"
    "  windows            list the windows and the contexts they belong to\n"
    "  activate CONTEXT   make a context active, by name (any case) or id\n"
    "  switcher           open the switcher; release the held modifier to switch,\n"
    "    [--confined]     Escape to cancel (Return when none is held); while it is\n"
    "    [--held=MODS]    open, the next window. MODS (super, alt, ctrl, shift,\n"
    "                     joined by +) name the held modifiers when the program\n"
    "                     cannot see them: under XWayland\n"
    "  pin [CONTEXT]      pin the focused window to a context (default: the active one)\n"
    "  unpin [CONTEXT]    take the focused window out of a context\n"
    "  reload             read contexts.json again\n"
    "  settings           open the settings window\n"
    "  status [--watch]   print the active context's name (--watch: on every change)\n"
    "\n"
    "  --json             print the replies as JSON, one object a line\n"
    "\n"
    "Exit status: 0 done, 1 the running copy cannot be reached (the message says why),\n"
    "2 wrong command line, 3 Morvelan is not running, 4 the request was refused.\n"
    "The commands use a socket in $XDG_RUNTIME_DIR; on a session bus the same requests\n"
    "are offered as io.github.morvelan.Morvelan.\n";

// Whether an X server answers on `display`. Qt aborts when it cannot connect, so this is asked
// first.
bool displayAnswers(const char* display) {
    struct Disconnect {
        void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
    };
    std::unique_ptr<xcb_connection_t, Disconnect> c(xcb_connect(display, nullptr));
    return xcb_connection_has_error(c.get()) == 0;
}

} // namespace

int runProgram(int argc, char** argv, const BuildAddresses& addresses) {
    if (argc > 1 && isCommand(argv[1])) return runCommand(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Morvelan %s\n", MORVELAN_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        std::fprintf(stderr, "morvelan: unknown argument '%s' (see --help)\n", argv[i]);
        return 2;
    }

    const Session session = currentSession();
    if (session.kind == Session::Kind::none) {
        std::fprintf(stderr, "morvelan: %s\n", unsupportedSession);
        return 1;
    }
    const char* display = std::getenv("DISPLAY");
    if (session.kind == Session::Kind::sway) {
        // The windows come from sway; the panel, the tray and the settings are still X11
        // windows, shown through XWayland.
        if (!display || !*display || !displayAnswers(display)) {
            std::fprintf(stderr, "morvelan: on sway Morvelan needs XWayland for its own windows "
                                 "for now (no X display answers)\n");
            return 1;
        }
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else if (!displayAnswers(display)) {
        std::fprintf(stderr, "morvelan: cannot connect to the X display %s\n", display);
        return 1;
    }
    const auto lockPath = InstanceLock::defaultPath(session.name);
    auto lock = InstanceLock::acquire(lockPath);
    if (std::getenv(relaunchVariable)) {
        // Started by the updater: the old copy is on its way out.
        ::unsetenv(relaunchVariable);
        for (int i = 0; !lock && i < relaunchWaitSeconds * 10; ++i) {
            ::usleep(100000);
            lock = InstanceLock::acquire(lockPath);
        }
    }
    // Started again while it runs: the running copy shows its settings.
    if (!lock && argc == 1 && lock.error().message == InstanceLock::alreadyRunning &&
        openRunningSettings(session.name)) {
        std::printf("morvelan: already running on display %s; its Settings are open\n",
                    session.name.c_str());
        return 0;
    }
    if (!lock) {
        std::fprintf(stderr, "morvelan: %s on display %s\n", lock.error().message.c_str(),
                     session.name.c_str());
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Morvelan");
    QApplication::setApplicationVersion(MORVELAN_VERSION);
    QApplication::setDesktopFileName("morvelan");
    // A tray utility: closing its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    SignalQuit quitOnSignal;
    Shell shell(addresses);
    if (!shell.start(session)) return 1;
    return QApplication::exec();
}

} // namespace morvelan
