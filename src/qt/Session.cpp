#include "qt/Session.h"

#include <cstdlib>

namespace morvelan {

namespace {
std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
} // namespace

Session currentSession() {
    const std::string wayland = env("WAYLAND_DISPLAY");
    if (!wayland.empty() && !env("SWAYSOCK").empty()) return {Session::Kind::sway, wayland};
    if (const std::string x = env("DISPLAY"); !x.empty()) return {Session::Kind::x11, x};
    return {};
}

} // namespace morvelan
