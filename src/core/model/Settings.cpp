// Settings: typed reads of the stored user settings and the launch-at-login default.
#include "core/model/Settings.h"

#include "core/model/TextCase.h"

#include <limits>
#include <string>
#include <type_traits>

namespace morvelan {

bool Settings::flagOr(std::string_view key, bool fallback) const {
    auto value = defaults_.get(key);
    if (!value) return fallback;
    if (const bool* b = std::get_if<bool>(&*value)) return *b;
    return fallback;
}

bool Settings::flag(std::string_view key) const {
    auto value = defaults_.get(key);
    if (!value) return false;
    return std::visit(
        [](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return equalsIgnoringCase(v, "true") || equalsIgnoringCase(v, "yes") || v == "1";
            } else {
                return v != T{};
            }
        },
        *value);
}

int Settings::switcherDelayMs() const {
    auto value = defaults_.get(switcherDelayMsKey);
    if (!value) return defaultSwitcherDelayMs;
    const std::int64_t* ms = std::get_if<std::int64_t>(&*value);
    if (!ms) return defaultSwitcherDelayMs;
    if (*ms > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (*ms < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(*ms);
}

void Settings::setLaunchAtLogin(bool on) {
    const bool enabled = loginItem_.enabled();
    if (on == enabled) return;
    Result<void> result = on ? loginItem_.enable() : loginItem_.disable();
    if (!result)
        log_.log(std::string("launchAtLogin=") + (on ? "true" : "false") +
                 " failed: " + result.error().message);
}

void Settings::applyLaunchAtLoginDefault() {
    if (launchAtLoginConfigured()) return;
    setLaunchAtLogin(true);
    // Only a registration that took counts; a failed one is tried again at the next launch.
    if (loginItem_.enabled()) setLaunchAtLoginConfigured(true);
}

} // namespace morvelan
