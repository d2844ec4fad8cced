// DrawList: the switcher's drawing as plain data; the host paints it, tests read it.
#pragma once

#include "core/model/Color.h"
#include "core/platform/Geometry.h"
#include "core/platform/Image.h"
#include "core/switcher/Font.h"

#include <string>
#include <variant>
#include <vector>

namespace morvelan {

namespace draw {

struct FillRoundedRect {
    Rect rect;
    double radius = 0;
    Color color;

    friend bool operator==(const FillRoundedRect&, const FillRoundedRect&) = default;
};

// The stroke is centred on the rectangle's outline.
struct StrokeRoundedRect {
    Rect rect;
    double radius = 0;
    double lineWidth = 1;
    Color color;

    friend bool operator==(const StrokeRoundedRect&, const StrokeRoundedRect&) = default;
};

struct FillRect {
    Rect rect;
    Color color;

    friend bool operator==(const FillRect&, const FillRect&) = default;
};

enum class Align { left, center };

// How a text wider than its rectangle is shortened: not at all, "…" at its end, or "…" in its
// middle (so texts that differ only at their ends stay apart).
enum class Elide { none, tail, middle };

// One line of text laid out from the top of `rect`.
struct Text {
    std::string text;
    Rect rect;
    Font font;
    Color color;
    Align alignment = Align::left;
    Elide elide = Elide::none;

    friend bool operator==(const Text&, const Text&) = default;
};

// The image scaled into `rect`, composited over what is below at `opacity`.
struct Image {
    ImageRef image;
    Rect rect;
    double opacity = 1;

    friend bool operator==(const Image&, const Image&) = default;
};

enum class GlyphKind {
    gridAll, // the "All" chip's symbol: a 2×2 grid of filled squares
    desktop, // a small screen outline: the badge of a window on another desktop
};

struct Glyph {
    GlyphKind kind = GlyphKind::gridAll;
    Rect rect;
    Color color;

    friend bool operator==(const Glyph&, const Glyph&) = default;
};

// Everything drawn after it is clipped to the rounded rectangle.
struct ClipRoundedRect {
    Rect rect;
    double radius = 0;

    friend bool operator==(const ClipRoundedRect&, const ClipRoundedRect&) = default;
};

using Command =
    std::variant<FillRoundedRect, StrokeRoundedRect, FillRect, Text, Image, Glyph, ClipRoundedRect>;

} // namespace draw

struct DrawList {
    std::vector<draw::Command> commands;

    void add(draw::Command command) { commands.push_back(std::move(command)); }
    friend bool operator==(const DrawList&, const DrawList&) = default;

    // Every command of one kind, in drawing order.
    template <class T> std::vector<T> all() const {
        std::vector<T> out;
        for (const auto& command : commands)
            if (const auto* one = std::get_if<T>(&command)) out.push_back(*one);
        return out;
    }
};

} // namespace morvelan
