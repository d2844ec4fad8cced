// XdgAutostart: the login item of a freedesktop session, an autostart desktop entry.
#pragma once

#include "core/platform/LoginItem.h"

#include <filesystem>

namespace morvelan {

class XdgAutostart : public LoginItem {
public:
    // `entry` is usually $XDG_CONFIG_HOME/autostart/morvelan.desktop; `executable` the
    // program to start (the running one).
    XdgAutostart(std::filesystem::path entry, std::filesystem::path executable);

    // The entry exists and is not hidden.
    bool enabled() const override;
    Result<void> enable() override;
    Result<void> disable() override;

    // The running program, from /proc/self/exe.
    static std::filesystem::path runningExecutable();

private:
    std::filesystem::path entry_;
    std::filesystem::path executable_;
};

} // namespace morvelan
