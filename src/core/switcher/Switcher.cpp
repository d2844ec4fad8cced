// Switcher: opening, delayed showing, filtering, commit and placement of the switcher panel.
#include "core/switcher/Switcher.h"

#include "core/model/TextCase.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace morvelan {

namespace {

// Drops the last user-perceived character, so "é" typed as e + combining accent or a
// flag emoji goes with one Delete, and the text stays valid UTF-8.
std::string withoutLastCharacter(const std::string& text) {
    auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> chars(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    int32_t cut = 0;
    if (U_SUCCESS(status) && chars) {
        chars->setText(unicode);
        chars->last();
        cut = std::max<int32_t>(chars->previous(), 0);
    } else {
        cut = unicode.moveIndex32(unicode.length(), -1);
    }
    unicode.truncate(cut);
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

} // namespace

Switcher::Switcher(SwitcherPanel& panel, ScreenInfo& screens, MainQueue& queue,
                   const Settings& settings, TextMeasure& measure)
    : view_(measure), panel_(panel), screens_(screens), queue_(queue), settings_(settings) {
    // The view and the timer die with the switcher, so their callbacks may hold `this`.
    view_.onClickWindow = [this] { commit(); };
    view_.onAltClickWindow = [this] { toggleSelectedMembership(); };
    view_.onClickContext = [this](int index) {
        view_.activeCtx = index;
        view_.needsRedraw();
    };
    view_.onAddContext = [this](int ws) { onAddContext(ws); };
    view_.onRedraw = [this] { panel_.redraw(); };
    panel_.setView(&view_);
}

Switcher::~Switcher() {
    panel_.setView(nullptr);
}

void Switcher::setContexts(SwitcherView& view, std::vector<std::string> workspaces,
                           const std::vector<Ctx>& contexts, int activeCtx) {
    view.contexts.clear();
    // Names are cut before anything measures or draws them: a name can be any length.
    for (const auto& ctx : contexts)
        view.contexts.push_back(
            {SwitcherView::cutName(ctx.name), ctx.color, ctx.wsName, ctx.wsIndex});
    for (auto& name : workspaces)
        name = SwitcherView::cutName(name);
    view.workspaceNames = std::move(workspaces);
    if (activeCtx < 0)
        view.activeCtx = -1;
    else if (contexts.empty())
        view.activeCtx = 0;
    else
        view.activeCtx = std::min(activeCtx, int(contexts.size()) - 1);
}

void Switcher::begin(std::vector<std::string> workspaces, const std::vector<Ctx>& contexts,
                     int activeCtx, std::vector<Col> columns, std::optional<WindowID> select) {
    ctxIDs_.clear();
    for (const auto& ctx : contexts)
        ctxIDs_.push_back(ctx.id);
    setContexts(view_, std::move(workspaces), contexts, activeCtx);

    columns_ = std::move(columns);
    removed_.clear();
    query_.clear();
    view_.filter.clear();
    view_.filtering = false;

    buildCells(select);
    layout();

    if (visible()) {
        state_ = SwitcherState::shown;
        view_.needsRedraw();
        return;
    }
    state_ = SwitcherState::pending;
    const int delayMs = std::max(0, settings_.switcherDelayMs());
    // No delay: shown now, not a turn of the event loop later.
    if (delayMs == 0) {
        reveal();
        return;
    }
    showTimer_ = queue_.schedule(delayMs / 1000.0, false, [this] { reveal(); });
}

void Switcher::reveal() {
    // Runs inside the timer's own callback: the handle is dropped later, not here.
    if (state_ != SwitcherState::pending) return;
    panel_.show();
    state_ = SwitcherState::shown;
}

void Switcher::showNow() {
    // Closed has nothing to show: a stray navigation key must not bring back an empty panel.
    if (state_ == SwitcherState::closed) return;
    showTimer_.reset();
    if (!visible()) {
        panel_.show();
        state_ = SwitcherState::shown;
    }
}

void Switcher::setConfined(bool on) {
    showNow();
    view_.confined = on;
    view_.needsRedraw();
}

void Switcher::startConfined(bool on) {
    view_.confined = on;
    view_.needsRedraw();
}

std::optional<Win> Switcher::selectedWindow() const {
    const int sel = view_.sel;
    if (sel < 0 || sel >= int(flat_.size())) return std::nullopt;
    return flat_[std::size_t(sel)];
}

void Switcher::beginFilter() {
    if (state_ == SwitcherState::closed) return;
    view_.filtering = true;
    showNow();
    state_ = SwitcherState::filtering;
    view_.needsRedraw();
}

void Switcher::appendFilter(std::string_view text) {
    query_ += text;
    refilter();
}

void Switcher::deleteFilterChar() {
    if (query_.empty()) return;
    query_ = withoutLastCharacter(query_);
    refilter();
}

void Switcher::refilter() {
    // After a close the columns are stale; the next begin brings fresh ones.
    if (state_ == SwitcherState::closed) return;
    view_.filter = query_;
    buildCells(std::nullopt);
    layout();
    showNow();
    view_.needsRedraw();
}

void Switcher::commit() {
    const int sel = view_.sel;
    std::optional<Win> chosen;
    std::optional<Uuid> context;
    if (sel >= 0 && sel < int(flat_.size()) && sel < int(view_.cells.size()) &&
        view_.cells[sel].matched) {
        chosen = flat_[sel];
        if (view_.activeCtx >= 0 && view_.activeCtx < int(ctxIDs_.size()))
            context = ctxIDs_[view_.activeCtx];
    }
    // The panel goes first: with focus following the mouse, the window manager focuses the
    // window the pointer lands on as the panel leaves, and that must not undo the choice.
    dismiss();
    if (chosen) onCommit(*chosen, context);
    onClose();
}

void Switcher::cancel() {
    dismiss();
    onClose();
}

void Switcher::dismiss() {
    showTimer_.reset();
    panel_.hide();
    flat_.clear();
    origin_.clear();
    view_.cells.clear();
    view_.filtering = false;
    query_.clear();
    state_ = SwitcherState::closed;
}

void Switcher::toggleSelectedMembership() {
    const int sel = view_.sel;
    const int ctx = view_.activeCtx;
    if (sel < 0 || sel >= int(flat_.size()) || ctx < 0 || ctx >= int(ctxIDs_.size())) return;
    view_.toggleActiveMembership(sel);
    const Win win = flat_[sel];
    const Uuid id = ctxIDs_[ctx];
    onToggleMembership(win, id);
}

void Switcher::removeSelected() {
    const int sel = view_.sel;
    if (sel < 0 || sel >= int(flat_.size())) return;
    removeWhere([sel](std::size_t i) { return int(i) == sel; });
}

void Switcher::removeSelectedApp() {
    const int sel = view_.sel;
    if (sel < 0 || sel >= int(flat_.size())) return;
    const Pid pid = flat_[sel].pid;
    removeWhere([this, pid](std::size_t i) { return flat_[i].pid == pid; });
}

void Switcher::removeWindows(const std::function<bool(const Win&)>& gone) {
    removeWhere([&](std::size_t i) { return gone(flat_[i]); });
}

void Switcher::removeWhere(const std::function<bool(std::size_t)>& gone) {
    // A selection that stays keeps its window, wherever its tile moves.
    std::optional<WindowID> kept;
    if (view_.sel >= 0 && view_.sel < int(flat_.size()) && !gone(std::size_t(view_.sel)))
        kept = flat_[std::size_t(view_.sel)].wid;
    std::vector<Win> keptWins;
    std::vector<SwitcherView::Cell> keptCells;
    std::vector<std::pair<std::size_t, std::size_t>> keptOrigin;
    for (std::size_t i = 0; i < flat_.size(); ++i) {
        if (gone(i)) {
            // A closed window must not come back when the filter is edited afterwards.
            if (i < origin_.size()) removed_.insert(origin_[i]);
            continue;
        }
        keptWins.push_back(flat_[i]);
        if (i < view_.cells.size()) keptCells.push_back(view_.cells[i]);
        if (i < origin_.size()) keptOrigin.push_back(origin_[i]);
    }
    flat_ = std::move(keptWins);
    view_.cells = std::move(keptCells);
    origin_ = std::move(keptOrigin);

    const int count = int(flat_.size());
    for (int i = 0; kept && i < count; ++i)
        if (flat_[std::size_t(i)].wid == *kept) view_.sel = i;
    if (view_.sel >= count) view_.sel = std::max(count, 1) - 1;
    if (count == 0) {
        dismiss();
        onClose();
        return;
    }
    layout();
}

void Switcher::buildCells(std::optional<WindowID> select) {
    const std::string q = lowercased(query_);
    flat_.clear();
    origin_.clear();
    std::vector<SwitcherView::Cell> cells;
    for (std::size_t ci = 0; ci < columns_.size(); ++ci) {
        const Col& col = columns_[ci];
        for (std::size_t ei = 0; ei < col.cells.size(); ++ei) {
            if (removed_.count({ci, ei}) > 0) continue;
            const Cell& entry = col.cells[ei];
            const bool matched = q.empty() || lowercased(entry.win.title + " " + col.app).find(q) !=
                                                  std::string::npos;
            flat_.push_back(entry.win);
            origin_.emplace_back(ci, ei);
            cells.push_back(makeCell(col, entry, matched));
        }
    }
    view_.cells = std::move(cells);
    view_.emptyHint = std::string(SwitcherView::noWindowsHint);

    if (select) {
        for (std::size_t i = 0; i < flat_.size(); ++i) {
            if (flat_[i].wid == *select) {
                view_.sel = int(i);
                return;
            }
        }
    }
    if (q.empty()) {
        // Lands on the window used before the current one.
        view_.sel = 0;
        view_.stepWindow(true);
    } else {
        const auto ord = view_.order();
        view_.sel = ord.empty() ? -1 : ord.front();
    }
}

SwitcherView::Cell Switcher::makeCell(const Col& col, const Cell& entry, bool matched) const {
    return {entry.win.title.empty() ? col.app : entry.win.title,
            col.icon,
            entry.color,
            entry.ctxIdxs,
            matched,
            col.app,
            entry.win.otherDesktop};
}

void Switcher::prepare(std::vector<std::string> workspaces, const std::vector<Ctx>& contexts,
                       int activeCtx, const std::vector<Col>& columns, bool confined) {
    if (state_ != SwitcherState::closed) return;
    // A copy for its metrics and text measure; its callbacks must never run.
    SwitcherView ahead = view_;
    ahead.onClickWindow = ahead.onAltClickWindow = ahead.hoverChanged = ahead.onRedraw = [] {};
    ahead.onClickContext = ahead.onAddContext = [](int) {};
    setContexts(ahead, std::move(workspaces), contexts, activeCtx);
    ahead.confined = confined;
    ahead.filter.clear();
    ahead.filtering = false;
    ahead.emptyHint = std::string(SwitcherView::noWindowsHint);
    ahead.cells.clear();
    for (const Col& col : columns)
        for (const Cell& entry : col.cells)
            ahead.cells.push_back(makeCell(col, entry, true));
    ahead.sel = 0;
    ahead.stepWindow(true);
    const auto frame = frameFor(ahead);
    if (!frame) return;
    panel_.prepare(*frame, ahead.draw({frame->width, frame->height}, panel_.visiblePart(*frame)));
}

std::optional<Rect> Switcher::frameFor(SwitcherView& target) {
    const auto screens = screens_.screens();
    if (screens.empty()) return std::nullopt;
    Rect screen = screens.front();
    // Asking for the pointer is a round trip to the window server: only worth it when there
    // is a choice of screens.
    if (const auto pointer = screens.size() > 1 ? screens_.pointer() : std::nullopt) {
        for (const auto& candidate : screens) {
            if (contains(candidate, *pointer)) {
                screen = candidate;
                break;
            }
        }
    }
    const int fit =
        int((screen.width * 0.92 - 2 * target.pad + target.gap) / (target.gap + target.tileW));
    target.perRow = std::max(1, std::min(fit, std::max(int(target.cells.size()), 1)));
    target.maxWidth = screen.width * 0.92;
    const Size size = target.contentSize();
    // Centred in floating point: an integer centre is off by one for even sizes.
    return Rect{screen.x + screen.width / 2 - size.width / 2,
                screen.y + screen.height / 2 - size.height / 2, size.width, size.height};
}

void Switcher::layout() {
    const auto frame = frameFor(view_);
    if (!frame) return;
    panel_.setFrame(*frame);
    view_.needsRedraw();
}

} // namespace morvelan
