#include "core/updater/Url.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace morvelan {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    for (;;) {
        auto at = s.find(sep);
        parts.push_back(s.substr(0, at));
        if (at == std::string_view::npos) return parts;
        s.remove_prefix(at + 1);
    }
}

// Four decimal octets 0–255 without leading zeros, which some parsers read as octal.
std::optional<int> ipv4FirstOctet(std::string_view host) {
    auto parts = split(host, '.');
    if (parts.size() != 4) return std::nullopt;
    int first = -1;
    for (auto p : parts) {
        if (p.empty() || p.size() > 3 || !std::all_of(p.begin(), p.end(), isDigit))
            return std::nullopt;
        if (p.size() > 1 && p[0] == '0') return std::nullopt;
        int v = std::stoi(std::string(p));
        if (v > 255) return std::nullopt;
        if (first < 0) first = v;
    }
    return first;
}

bool validHostName(std::string_view host) {
    if (host.empty() || host.size() > 253) return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return isAsciiLetter(c) || isDigit(c) || c == '-' || c == '.';
    });
}

bool validIpv6(std::string_view host) {
    if (host.size() < 2) return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f') || c == ':' || c == '.';
    });
}

} // namespace

std::optional<Url> Url::parse(std::string_view text) {
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f || c == '\\') return std::nullopt;
    }
    auto sep = text.find("://");
    if (sep == std::string_view::npos || sep == 0 || !isAsciiLetter(text[0])) return std::nullopt;
    auto scheme = text.substr(0, sep);
    if (!std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return isAsciiLetter(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
        }))
        return std::nullopt;

    auto afterScheme = text.substr(sep + 3);
    auto authorityEnd = afterScheme.find_first_of("/?#");
    auto authority = afterScheme.substr(0, authorityEnd);
    Url url;
    url.scheme = lowered(scheme);
    url.rest = authorityEnd == std::string_view::npos ? "" : afterScheme.substr(authorityEnd);
    if (authority.find('@') != std::string_view::npos) return std::nullopt;

    std::string_view hostPart = authority;
    std::string_view portPart;
    bool hasPort = false;
    if (!authority.empty() && authority.front() == '[') {
        auto close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        hostPart = authority.substr(1, close - 1);
        auto after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return std::nullopt;
            portPart = after.substr(1);
            hasPort = true;
        }
        if (!validIpv6(hostPart)) return std::nullopt;
    } else {
        auto colon = authority.find(':');
        if (colon != std::string_view::npos) {
            hostPart = authority.substr(0, colon);
            portPart = authority.substr(colon + 1);
            hasPort = true;
        }
        if (!validHostName(hostPart)) return std::nullopt;
    }
    if (hasPort) {
        if (portPart.empty() || portPart.size() > 5 ||
            !std::all_of(portPart.begin(), portPart.end(), isDigit))
            return std::nullopt;
        int port = std::stoi(std::string(portPart));
        if (port < 1 || port > 65535) return std::nullopt;
        url.port = port;
    }
    url.host = lowered(hostPart);
    return url;
}

bool Url::hasLoopbackHost() const {
    if (host == "localhost" || host == "::1" || host == "0:0:0:0:0:0:0:1") return true;
    return ipv4FirstOctet(host) == 127;
}

bool Url::isAllowedForUpdates(std::string_view text) {
    auto url = parse(text);
    if (!url) return false;
    if (url->scheme == "https") return true;
    return url->scheme == "http" && url->hasLoopbackHost();
}

} // namespace morvelan
