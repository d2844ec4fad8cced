// FakeSwitcherPanel: a SwitcherPanel that only remembers whether it is shown and what it was told.
#pragma once

#include "core/switcher/SwitcherPanel.h"

#include <string>
#include <utility>
#include <vector>

namespace morvelan {

class FakeSwitcherPanel : public SwitcherPanel {
public:
    void setView(SwitcherView* v) override { view = v; }
    void show() override {
        ++shows;
        shown = true;
    }
    void hide() override {
        ++hides;
        shown = false;
        if (actions) actions->push_back("hide panel");
    }
    bool isVisible() const override { return shown; }
    void setFrame(const Rect& frame) override { frames.push_back(frame); }
    void redraw() override { ++redraws; }
    void prepare(const Rect& frame, const DrawList& list) override {
        prepared.emplace_back(frame, list);
    }

    SwitcherView* view = nullptr;
    std::vector<std::string>* actions = nullptr; // where hide() is told, when set
    bool shown = false;
    int shows = 0;
    int hides = 0;
    int redraws = 0;
    std::vector<Rect> frames;
    std::vector<std::pair<Rect, DrawList>> prepared;
};

} // namespace morvelan
