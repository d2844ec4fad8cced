// Settings: typed access to the seven stored user settings and the launch-at-login default.
#pragma once

#include "core/platform/Defaults.h"
#include "core/platform/LoginItem.h"
#include "core/platform/SystemLog.h"

#include <cstdint>
#include <string_view>

namespace morvelan {

class Settings {
public:
    // The complete list of stored keys; nothing else is read or written.
    static constexpr std::string_view hasSeenIntroKey = "hasSeenIntro";
    static constexpr std::string_view raiseContextKey = "raiseContext";
    static constexpr std::string_view switcherShowAllKey = "switcherShowAll";
    static constexpr std::string_view autoSwitchKey = "autoSwitch";
    static constexpr std::string_view autoUpdateKey = "autoUpdate";
    static constexpr std::string_view switcherDelayMsKey = "switcherDelayMs";
    static constexpr std::string_view launchAtLoginConfiguredKey = "launchAtLoginConfigured";

    static constexpr int defaultSwitcherDelayMs = 65;

    Settings(Defaults& defaults, LoginItem& loginItem, SystemLog& log)
        : defaults_(defaults), loginItem_(loginItem), log_(log) {}

    // Plain flags, read as a plain boolean read does: a non-zero number, or "true", "yes" or
    // "1" in any case, is true; anything else, or nothing, is false.
    bool hasSeenIntro() const { return flag(hasSeenIntroKey); }
    void setHasSeenIntro(bool on) { defaults_.set(hasSeenIntroKey, on); }
    bool raiseContext() const { return flag(raiseContextKey); }
    void setRaiseContext(bool on) { defaults_.set(raiseContextKey, on); }
    bool switcherShowAll() const { return flag(switcherShowAllKey); }
    void setSwitcherShowAll(bool on) { defaults_.set(switcherShowAllKey, on); }
    bool launchAtLoginConfigured() const { return flag(launchAtLoginConfiguredKey); }
    void setLaunchAtLoginConfigured(bool on) { defaults_.set(launchAtLoginConfiguredKey, on); }

    // Typed reads: a missing value or one of another type gives the default (true, false, 65).
    bool autoSwitch() const { return flagOr(autoSwitchKey, true); }
    void setAutoSwitch(bool on) { defaults_.set(autoSwitchKey, on); }
    // Off until the user turns it on: a check talks to a server.
    bool autoUpdate() const { return flagOr(autoUpdateKey, false); }
    void setAutoUpdate(bool on) { defaults_.set(autoUpdateKey, on); }
    // An integer beyond the range of int reads as the nearest int.
    int switcherDelayMs() const;
    void setSwitcherDelayMs(int ms) { defaults_.set(switcherDelayMsKey, std::int64_t{ms}); }

    // Launch at login is the login item's state, not a stored key.
    bool launchAtLogin() const { return loginItem_.enabled(); }
    // Registers or unregisters the login item when its state differs; a failure is logged.
    void setLaunchAtLogin(bool on);
    // Turns launch at login on once, the first time it can be registered; never again after.
    void applyLaunchAtLoginDefault();

private:
    bool flag(std::string_view key) const;
    bool flagOr(std::string_view key, bool fallback) const;

    Defaults& defaults_;
    LoginItem& loginItem_;
    SystemLog& log_;
};

} // namespace morvelan
