#include "core/updater/BundleInfo.h"

#include <nlohmann/json.hpp>

namespace morvelan {

BundleInfo BundleInfo::load(Files& files, const std::filesystem::path& executable,
                            std::string_view builtVersion) {
    const auto folder = executable.parent_path();
    const auto infoFile = folder / "Info.json";
    BundleInfo info;
    if (!files.exists(infoFile)) {
        info.version = std::string(builtVersion);
        info.devBuild = true;
        return info;
    }
    if (folder.extension() == ".app") info.bundle = folder;

    auto text = files.read(infoFile);
    if (!text) return info;
    try {
        auto json = nlohmann::json::parse(*text);
        if (!json.is_object()) return info;
        if (auto v = json.find("CFBundleShortVersionString"); v != json.end() && v->is_string())
            info.version = v->get<std::string>();
        if (auto d = json.find("MorvelanDevBuild"); d != json.end() && d->is_boolean())
            info.devBuild = d->get<bool>();
    } catch (const nlohmann::json::exception&) {
        // An unreadable Info.json leaves the defaults.
    }
    return info;
}

} // namespace morvelan
