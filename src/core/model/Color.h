// Color: context colours as "#RRGGBB" text and sRGB components, and the palette of new contexts.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace morvelan {

// sRGB components in 0…1.
struct Color {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;

    friend bool operator==(const Color&, const Color&) = default;
};

// "#RRGGBB" or "RRGGBB", spaces and tabs around it allowed; absent for anything else.
std::optional<Color> colorFromHex(std::string_view hex);

// "#RRGGBB" in upper case; components are clamped to 0…1 and rounded to the nearest step.
std::string hexFromColor(const Color& color);

// `top` painted over the opaque `bottom`: the opaque colour the eye sees.
Color over(const Color& top, const Color& bottom);
// Relative luminance of an opaque colour, 0 (black) to 1 (white), as contrast is measured.
double luminance(const Color& color);
// How far apart two opaque colours read, from 1:1 (the same) to 21:1 (black on white).
double contrastRatio(const Color& a, const Color& b);
// Black or white, whichever reads better on the opaque `background`: at least 4.5:1 for any
// colour.
Color textColorOn(const Color& background);

// The colours new contexts take, in turn.
inline constexpr std::array<std::string_view, 8> palette{
    "#FF6B6B", "#4ECDC4", "#FFD93D", "#6C5CE7", "#00B894", "#E17055", "#0984E3", "#E84393",
};

// The program's own colour.
inline constexpr std::string_view brand = "#138A80";

// Fallbacks where a colour string does not parse.
inline constexpr Color systemBlue{0.0, 122.0 / 255.0, 1.0, 1.0};
inline constexpr Color systemGray{142.0 / 255.0, 142.0 / 255.0, 147.0 / 255.0, 1.0};

// The colour of the n-th new context, n being the number of contexts before it.
std::string_view paletteHex(std::size_t n);
Color paletteColor(std::size_t n);

} // namespace morvelan
