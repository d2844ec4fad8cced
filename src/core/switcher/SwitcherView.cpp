// SwitcherView: navigation, header and grid geometry, the draw list and mouse hit-testing.
#include "core/switcher/SwitcherView.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace morvelan {

namespace {

constexpr Color panelColor{0.12, 0.12, 0.12, 1};

Color white(double alpha) {
    return {1, 1, 1, alpha};
}

Color withAlpha(Color color, double alpha) {
    color.a = alpha;
    return color;
}

std::string uppercased(std::string_view text) {
    auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int(text.size())));
    unicode.toUpper(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

// The first letter or digit of `name`, upper-cased; "" when it has none.
std::string initialOf(std::string_view name) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
    const int length = int(name.size());
    for (int i = 0; i < length;) {
        const int start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c >= 0 && u_isalnum(c)) return uppercased(name.substr(start, std::size_t(i - start)));
    }
    return "";
}

// A muted colour picked by the application's name, the same at every opening, under white.
Color initialBackdrop(std::string_view app) {
    static constexpr std::array<std::string_view, 10> backdrops{
        "#5B7DB1", "#4E9A8F", "#7A6BB5", "#B0655A", "#6F8F4E",
        "#A8793C", "#A35C86", "#4F8DB0", "#8A6D5A", "#5E6B7A",
    };
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (unsigned char c : app)
        hash = (hash ^ c) * 16777619u;
    return colorFromHex(backdrops[hash % backdrops.size()]).value_or(systemGray);
}

} // namespace

// --- Navigation --------------------------------------------------------------

std::vector<int> SwitcherView::order() const {
    std::vector<int> out;
    for (int i = 0; i < int(cells.size()); ++i) {
        const Cell& cell = cells[i];
        if (!cell.matched) continue;
        bool selectable = !confined || (activeCtx < 0 && !cell.ctxIdxs.empty()) ||
                          (activeCtx >= 0 && cell.ctxIdxs.count(activeCtx) > 0);
        if (selectable) out.push_back(i);
    }
    return out;
}

void SwitcherView::stepWindow(bool forward) {
    const auto ord = order();
    if (ord.empty()) return;
    const int n = int(ord.size());
    auto it = std::find(ord.begin(), ord.end(), sel);
    if (it == ord.end()) {
        sel = forward ? ord.front() : ord.back();
    } else {
        const int p = int(it - ord.begin());
        sel = forward ? ord[(p + 1) % n] : ord[(p - 1 + n) % n];
    }
    needsRedraw();
}

void SwitcherView::cycleContext(int delta) {
    const int n = int(contexts.size()) + 1;
    const int slot = ((activeCtx + 1 + delta) % n + n) % n;
    activeCtx = slot - 1;
    selectAfterContextChange(slot);
}

void SwitcherView::selectContext(int index) {
    if (index < 0 || index >= int(contexts.size())) return;
    activeCtx = index;
    selectAfterContextChange(index + 1);
}

void SwitcherView::selectAfterContextChange(int slot) {
    const auto ord = order();
    if (slot > 0) {
        for (int i : ord) {
            if (cells[i].ctxIdxs.count(activeCtx) > 0) {
                sel = i;
                needsRedraw();
                return;
            }
        }
    }
    if (confined && !ord.empty()) sel = ord.front();
    needsRedraw();
}

void SwitcherView::toggleActiveMembership(int index) {
    if (index < 0 || index >= int(cells.size())) return;
    if (activeCtx < 0 || activeCtx >= int(contexts.size())) return;
    auto& idxs = cells[index].ctxIdxs;
    if (!idxs.erase(activeCtx)) idxs.insert(activeCtx);
    needsRedraw();
}

// --- Geometry ----------------------------------------------------------------

SwitcherView::Bar SwitcherView::barLayout() const {
    Bar bar;
    const double y = chipY();
    bar.allRect = {pad, y, 52, chipH};
    bar.dividers.push_back(pad + 60);
    // Chips past the panel's widest are not laid out (nor measured, nor drawn).
    const double right = maxWidth > 0 ? maxWidth - pad : std::numeric_limits<double>::infinity();
    double x = pad + 68;
    for (int w = 0; w < int(workspaceNames.size()) && x + 22 <= right; ++w) {
        if (w > 0) {
            bar.dividers.push_back(x + 8);
            x += 16;
        }
        double cx = x;
        for (int k = 0; k < int(contexts.size()); ++k) {
            if (contexts[k].wsIndex != w) continue;
            const double cw = std::min(measure_.width(contexts[k].name, chipFont) + 18, maxChipW);
            if (cx + cw + chipGap + 22 > right) break;
            bar.chips.push_back({{cx, y, cw, chipH}, k});
            cx += cw + chipGap;
        }
        bar.adds.push_back({{cx, y, 22, chipH}, w});
        const double groupW = cx + 22 - x;
        std::string header = uppercased(workspaceNames[w]);
        const double hw = std::min(std::max(measure_.width(header, hdrFont), groupW),
                                   std::max(right - x, groupW));
        bar.headers.push_back({{x, barTop, hw, wsHeaderH}, std::move(header)});
        x += hw;
    }
    bar.width = x + pad;
    return bar;
}

std::string SwitcherView::cutName(std::string_view name) {
    std::size_t end = 0;
    for (std::size_t chars = 0; end < name.size() && chars < nameLimit; ++chars) {
        ++end;
        while (end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            ++end;
    }
    return std::string(name.substr(0, end));
}

Rect SwitcherView::tileRect(int i) const {
    const int columns = std::max(perRow, 1);
    const int c = i % columns;
    const int r = i / columns;
    return {pad + (tileW + gap) * c, gridY() + (tileH + gap) * r, tileW, tileH};
}

Size SwitcherView::contentSize() const {
    const int n = int(cells.size());
    const int columns = std::max(perRow, 1);
    const int cols = perRow > 1 ? std::min(perRow, std::max(n, 1)) : 1;
    const double tilesWidth = 2 * pad + tileW * cols + gap * (cols - 1);
    const int rows = (n + columns - 1) / columns;
    const double height = gridY() + (n == 0 ? 40 : rows * (tileH + gap)) + footerH;
    double width = std::max({tilesWidth, barLayout().width, 360.0});
    if (maxWidth > 0) width = std::min(width, std::max(maxWidth, tilesWidth));
    return {width, height};
}

std::optional<Color> SwitcherView::cellColor(const std::set<int>& ctxIdxs) const {
    if (activeCtx >= 0) {
        if (activeCtx < int(contexts.size()) && ctxIdxs.count(activeCtx) > 0)
            return contexts[activeCtx].color;
        return std::nullopt;
    }
    // The lowest index that names a context.
    for (int k : ctxIdxs)
        if (k >= 0 && k < int(contexts.size())) return contexts[k].color;
    return std::nullopt;
}

// --- Drawing -----------------------------------------------------------------

DrawList SwitcherView::draw(Size bounds, std::optional<Rect> visible) const {
    using namespace draw;
    DrawList list;
    const Rect whole{0, 0, bounds.width, bounds.height};
    // Opaque: under a compositor, what lies behind must never compete with the tiles.
    list.add(FillRoundedRect{whole, 16, panelColor});
    list.add(ClipRoundedRect{whole, 16});

    const Bar bar = barLayout();
    for (double x : bar.dividers)
        list.add(FillRect{{x - 0.5, barTop, 1, wsHeaderH + 3 + chipH}, white(0.15)});
    for (const auto& header : bar.headers)
        list.add(Text{header.text, header.rect, hdrFont, white(0.45), Align::left, Elide::tail});

    const bool allActive = activeCtx < 0;
    const Rect& all = bar.allRect;
    const Color allLabel = white(allActive ? 1.0 : 0.7);
    list.add(FillRoundedRect{all, 7, white(allActive ? 0.28 : 0.12)});
    list.add(Glyph{GlyphKind::gridAll, {all.x + 7, all.y + 5, 12, 12}, allLabel});
    list.add(
        Text{"All", {all.x + 23, all.y + 4, all.width - 24, 15}, chipFont, allLabel, Align::left});

    for (const auto& chip : bar.chips) {
        const bool active = chip.idx == activeCtx;
        const Ctx& ctx = contexts[chip.idx];
        const Rect& r = chip.rect;
        const Color fill = active ? ctx.color : withAlpha(ctx.color, 0.22);
        list.add(FillRoundedRect{r, 7, fill});
        list.add(Text{ctx.name,
                      {r.x + 4, r.y + 4, r.width - 8, 15},
                      chipFont,
                      withAlpha(textColorOn(over(fill, panelColor)), active ? 1.0 : 0.75),
                      Align::center,
                      Elide::tail});
    }

    for (const auto& add : bar.adds) {
        const Rect& r = add.rect;
        list.add(FillRoundedRect{r, 7, white(0.12)});
        list.add(Text{"+",
                      {r.x, r.y + 2, r.width, 17},
                      Font{14, FontWeight::medium, 0},
                      white(0.6),
                      Align::center});
    }

    if (cells.empty()) {
        list.add(Text{emptyHint,
                      {pad, gridY() + 12, bounds.width - 2 * pad, 18},
                      Font{13, FontWeight::regular, 0},
                      white(0.5),
                      Align::center});
        return list;
    }

    int first = 0;
    int end = int(cells.size());
    if (visible) {
        const int columns = std::max(perRow, 1);
        const double rowH = tileH + gap;
        const double top = visible->y - gridY();
        const int firstRow = std::max(0, int(std::floor(top / rowH)));
        const int endRow = std::max(0, int(std::ceil((top + visible->height) / rowH)));
        first = std::min(end, firstRow * columns);
        end = std::min(end, endRow * columns);
    }
    for (int i = first; i < end; ++i)
        drawTile(list, i);

    // A narrow panel (one or two windows) ends the hint with "…" rather than cutting it at both
    // edges; the typed filter comes first and stays.
    const Rect footer{pad, bounds.height - footerH + 2, bounds.width - 2 * pad, 15};
    if (filtering) {
        std::string text(filterPrompt);
        text += filter.empty() ? std::string(filterPlaceholder) : filter;
        text += filterFooterTail;
        list.add(Text{std::move(text), footer, Font{12, FontWeight::semibold, 0}, white(0.95),
                      Align::center, Elide::tail});
    } else {
        list.add(Text{std::string(hintFooter), footer, Font{10, FontWeight::regular, 0}, white(0.5),
                      Align::center, Elide::tail});
    }
    return list;
}

void SwitcherView::drawTile(DrawList& list, int i) const {
    using namespace draw;
    const Cell& cell = cells[i];
    const Rect r = tileRect(i);
    const bool inCtx = activeCtx < 0 ? !cell.ctxIdxs.empty() : cell.ctxIdxs.count(activeCtx) > 0;
    const bool hit = inCtx && cell.matched;
    const auto color = cellColor(cell.ctxIdxs);
    const double dim = hit ? 1.0 : confined ? 0.18 : 0.5;
    const bool bright = hit || (cell.matched && !color && !confined);

    const Color fill = color ? withAlpha(*color, hit ? 0.26 : 0.08) : white(hit ? 0.08 : 0.04);
    list.add(FillRoundedRect{r, 9, fill});
    if (color) list.add(StrokeRoundedRect{r, 9, 1.5, withAlpha(*color, dim)});
    if (i == sel)
        list.add(
            StrokeRoundedRect{{r.x + 1, r.y + 1, r.width - 2, r.height - 2}, 8, 2.5, white(0.9)});
    const double midX = r.x + r.width / 2;
    const double opacity = bright ? 1.0 : dim;
    if (cell.icon)
        list.add(draw::Image{cell.icon, {midX - 28, r.y + 11, 56, 56}, opacity});
    else
        drawInitial(list, cell, {midX - 24, r.y + 15, 48, 48}, opacity);
    if (cell.desktop) {
        // Top right, clear of the icon: the desktop counted from 1, as pagers show it.
        const std::string number = std::to_string(*cell.desktop + 1);
        const Font font{10, FontWeight::semibold, 0};
        const double width = 24 + measure_.width(number, font);
        const Rect badge{r.x + r.width - 6 - width, r.y + 6, width, 16};
        list.add(FillRoundedRect{badge, 8, white(0.16 * opacity)});
        list.add(
            Glyph{GlyphKind::desktop, {badge.x + 6, badge.y + 4, 10, 8}, white(0.8 * opacity)});
        list.add(
            Text{number, {badge.x + 19, badge.y + 2, width - 24, 13}, font, white(0.85 * opacity)});
    }
    // Cut in the middle: many windows of one application differ only at the end of the title.
    list.add(Text{cell.title,
                  {r.x + 6, r.y + 70, tileW - 12, 17},
                  Font{12, hit ? FontWeight::semibold : FontWeight::regular, 0},
                  withAlpha(textColorOn(over(fill, panelColor)), bright ? 0.97 : dim),
                  Align::center,
                  Elide::middle});
}

void SwitcherView::drawInitial(DrawList& list, const Cell& cell, Rect box, double opacity) const {
    using namespace draw;
    const std::string& app = cell.app.empty() ? cell.title : cell.app;
    list.add(FillRoundedRect{box, 11, withAlpha(initialBackdrop(app), opacity)});
    // Laid out from the top: a capital's middle sits about 0.57 of the size below it.
    const Font font{26, FontWeight::semibold, 0};
    list.add(Text{initialOf(app),
                  {box.x, box.y + box.height / 2 - 0.57 * font.size, box.width, font.size * 1.4},
                  font,
                  white(0.95 * opacity),
                  Align::center});
}

// --- Mouse -------------------------------------------------------------------

void SwitcherView::press(Point p, bool altHeld) {
    const Bar bar = barLayout();
    if (contains(bar.allRect, p)) {
        onClickContext(-1);
        return;
    }
    for (const auto& add : bar.adds) {
        if (contains(add.rect, p)) {
            onAddContext(add.ws);
            return;
        }
    }
    for (const auto& chip : bar.chips) {
        if (contains(chip.rect, p)) {
            onClickContext(chip.idx);
            return;
        }
    }
    for (int i = 0; i < int(cells.size()); ++i) {
        if (!contains(tileRect(i), p)) continue;
        sel = i;
        needsRedraw();
        if (altHeld)
            onAltClickWindow();
        else
            onClickWindow();
        return;
    }
}

void SwitcherView::mouseMoved(Point p) {
    for (int i = 0; i < int(cells.size()); ++i) {
        if (!contains(tileRect(i), p)) continue;
        if (sel != i) {
            sel = i;
            hoverChanged();
            needsRedraw();
        }
        return;
    }
}

} // namespace morvelan
