// HotkeyConfig: the bindings in force and the hotkeys.json file they are loaded from and saved to.
#pragma once

#include "core/hotkeys/KeyBind.h"
#include "core/platform/Files.h"
#include "core/platform/Result.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace morvelan {

using Bindings = std::map<HotkeyAction, KeyBind>;

class HotkeyConfig {
public:
    // Creates the program's folder (a failure is ignored) and loads the file: the built-in
    // bindings, overridden by every stored binding that holds at least one modifier.
    explicit HotkeyConfig(Files& files);

    HotkeyConfig(const HotkeyConfig&) = delete;
    HotkeyConfig& operator=(const HotkeyConfig&) = delete;

    // Super+Tab for the switcher, Alt+Tab for the confined switcher.
    static const Bindings& defaults();

    // The file's format: one array alternating an action's string value and its binding
    // object {"keyCode": int, "mods": unsigned}. Nothing for anything else; a later pair of
    // the same action wins.
    static std::optional<Bindings> decode(std::string_view bytes);
    static std::string encode(const Bindings& bindings);

    // Writes `bindings` to `url` atomically; the settings' recorder ignores the result.
    Result<void> save();

    // The bindings in force; written by the settings' recorder, which then calls save().
    Bindings bindings;
    // hotkeys.json in the program's folder.
    const std::filesystem::path url;

private:
    void load();

    Files& files_;
};

} // namespace morvelan
