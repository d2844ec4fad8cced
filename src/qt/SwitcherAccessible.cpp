// SwitcherAccessible: the panel's window and tiles for assistive technology, read from the
// view as it is when asked; events only say what changed.
#include "qt/SwitcherAccessible.h"

#include <QGuiApplication>

namespace morvelan {

namespace {

QRect toQRect(const Rect& r, QPoint origin) {
    return QRect(origin.x() + int(r.x), origin.y() + int(r.y), int(r.width), int(r.height));
}

} // namespace

class SwitcherAccessible::Panel : public QAccessibleInterface {
public:
    explicit Panel(SwitcherAccessible& owner) : owner_(owner) {}
    bool isValid() const override { return true; }
    QObject* object() const override { return &owner_.anchor_; }
    QWindow* window() const override { return &owner_.anchor_; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(QGuiApplication::instance());
    }
    int childCount() const override {
        return owner_.view_ && owner_.shown_ ? int(owner_.view_->cells.size()) : 0;
    }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < childCount() ? owner_.tile(index) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < childCount(); ++i)
            if (owner_.tile(i) == child) return i;
        return -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override {
        const SwitcherView* view = owner_.view_;
        return view && owner_.shown_ ? child(view->sel) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name) return {};
        QString name = QStringLiteral("Morvelan switcher");
        const SwitcherView* view = owner_.view_;
        if (view && view->filtering)
            name += QStringLiteral(", filter: ") + QString::fromStdString(view->filter);
        return name;
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const SwitcherView* view = owner_.view_;
        if (!view || !owner_.shown_) return {};
        const Size size = view->contentSize();
        return toQRect({0, 0, size.width, size.height}, owner_.origin_);
    }
    QAccessible::Role role() const override { return QAccessible::Window; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !owner_.shown_;
        s.active = owner_.shown_;
        return s;
    }

private:
    SwitcherAccessible& owner_;
};

class SwitcherAccessible::Tile : public QAccessibleInterface {
public:
    Tile(SwitcherAccessible& owner, int index) : owner_(owner), index_(index) {}
    bool isValid() const override {
        return owner_.view_ && index_ < int(owner_.view_->cells.size());
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return &owner_.anchor_; }
    QAccessibleInterface* parent() const override { return owner_.panel(); }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? tileName(*owner_.view_, index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        return isValid() ? toQRect(owner_.view_->tileRect(index_), owner_.origin_) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = s.focusable = true;
        const bool chosen = isValid() && owner_.view_->sel == index_;
        s.selected = s.focused = chosen && owner_.shown_;
        s.invisible = !owner_.shown_;
        s.disabled = isValid() && !owner_.view_->cells[std::size_t(index_)].matched;
        return s;
    }

private:
    SwitcherAccessible& owner_;
    int index_;
};

SwitcherAccessible::SwitcherAccessible() {
    anchor_.setTitle(QStringLiteral("Morvelan switcher"));
    // Registered for the anchor, so the application's accessible children find it; removed
    // with it.
    QAccessible::registerAccessibleInterface(new Panel(*this));
}

SwitcherAccessible::~SwitcherAccessible() {
    for (QAccessible::Id id : tiles_)
        QAccessible::deleteAccessibleInterface(id);
}

QString SwitcherAccessible::tileName(const SwitcherView& view, int index) {
    const SwitcherView::Cell& cell = view.cells[std::size_t(index)];
    QString name = QString::fromStdString(cell.title);
    if (!cell.app.empty() && cell.app != cell.title)
        name += ", " + QString::fromStdString(cell.app);
    for (int k : cell.ctxIdxs)
        if (k >= 0 && k < int(view.contexts.size()))
            name += ", " + QString::fromStdString(view.contexts[std::size_t(k)].name);
    return name;
}

QAccessibleInterface* SwitcherAccessible::Anchor::accessibleRoot() const {
    return QAccessible::queryAccessibleInterface(const_cast<Anchor*>(this));
}

QAccessibleInterface* SwitcherAccessible::panel() const {
    return anchor_.accessibleRoot();
}

QAccessibleInterface* SwitcherAccessible::tile(int index) {
    while (int(tiles_.size()) <= index)
        tiles_.push_back(
            QAccessible::registerAccessibleInterface(new Tile(*this, int(tiles_.size()))));
    return QAccessible::accessibleInterface(tiles_[std::size_t(index)]);
}

void SwitcherAccessible::update(const SwitcherView* view, bool shown, QPoint viewOrigin) {
    view_ = view;
    origin_ = viewOrigin;
    const bool wasShown = std::exchange(shown_, shown);
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* window = panel();
    if (shown != wasShown) {
        QAccessibleEvent event(window, shown ? QAccessible::ObjectShow : QAccessible::ObjectHide);
        QAccessible::updateAccessibility(&event);
        announcedSel_ = -1;
    }
    if (!shown || !view) return;
    if (view->filtering != announcedFiltering_ || view->filter != announcedFilter_) {
        announcedFiltering_ = view->filtering;
        announcedFilter_ = view->filter;
        QAccessibleEvent event(window, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (view->sel != announcedSel_ && view->sel >= 0 && view->sel < int(view->cells.size())) {
        announcedSel_ = view->sel;
        QAccessibleInterface* chosen = tile(view->sel);
        for (auto type : {QAccessible::Selection, QAccessible::Focus}) {
            QAccessibleEvent event(chosen, type);
            QAccessible::updateAccessibility(&event);
        }
    }
}

} // namespace morvelan
