// TextMeasure: how wide a text is drawn, so the switcher's geometry needs no font engine.
#pragma once

#include "core/switcher/Font.h"

#include <string_view>

namespace morvelan {

class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    // Advance width of one line of UTF-8 text in `font`, letter spacing included.
    virtual double width(std::string_view text, const Font& font) = 0;
};

} // namespace morvelan
