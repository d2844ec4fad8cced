// Font: the size, weight and letter spacing of a switcher text, independent of any toolkit.
#pragma once

namespace morvelan {

enum class FontWeight { regular, medium, semibold, bold };

// The platform's interface font at this size (in logical pixels) and weight.
struct Font {
    double size = 13;
    FontWeight weight = FontWeight::regular;
    double kern = 0; // extra space after each character, in logical pixels

    friend bool operator==(const Font&, const Font&) = default;
};

} // namespace morvelan
