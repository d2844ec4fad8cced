// X11KeyLabels: what a key types on the current layout, as its keycap shows it.
#include "x11/X11KeyLabels.h"

#include "x11/KeyboardMap.h"

#include <cctype>

namespace morvelan {

std::string X11KeyLabels::label(int keyCode) const {
    if (!c_) return {};
    const auto map = KeyboardMap::load(c_);
    if (!map) return {};
    const auto keys = map->keysFor(keyCode);
    if (keys.empty()) return {};
    // The keycap's letter is the upper case one: the shifted text, when the key is a letter.
    const std::string plain = map->text(keys.front(), 0);
    const std::string shifted = map->text(keys.front(), map->masks().shift);
    const std::string& shown =
        plain.size() == 1 && std::isalpha(static_cast<unsigned char>(plain[0])) ? shifted : plain;
    // Space, Tab and other keys that type a control character or blank have names instead.
    if (shown.empty() || static_cast<unsigned char>(shown[0]) <= 0x20 || shown == "\x7f") return {};
    return shown;
}

} // namespace morvelan
