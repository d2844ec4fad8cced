// MenuView: the tray icon and its menu as the host draws them.
#pragma once

namespace morvelan {

struct MenuModel;

class MenuView {
public:
    virtual ~MenuView() = default;
    // Replaces the button and the whole menu with `model`. Main thread.
    virtual void rebuild(const MenuModel& model) = 0;
};

} // namespace morvelan
