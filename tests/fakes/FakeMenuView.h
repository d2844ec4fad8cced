// FakeMenuView: a MenuView that keeps every model it was given.
#pragma once

#include "core/menubar/MenuModel.h"
#include "core/menubar/MenuView.h"

#include <vector>

namespace morvelan {

class FakeMenuView : public MenuView {
public:
    void rebuild(const MenuModel& model) override { models.push_back(model); }

    const MenuModel& last() const { return models.back(); }
    std::size_t rebuilds() const { return models.size(); }

    std::vector<MenuModel> models;
};

} // namespace morvelan
