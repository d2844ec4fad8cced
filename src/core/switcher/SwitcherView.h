// SwitcherView: the switcher's navigation state, its geometry, its drawing and its mouse input.
#pragma once

#include "core/model/Color.h"
#include "core/platform/Geometry.h"
#include "core/platform/Image.h"
#include "core/switcher/DrawList.h"
#include "core/switcher/Font.h"
#include "core/switcher/TextMeasure.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace morvelan {

class SwitcherView {
public:
    // One tile: a window of the open switcher.
    struct Cell {
        std::string title; // the window's title, or its application's name when untitled
        ImageRef icon;
        std::optional<Color> color; // carried along; tiles take their colours from `contexts`
        std::set<int> ctxIdxs;      // indices into `contexts` of the contexts it belongs to
        bool matched = true;        // passes the current filter
        std::string app;            // its application's name: the initial shown without an icon
        std::optional<int> desktop; // the other desktop it is on (from 0), badged on the tile
    };

    struct Ctx {
        std::string name;
        Color color;
        std::string wsName;
        int wsIndex = 0; // index into `workspaceNames`
    };

    // The header bar's geometry.
    struct Bar {
        struct Chip {
            Rect rect;
            int idx = 0; // context index
        };
        struct Header {
            Rect rect;
            std::string text;
        };
        struct Add {
            Rect rect;
            int ws = 0; // workspace index
        };
        Rect allRect;
        std::vector<Chip> chips;
        std::vector<Header> headers;
        std::vector<Add> adds;
        std::vector<double> dividers; // x positions of the vertical separators
        double width = 0;             // including the right margin
    };

    explicit SwitcherView(TextMeasure& measure) : measure_(measure) {}

    // --- State ---------------------------------------------------------------
    std::vector<Cell> cells;
    std::vector<Ctx> contexts;
    std::vector<std::string> workspaceNames;
    int activeCtx = 0; // -1 is the "All" chip
    bool confined = false;
    int sel = 0; // -1 for no selection
    std::string emptyHint;
    std::string filter;
    bool filtering = false;

    // --- Callbacks -----------------------------------------------------------
    std::function<void()> onClickWindow = [] {};
    std::function<void()> onAltClickWindow = [] {};
    std::function<void(int)> onClickContext = [](int) {};
    std::function<void(int)> onAddContext = [](int) {};
    std::function<void()> hoverChanged = [] {};
    // The drawing no longer matches the state.
    std::function<void()> onRedraw = [] {};

    // --- Metrics -------------------------------------------------------------
    double pad = 14;
    double barTop = 8;
    double wsHeaderH = 13;
    double chipH = 22;
    double chipGap = 5;
    double tileW = 140;
    double tileH = 94;
    double gap = 10;
    double footerH = 22;
    int perRow = 5;
    // The widest the panel may be (0: no bound); chips past it are not laid out.
    double maxWidth = 0;
    // A chip is never wider than this; its name is cut with an ellipsis.
    double maxChipW = 160;
    Font chipFont{11, FontWeight::semibold, 0};
    // Headers are drawn letter-spaced, so they are also measured that way.
    Font hdrFont{9, FontWeight::bold, 0.5};

    double chipY() const { return barTop + wsHeaderH + 3; }
    double gridY() const { return barTop + wsHeaderH + 3 + chipH + 10; }

    // Context and workspace names are cut to this many characters before anything measures
    // or draws them.
    static constexpr std::size_t nameLimit = 64;

    static constexpr std::string_view noWindowsHint = "No open windows";
    // The keys as the key source reads them on X11: F with Super filters, Alt confines, and a
    // click with Alt (Mod1) assigns.
    static constexpr std::string_view hintFooter =
        "⇥ window   ←→ / 1-9 context   Super+F filter   "
        "Alt focus task   Alt-click assign   click opens";
    static constexpr std::string_view filterPrompt = "🔍 ";
    static constexpr std::string_view filterPlaceholder = "Type to filter";
    static constexpr std::string_view filterFooterTail = "      release opens   esc cancel";

    // --- Navigation ----------------------------------------------------------
    // Indices of the selectable cells, ascending.
    std::vector<int> order() const;
    // Moves the selection to the next (or previous) selectable cell, wrapping around.
    void stepWindow(bool forward);
    // Moves the active chip by `delta` (±1) through "All" and the contexts, wrapping around.
    void cycleContext(int delta);
    // Makes context `index` active; out of range does nothing.
    void selectContext(int index);
    // Adds the active context to cell `index`'s contexts, or removes it.
    void toggleActiveMembership(int index);

    // --- Geometry ------------------------------------------------------------
    Bar barLayout() const;
    Rect tileRect(int i) const;
    Size contentSize() const;
    // `name` cut to `nameLimit` characters, whole UTF-8 sequences kept.
    static std::string cutName(std::string_view name);
    std::optional<Color> cellColor(const std::set<int>& ctxIdxs) const;

    // --- Drawing and input ---------------------------------------------------
    // With `visible` (view coordinates), only the tiles whose rows cross it: with a thousand
    // windows the screen shows a small part of the panel.
    DrawList draw(Size bounds, std::optional<Rect> visible = std::nullopt) const;
    // A mouse button went down at `p` (view coordinates).
    void press(Point p, bool altHeld);
    void mouseMoved(Point p);
    void needsRedraw() { onRedraw(); }

private:
    // Steps 3–5 of cycling, shared with selectContext.
    void selectAfterContextChange(int slot);
    void drawTile(DrawList& list, int i) const;
    // A rounded square of the application's colour with its initial, in place of an icon.
    void drawInitial(DrawList& list, const Cell& cell, Rect box, double opacity) const;

    TextMeasure& measure_;
};

} // namespace morvelan
