// Color: parsing and formatting of "#RRGGBB" colour text.
#include "core/model/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morvelan {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int channel(double value) {
    if (!(value > 0)) return 0; // also NaN
    if (value >= 1) return 255;
    return int(std::lround(value * 255.0));
}

} // namespace

std::optional<Color> colorFromHex(std::string_view hex) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!hex.empty() && blank(hex.front()))
        hex.remove_prefix(1);
    while (!hex.empty() && blank(hex.back()))
        hex.remove_suffix(1);
    if (!hex.empty() && hex.front() == '#') hex.remove_prefix(1);
    if (hex.size() != 6) return std::nullopt;

    unsigned value = 0;
    for (char c : hex) {
        int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | unsigned(digit);
    }
    return Color{((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0,
                 (value & 0xFF) / 255.0, 1.0};
}

std::string hexFromColor(const Color& color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", channel(color.r), channel(color.g),
                  channel(color.b));
    return text;
}

std::string_view paletteHex(std::size_t n) {
    return palette[n % palette.size()];
}

Color paletteColor(std::size_t n) {
    return colorFromHex(paletteHex(n)).value_or(systemBlue);
}

Color over(const Color& top, const Color& bottom) {
    const double a = std::clamp(top.a, 0.0, 1.0);
    return {top.r * a + bottom.r * (1 - a), top.g * a + bottom.g * (1 - a),
            top.b * a + bottom.b * (1 - a), 1};
}

double luminance(const Color& color) {
    const auto linear = [](double c) {
        c = std::clamp(c, 0.0, 1.0);
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.r) + 0.7152 * linear(color.g) + 0.0722 * linear(color.b);
}

double contrastRatio(const Color& a, const Color& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Color textColorOn(const Color& background) {
    const Color black{0, 0, 0, 1}, white{1, 1, 1, 1};
    return contrastRatio(black, background) > contrastRatio(white, background) ? black : white;
}

} // namespace morvelan
