// FakeTextMeasure: every character 6 px wide plus the font's letter spacing; no font engine.
#pragma once

#include "core/switcher/TextMeasure.h"

namespace morvelan {

class FakeTextMeasure : public TextMeasure {
public:
    double width(std::string_view text, const Font& font) override {
        double chars = 0;
        for (unsigned char c : text)
            if ((c & 0xC0) != 0x80) ++chars; // count code points, not bytes
        return chars * (6 + font.kern);
    }
};

} // namespace morvelan
