// MemoryDefaults: a Defaults held in a map.
#pragma once

#include "core/platform/Defaults.h"

#include <map>

namespace morvelan {

class MemoryDefaults : public Defaults {
public:
    std::optional<DefaultValue> get(std::string_view key) const override {
        auto it = values.find(std::string(key));
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void set(std::string_view key, DefaultValue value) override {
        values[std::string(key)] = std::move(value);
    }
    bool readable() override { return !unreadable; }
    std::map<std::string, DefaultValue> values;
    bool unreadable = false;
};

} // namespace morvelan
