// Session: which window system the program runs on, chosen from the environment at start.
#pragma once

#include <string>

namespace morvelan {

struct Session {
    enum class Kind { none, x11, sway };
    Kind kind = Kind::none;
    // What names this session for the per-session lock and command socket: $DISPLAY on X11,
    // $WAYLAND_DISPLAY on sway (a copy on XWayland would otherwise share the X11 one's).
    std::string name;
};

// WAYLAND_DISPLAY with SWAYSOCK: sway; else DISPLAY: X11; else none.
Session currentSession();

// Why the program cannot run here, naming what is supported.
constexpr const char* unsupportedSession =
    "no supported session: Morvelan runs on X11 (DISPLAY) and on sway (WAYLAND_DISPLAY with "
    "SWAYSOCK); GNOME, KDE and other Wayland compositors are not supported yet";

} // namespace morvelan
