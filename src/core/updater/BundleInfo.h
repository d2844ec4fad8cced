// BundleInfo: what the running program knows about itself — version, development build, and the
// Morvelan.app folder it runs from.
#pragma once

#include "core/platform/Files.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvelan {

struct BundleInfo {
    std::string version = "0";
    // Development builds never check for updates on their own.
    bool devBuild = false;
    // The ".app" folder holding the executable; absent when the program does not run from one
    // (a build tree, a distribution package), so it cannot replace itself.
    std::optional<std::filesystem::path> bundle;

    // Reads Info.json beside `executable`: "CFBundleShortVersionString" (a string, else "0")
    // and "MorvelanDevBuild" (a boolean, else false). Without Info.json the program runs from
    // its build tree: a development build of `builtVersion`.
    static BundleInfo load(Files& files, const std::filesystem::path& executable,
                           std::string_view builtVersion);
};

} // namespace morvelan
