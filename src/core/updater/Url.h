// Url: the little URL parsing the updater needs to decide which addresses it may talk to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvelan {

struct Url {
    std::string scheme; // lower case
    std::string host;   // lower case; an IPv6 address without its brackets
    std::optional<int> port;
    std::string rest; // path, query and fragment, as written

    // An absolute URL "scheme://host[:port][/…]". Refuses user information ("a@b"), spaces
    // and control characters, and hosts other than names, dotted IPv4 and bracketed IPv6, so
    // the host read here is the one any other parser would connect to.
    static std::optional<Url> parse(std::string_view text);

    // 127.0.0.0/8 in plain dotted form, ::1, or "localhost".
    bool hasLoopbackHost() const;

    // What the updater may fetch: https anywhere, plain http only on this machine.
    static bool isAllowedForUpdates(std::string_view text);
};

} // namespace morvelan
