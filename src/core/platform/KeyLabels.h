// KeyLabels: what a key shows on the host's current keyboard layout.
#pragma once

#include <string>

namespace morvelan {

class KeyLabels {
public:
    virtual ~KeyLabels() = default;
    // The character the key (a Key code) types without modifiers on the current layout, as a
    // keycap shows it (letters in upper case); empty when the key types no character or is
    // not on this keyboard. Main thread.
    virtual std::string label(int keyCode) const = 0;
};

} // namespace morvelan
