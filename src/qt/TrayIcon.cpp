// TrayIcon: QSystemTrayIcon and QMenu kept in step with the menu model.
#include "qt/TrayIcon.h"

#include "core/menubar/MenuBarController.h"
#include "qt/TrayGlyphs.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace morvelan {

namespace {

// Item texts go through QAction, which reads "&" as a mnemonic marker.
QString actionText(const std::string& text) {
    return QString::fromStdString(text).replace(u'&', QLatin1String("&&"));
}

bool isAltKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Alt;
}

} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), style_(std::make_unique<TrayMenuStyle>()), menu_(std::make_unique<QMenu>()) {
    menu_->setStyle(style_.get());
    menu_->installEventFilter(this);
    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayIcon::menuAboutToShow);
    tray_.setContextMenu(menu_.get());
    connect(&tray_, &QSystemTrayIcon::activated, this, &TrayIcon::trayActivated);
    updateButton(model_.button);
}

TrayIcon::~TrayIcon() {
    // The menu may still be open; its actions call back into this object.
    menu_->removeEventFilter(this);
    disconnect(menu_.get(), nullptr, this, nullptr);
}

void TrayIcon::attach(MenuBarController& controller) {
    onMenuWillOpen = [&controller] { controller.menuWillOpen(); };
    onActivate = [&controller](const std::string& idText) { controller.activate(idText); };
    onCommand = [&controller](const MenuItem& item) { controller.trigger(item); };
}

void TrayIcon::rebuild(const MenuModel& model) {
    if (!drawn_ || model.button != model_.button) updateButton(model.button);
    // The menu is asked to rebuild every time it opens; unchanged items are kept as they are.
    if (!drawn_ || model.items != model_.items) rebuildMenu(model.items);
    model_ = model;
    drawn_ = true;
}

void TrayIcon::show() {
    tray_.show();
}

void TrayIcon::popup(const QPoint& screenPos) {
    menu_->popup(screenPos);
}

void TrayIcon::setAlternate(bool on) {
    alternateShown_ = on;
    for (const Alternate& pair : alternates_) {
        pair.primary->setVisible(!on);
        pair.alternate->setVisible(on);
    }
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menu_.get() && isAltKey(event)) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (!key->isAutoRepeat()) setAlternate(event->type() == QEvent::KeyPress);
        // Workaround: QMenu closes itself on Alt (menu-bar keyboard navigation); here Alt only
        // swaps the alternate items.
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TrayIcon::updateButton(const MenuButton& button) {
    tray_.setIcon(buttonIcon(button, qApp ? qApp->devicePixelRatio() : 1.0));
    QString tip = QStringLiteral("Morvelan");
    if (button.tooltip) {
        tip = QString::fromStdString(*button.tooltip);
    } else if (button.kind == MenuButton::Kind::warning) {
        // The title is the warning with the space that separated it from the image.
        tip = QString::fromStdString(button.title).trimmed();
    }
    tray_.setToolTip(tip);
}

void TrayIcon::rebuildMenu(const std::vector<MenuItem>& items) {
    // The action being triggered may be the one that caused this rebuild (choosing a context
    // saves the store, which rebuilds the menu): delete the old actions later.
    for (QAction* old : menu_->actions()) {
        menu_->removeAction(old);
        old->deleteLater();
    }
    alternates_.clear();

    QAction* previous = nullptr;
    for (const MenuItem& item : items) {
        QAction* action = addItem(item);
        if (item.alternate && previous) alternates_.push_back({previous, action});
        if (item.kind != MenuItem::Kind::separator) previous = action;
    }
    reserveAlternateWidth();
    setAlternate(alternateShown_);
}

void TrayIcon::reserveAlternateWidth() {
    // The menu is placed for its width when it opens; an alternate wider than its item would
    // then grow it past the screen's edge. Measure with both shown and keep that width.
    menu_->setMinimumWidth(0);
    for (const Alternate& pair : alternates_) {
        pair.primary->setVisible(true);
        pair.alternate->setVisible(true);
    }
    menu_->setMinimumWidth(menu_->sizeHint().width());
}

QAction* TrayIcon::addItem(const MenuItem& item) {
    if (item.kind == MenuItem::Kind::separator) return menu_->addSeparator();

    auto* action = new QAction(actionText(item.displayText), menu_.get());
    action->setEnabled(item.enabled);
    action->setProperty(TrayMenuStyle::indentProperty, item.indent);
    switch (item.kind) {
    case MenuItem::Kind::header: {
        QFont font = menu_->font();
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * 0.85);
        else
            font.setPixelSize(std::max(1, font.pixelSize() * 85 / 100));
        font.setWeight(QFont::DemiBold);
        action->setFont(font);
        break;
    }
    case MenuItem::Kind::context: {
        const QColor dot = toQColor(item.dotColor);
        action->setProperty(TrayMenuStyle::dotProperty, dot);
        // The icon is what a StatusNotifierItem host shows; this menu's style draws the dot.
        action->setIcon(
            QIcon(colorDotImage(item.dotColor, 14, qApp ? qApp->devicePixelRatio() : 1.0)));
        action->setCheckable(true);
        action->setChecked(item.checked);
        break;
    }
    case MenuItem::Kind::command:
    case MenuItem::Kind::separator:
        break;
    }

    if (item.kind == MenuItem::Kind::context) {
        // Choosing an item toggles its check mark; the mark belongs to the model alone (an
        // unchanged model keeps this very action).
        connect(action, &QAction::triggered, this,
                [this, action, checked = item.checked, id = item.representedObject] {
                    action->setChecked(checked);
                    onActivate(id);
                });
    } else if (item.kind == MenuItem::Kind::command) {
        connect(action, &QAction::triggered, this, [this, item] { onCommand(item); });
    }
    menu_->addAction(action);
    return action;
}

void TrayIcon::menuAboutToShow() {
    onMenuWillOpen();
    setAlternate(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
}

void TrayIcon::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    // The right button opens the context menu by itself; the left one should too, as the
    // menu is all the icon offers.
    if (reason == QSystemTrayIcon::Trigger && !menu_->isVisible()) popup(QCursor::pos());
}

} // namespace morvelan
