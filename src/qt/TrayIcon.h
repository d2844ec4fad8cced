// TrayIcon: the program's tray icon and its menu, drawn from the menu model.
#pragma once

#include "core/menubar/MenuModel.h"
#include "core/menubar/MenuView.h"
#include "qt/TrayMenuStyle.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace morvelan {

class MenuBarController;

// One QSystemTrayIcon for the life of the program. The icon is the drawn stack in the active
// context's colour (grey without one) or the yellow warning triangle; the tooltip names the
// context, the warning, or the program. Clicking the icon (either button) opens the menu.
//
// On X11 a menu cannot swap an item while a modifier is held the way the macOS menu bar does,
// so the alternate item ("Dump Windows to Log (debug)" for "Settings…") is chosen when the menu
// opens, from the keyboard state then, and follows the Alt key while the menu is open.
//
// Main thread only.
class TrayIcon : public QObject, public MenuView {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Just before the menu opens (MenuBarController::menuWillOpen: fresh counts, rebuild).
    std::function<void()> onMenuWillOpen = [] {};
    // A context item was chosen, with its context id as UUID text (MenuBarController::activate).
    std::function<void(const std::string& idText)> onActivate = [](const std::string&) {};
    // Any other item was chosen (MenuBarController::trigger).
    std::function<void(const MenuItem& item)> onCommand = [](const MenuItem&) {};

    // Connects the three callbacks above to `controller`, which must outlive this icon's use.
    void attach(MenuBarController& controller);

    // MenuView: replaces the icon, the tooltip and the whole menu.
    void rebuild(const MenuModel& model) override;

    // Puts the icon into the tray (it appears whenever a tray host is or becomes available).
    void show();

    // Opens the menu at `screenPos`, as clicking the icon does.
    void popup(const QPoint& screenPos);

    // Shows each alternate item in place of the item before it (true), or the reverse.
    void setAlternate(bool on);
    bool alternateShown() const { return alternateShown_; }

    QMenu* menu() const { return menu_.get(); }
    QSystemTrayIcon& trayIcon() { return tray_; }
    const MenuModel& model() const { return model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButton(const MenuButton& button);
    void rebuildMenu(const std::vector<MenuItem>& items);
    QAction* addItem(const MenuItem& item);
    void reserveAlternateWidth();
    void menuAboutToShow();
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    // An item and the one it takes the place of while Alt is held.
    struct Alternate {
        QAction* primary = nullptr;
        QAction* alternate = nullptr;
    };

    // The style is declared before the menu that uses it, so it outlives it.
    std::unique_ptr<TrayMenuStyle> style_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon tray_;
    MenuModel model_;
    bool drawn_ = false; // model_ has been shown at least once
    std::vector<Alternate> alternates_;
    bool alternateShown_ = false;
};

} // namespace morvelan
