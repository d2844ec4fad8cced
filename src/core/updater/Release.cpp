#include "core/updater/Release.h"

#include "core/updater/Url.h"

#include <nlohmann/json.hpp>

namespace morvelan {

std::optional<Release> Release::fromManifest(std::string_view body) {
    nlohmann::json manifest;
    try {
        manifest = nlohmann::json::parse(body);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    if (!manifest.is_object()) return std::nullopt;
    auto version = manifest.find("version");
    auto url = manifest.find("url");
    if (version == manifest.end() || url == manifest.end()) return std::nullopt;
    if (!version->is_string() || !url->is_string()) return std::nullopt;

    Release release{version->get<std::string>(), url->get<std::string>(), {}};
    if (auto signature = manifest.find("signature"); signature != manifest.end()) {
        if (!signature->is_string()) return std::nullopt;
        release.signature = signature->get<std::string>();
    }
    if (!Url::isAllowedForUpdates(release.asset)) return std::nullopt;
    if (!release.version.empty() && release.version.front() == 'v') release.version.erase(0, 1);
    return release;
}

} // namespace morvelan
