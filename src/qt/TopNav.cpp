// TopNav: the navigation bar of the settings window.
#include "qt/TopNav.h"

#include "qt/SettingsStyle.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace morvelan {

namespace {

constexpr int navIconSize = 16;

// Screen readers hear the bar as tabs, the shown screen's tab selected.
class NavButtonAccessible : public QAccessibleWidget {
public:
    explicit NavButtonAccessible(NavButton* button)
        : QAccessibleWidget(button, QAccessible::PageTab) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? button()->text() : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = button()->selected();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction()) button()->click();
    }

private:
    NavButton* button() const { return static_cast<NavButton*>(widget()); }
};

QAccessibleInterface* navAccessible(const QString&, QObject* object) {
    if (auto* button = qobject_cast<NavButton*>(object)) return new NavButtonAccessible(button);
    if (auto* bar = qobject_cast<TopNav*>(object))
        return new QAccessibleWidget(bar, QAccessible::PageTabList);
    return nullptr;
}

} // namespace

NavButton::NavButton(const QString& title, const QString& symbolName, QWidget* parent)
    : QAbstractButton(parent), symbolName_(symbolName) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void NavButton::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

QSize NavButton::sizeHint() const {
    // Room for the bold title of the selected screen, so selecting never crowds it.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return {12 + navIconSize + 7 + metrics.horizontalAdvance(text()) + 12,
            std::max(30, metrics.height() + 12)};
}

void NavButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void NavButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void NavButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = settingsStyle::accent();
    QColor ink = palette().color(QPalette::WindowText);
    if (selected_ || hovered_ || isDown()) {
        QColor fill = selected_ ? accent : ink;
        fill.setAlphaF(selected_ ? 0.16 : 0.07);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    }
    if (hasFocus()) {
        p.setPen(QPen(accent, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
    }
    if (selected_) ink = settingsStyle::readableAccent(palette().color(QPalette::Window));
    const QRect iconRect(12, (height() - navIconSize) / 2, navIconSize, navIconSize);
    settingsStyle::symbol(symbolName_, ink).paint(&p, iconRect);
    p.setPen(ink);
    QFont font = p.font();
    font.setBold(selected_);
    p.setFont(font);
    p.drawText(QRect(iconRect.right() + 7, 0, width() - iconRect.right() - 7, height()),
               Qt::AlignVCenter | Qt::AlignLeft, text());
}

TopNav::TopNav(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    static const bool accessible = (QAccessible::installFactory(&navAccessible), true);
    static_cast<void>(accessible);
    setMinimumHeight(barHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName("Settings screens");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 14, 0);
    layout->setSpacing(4);

    auto* icon = new QLabel(this);
    icon->setPixmap(settingsStyle::appIcon(22));
    icon->setFixedSize(22, 22);
    layout->addWidget(icon);
    layout->addSpacing(6);
    auto* name = new QLabel("Morvelan", this);
    name->setFont(settingsStyle::headlineFont(name->font()));
    layout->addWidget(name);
    layout->addStretch(1);

    const struct {
        SettingsModel::Tab tab;
        const char* title;
        const char* symbol;
    } tabs[] = {
        {SettingsModel::Tab::workspaces, "Workspaces", "rectangle.3.group"},
        {SettingsModel::Tab::general, "Preferences", "gearshape"},
        {SettingsModel::Tab::about, "About", "info.circle"},
    };
    for (const auto& t : tabs) {
        auto* button = new NavButton(t.title, t.symbol, this);
        const SettingsModel::Tab tab = t.tab;
        connect(button, &QAbstractButton::clicked, this,
                [this, tab] { model_.setSelectedTab(tab); });
        layout->addWidget(button);
        entries_.push_back({tab, button});
    }
    refresh();
}

void TopNav::refresh() {
    SettingsModel::Tab shown = model_.selectedTab();
    // The contexts screen is the workspaces screen.
    if (shown == SettingsModel::Tab::contexts) shown = SettingsModel::Tab::workspaces;
    for (const Entry& e : entries_)
        e.button->setSelected(e.tab == shown);
}

NavButton* TopNav::button(SettingsModel::Tab tab) const {
    if (tab == SettingsModel::Tab::contexts) tab = SettingsModel::Tab::workspaces;
    for (const Entry& e : entries_)
        if (e.tab == tab) return e.button;
    return nullptr;
}

void TopNav::paintEvent(QPaintEvent*) {
    // A soft material: the window colour, lightly graded.
    QPainter p(this);
    const QColor base = palette().color(QPalette::Window);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, base.lighter(104));
    fill.setColorAt(1, base);
    p.fillRect(rect(), fill);
}

} // namespace morvelan
