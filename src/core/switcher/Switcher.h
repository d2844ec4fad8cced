// Switcher: opens, drives and closes the window-switcher panel and reports the user's choice.
#pragma once

#include "core/model/Color.h"
#include "core/model/Settings.h"
#include "core/model/Uuid.h"
#include "core/model/Win.h"
#include "core/platform/Image.h"
#include "core/platform/MainQueue.h"
#include "core/switcher/ScreenInfo.h"
#include "core/switcher/SwitcherPanel.h"
#include "core/switcher/SwitcherView.h"
#include "core/switcher/TextMeasure.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace morvelan {

// Closed: nothing on screen. Pending: opened, the panel waits for the show delay.
// Shown: the panel is on screen. Filtering: shown, and keys type into the filter.
enum class SwitcherState { closed, pending, shown, filtering };

class Switcher {
public:
    // One window of a column and the contexts it belongs to.
    struct Cell {
        Win win;
        std::set<int> ctxIdxs; // indices into the contexts given to begin()
        std::optional<Color> color;
    };

    // An application column; the orchestration makes one per window.
    struct Col {
        std::string app;
        ImageRef icon;
        std::vector<Cell> cells;
    };

    // A context as begin() receives it.
    struct Ctx {
        Uuid id;
        std::string name;
        Color color;
        std::string wsName;
        int wsIndex = 0;
    };

    Switcher(SwitcherPanel& panel, ScreenInfo& screens, MainQueue& queue, const Settings& settings,
             TextMeasure& measure);
    ~Switcher();
    Switcher(const Switcher&) = delete;
    Switcher& operator=(const Switcher&) = delete;

    // Opens the switcher, or refreshes it in place when the panel is already shown.
    // `activeCtx` < 0 picks "All"; `select` preselects the window with that id.
    void begin(std::vector<std::string> workspaces, const std::vector<Ctx>& contexts, int activeCtx,
               std::vector<Col> columns, std::optional<WindowID> select);
    // While closed: hands the panel what begin() with these arguments would show, so the
    // next opening finds its picture ready. Changes nothing of the switcher's own state.
    void prepare(std::vector<std::string> workspaces, const std::vector<Ctx>& contexts,
                 int activeCtx, const std::vector<Col>& columns, bool confined);
    // Only the active context's windows are selectable while on.
    void setConfined(bool on);
    // Whether the next opening starts confined; shows nothing.
    void startConfined(bool on);
    // Moves the selection to the next (or previous) selectable window, wrapping around.
    void stepWindow(bool forward) { view_.stepWindow(forward); }
    // Moves the chosen context by `delta` (±1) through "All" and the contexts.
    void cycleContext(int delta) { view_.cycleContext(delta); }
    // Makes the context at `position` the chosen one; out of range does nothing.
    void selectContext(int position) { view_.selectContext(position); }
    void beginFilter();
    void appendFilter(std::string_view text);
    // Removes the last character of the filter; nothing when it is empty.
    void deleteFilterChar();
    // Shows the panel at once, dropping the pending delayed show.
    void showNow();
    // Hands the selected window and the active context to onCommit (when there is a
    // selectable choice), then closes.
    void commit();
    void cancel();
    // Hides and resets without calling onClose.
    void dismiss();
    // Rebuilds the cells after `query` changed.
    void refilter();
    void toggleSelectedMembership();
    // Drops the selected window after its owner closed it.
    void removeSelected();
    // Drops every window of the selected window's process after its owner asked it to quit.
    void removeSelectedApp();
    // Drops the windows that are gone; the selection stays on its window when it is kept.
    void removeWindows(const std::function<bool(const Win&)>& gone);

    SwitcherState state() const { return state_; }
    bool visible() const {
        return state_ == SwitcherState::shown || state_ == SwitcherState::filtering;
    }

    // The selected window, when the selection is valid.
    std::optional<Win> selectedWindow() const;
    // The windows shown, in tile order.
    const std::vector<Win>& windows() const { return flat_; }
    const SwitcherView& view() const { return view_; }
    const std::string& query() const { return query_; }

    std::function<void(const Win&, std::optional<Uuid>)> onCommit = [](const Win&,
                                                                       std::optional<Uuid>) {};
    std::function<void(const Win&, const Uuid&)> onToggleMembership = [](const Win&, const Uuid&) {
    };
    std::function<void(int)> onAddContext = [](int) {};
    std::function<void()> onClose = [] {};

private:
    // The view's contexts and workspaces as begin() receives them.
    static void setContexts(SwitcherView& view, std::vector<std::string> workspaces,
                            const std::vector<Ctx>& contexts, int activeCtx);
    SwitcherView::Cell makeCell(const Col& col, const Cell& entry, bool matched) const;
    void buildCells(std::optional<WindowID> select);
    // The panel's frame for `view`, with its tiles per row set for the screen.
    std::optional<Rect> frameFor(SwitcherView& view);
    void layout();
    void reveal();
    // Drops the entries of `flat` at the indices `gone` picks, then closes or re-lays out.
    void removeWhere(const std::function<bool(std::size_t)>& gone);

    SwitcherView view_;
    std::vector<Win> flat_;    // index-aligned with view_.cells
    std::vector<Uuid> ctxIDs_; // index-aligned with view_.contexts
    std::vector<Col> columns_;
    std::string query_;
    SwitcherPanel& panel_;
    ScreenInfo& screens_;
    MainQueue& queue_;
    const Settings& settings_;
    std::unique_ptr<Timer> showTimer_;
    SwitcherState state_ = SwitcherState::closed;
    // Origin (column, entry) in columns_ of each entry of flat_.
    std::vector<std::pair<std::size_t, std::size_t>> origin_;
    // Entries of columns_ removed by W or Q, left out of later rebuilds.
    std::set<std::pair<std::size_t, std::size_t>> removed_;
};

} // namespace morvelan
