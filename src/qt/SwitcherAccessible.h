// SwitcherAccessible: the switcher panel as screen readers see it. The panel is a bare X
// window, so a window-less QWindow stands for it among the program's windows: a window named
// "Morvelan switcher" (with the typed filter) whose children are the tiles, each named by its
// title, application and contexts, the selected one focused as the selection moves.
#pragma once

#include "core/switcher/SwitcherView.h"

#include <QAccessible>
#include <QRect>
#include <QWindow>

#include <string>
#include <vector>

namespace morvelan {

class SwitcherAccessible {
public:
    SwitcherAccessible();
    ~SwitcherAccessible();
    SwitcherAccessible(const SwitcherAccessible&) = delete;
    SwitcherAccessible& operator=(const SwitcherAccessible&) = delete;

    // After every change of the panel: its view (may be null), whether it is shown and where
    // the view's top-left corner lies on the screen. Announces what changed.
    void update(const SwitcherView* view, bool shown, QPoint viewOrigin);

    // What a screen reader reads for tile `index` of the view.
    static QString tileName(const SwitcherView& view, int index);

private:
    class Panel;
    class Tile;
    friend class Panel;
    friend class Tile;

    QAccessibleInterface* tile(int index);
    QAccessibleInterface* panel() const;

    // Never shown: it only lists the panel among the program's windows.
    class Anchor : public QWindow {
    public:
        QAccessibleInterface* accessibleRoot() const override;
    };

    Anchor anchor_;
    const SwitcherView* view_ = nullptr;
    bool shown_ = false;
    QPoint origin_;
    // What was last announced.
    int announcedSel_ = -1;
    std::string announcedFilter_;
    bool announcedFiltering_ = false;
    std::vector<QAccessible::Id> tiles_;
};

} // namespace morvelan
