// Defaults: the typed user-settings store. A bool stays a bool, an int an int.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace morvelan {

using DefaultValue = std::variant<bool, std::int64_t, double, std::string>;

class Defaults {
public:
    virtual ~Defaults() = default;
    // The stored value with its own type, or nothing when the key is absent.
    virtual std::optional<DefaultValue> get(std::string_view key) const = 0;
    virtual void set(std::string_view key, DefaultValue value) = 0;
    // False while the store exists but cannot be read: changes then stay in memory. Each call
    // tries again; once it reads, its values replace those changes.
    virtual bool readable() { return true; }
};

} // namespace morvelan
