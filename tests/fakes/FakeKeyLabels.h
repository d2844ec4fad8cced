// FakeKeyLabels: a keyboard layout given as a table of key labels.
#pragma once

#include "core/platform/KeyLabels.h"

#include <map>
#include <string>

namespace morvelan {

class FakeKeyLabels : public KeyLabels {
public:
    FakeKeyLabels(std::map<int, std::string> labels = {}) : labels_(std::move(labels)) {}
    std::string label(int keyCode) const override {
        auto it = labels_.find(keyCode);
        return it == labels_.end() ? std::string() : it->second;
    }

private:
    std::map<int, std::string> labels_;
};

} // namespace morvelan
