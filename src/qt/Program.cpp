// Program: checks the command line and the display, takes the per-display lock, then runs the
// shell's event loop.
#include "qt/Program.h"

#include "core/platform/InstanceLock.h"
#include "qt/Relaunch.h"
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
    "\n"
    "Groups your windows into contexts and switches between them with Super-Tab.\n"
    "Morvelan runs in the tray; configure it from the tray menu's Settings.\n";

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

    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::fprintf(stderr, "morvelan: no X display (DISPLAY is not set)\n");
        return 1;
    }
    if (!displayAnswers(display)) {
        std::fprintf(stderr, "morvelan: cannot connect to the X display %s\n", display);
        return 1;
    }
    const auto lockPath = InstanceLock::defaultPath(display);
    auto lock = InstanceLock::acquire(lockPath);
    if (std::getenv(relaunchVariable)) {
        // Started by the updater: the old copy is on its way out.
        ::unsetenv(relaunchVariable);
        for (int i = 0; !lock && i < relaunchWaitSeconds * 10; ++i) {
            ::usleep(100000);
            lock = InstanceLock::acquire(lockPath);
        }
    }
    if (!lock) {
        std::fprintf(stderr, "morvelan: %s on display %s\n", lock.error().message.c_str(), display);
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
    if (!shell.start()) return 1;
    return QApplication::exec();
}

} // namespace morvelan
