// Release: the newest version named by the release manifest, and where its archive lives.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvelan {

struct Release {
    std::string version; // without a leading "v"
    std::string asset;   // URL of the zip archive
    // The archive's Ed25519 signature as hex; "" when the manifest gives none.
    std::string signature;

    // The release named by a manifest body: a JSON object whose "version" and "url" are
    // strings, "url" being an address the updater may fetch (see Url::isAllowedForUpdates),
    // and "signature", when present, a string.
    // Other keys are ignored; anything else gives no release.
    static std::optional<Release> fromManifest(std::string_view body);

    friend bool operator==(const Release&, const Release&) = default;
};

} // namespace morvelan
