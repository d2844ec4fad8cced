// Uuid: identity of contexts and workspaces; written as 36 upper-case characters.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvelan {

struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    // A new random (version 4) id.
    static Uuid random();
    // Canonical 8-4-4-4-12 form, either case.
    static std::optional<Uuid> parse(std::string_view text);
    // Canonical form in upper case.
    std::string str() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;
};

} // namespace morvelan

template <> struct std::hash<morvelan::Uuid> {
    std::size_t operator()(const morvelan::Uuid& id) const noexcept {
        std::size_t h = 1469598103934665603ull;
        for (auto b : id.bytes)
            h = (h ^ b) * 1099511628211ull;
        return h;
    }
};
