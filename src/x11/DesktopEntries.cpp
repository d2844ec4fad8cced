// DesktopEntries: application ids and names from the installed .desktop files.
#include "x11/DesktopEntries.h"

#include "x11/X11Text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unordered_set>

namespace morvelan {
namespace fs = std::filesystem;

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Undoes the escapes of a desktop-entry string value.
std::string unescape(std::string_view v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        switch (v[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += v[i];
            break;
        }
    }
    return x11text::validUtf8(out);
}

// The locale keys to try, most specific first: lang_COUNTRY@MOD, lang_COUNTRY, lang@MOD, lang.
std::vector<std::string> localeKeys(std::string_view locale) {
    std::string_view modifier;
    if (auto at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at);
        locale = locale.substr(0, at);
    }
    if (auto dot = locale.find('.'); dot != std::string_view::npos) locale = locale.substr(0, dot);
    std::string_view lang = locale;
    std::string_view country;
    if (auto us = locale.find('_'); us != std::string_view::npos) {
        lang = locale.substr(0, us);
        country = locale.substr(us);
    }
    std::vector<std::string> keys;
    if (lang.empty() || lang == "C" || lang == "POSIX") return keys;
    if (!country.empty() && !modifier.empty())
        keys.push_back(std::string(lang) + std::string(country) + std::string(modifier));
    if (!country.empty()) keys.push_back(std::string(lang) + std::string(country));
    if (!modifier.empty()) keys.push_back(std::string(lang) + std::string(modifier));
    keys.push_back(std::string(lang));
    return keys;
}

std::optional<std::string> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string envOr(const char* name, std::string fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

} // namespace

DesktopEntries::DesktopEntries(std::vector<std::string> dataDirs, std::string locale)
    : locale_(std::move(locale)) {
    for (const auto& dir : dataDirs)
        load(dir + "/applications", "");
}

DesktopEntries DesktopEntries::fromEnvironment() {
    std::vector<std::string> dirs;
    const std::string home = envOr("HOME", "");
    std::string dataHome = envOr("XDG_DATA_HOME", "");
    if (dataHome.empty() && !home.empty()) dataHome = home + "/.local/share";
    if (!dataHome.empty()) dirs.push_back(dataHome);
    std::stringstream list(envOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
    for (std::string dir; std::getline(list, dir, ':');)
        if (!dir.empty()) dirs.push_back(dir);
    std::string locale = envOr("LC_ALL", "");
    if (locale.empty()) locale = envOr("LC_MESSAGES", "");
    if (locale.empty()) locale = envOr("LANG", "");
    return DesktopEntries(std::move(dirs), std::move(locale));
}

void DesktopEntries::load(const std::string& appsDir, const std::string& prefix) {
    std::error_code ec;
    std::vector<fs::directory_entry> items;
    for (fs::directory_iterator it(appsDir, ec), end; !ec && it != end; it.increment(ec))
        items.push_back(*it);
    // A stable order, so which of two clashing files wins never depends on the file system.
    std::sort(items.begin(), items.end(),
              [](const auto& a, const auto& b) { return a.path() < b.path(); });
    for (const auto& item : items) {
        const std::string fileName = item.path().filename().string();
        if (item.is_directory(ec)) {
            load(item.path().string(), prefix + fileName + "-");
            continue;
        }
        constexpr std::string_view suffix = ".desktop";
        if (fileName.size() <= suffix.size() ||
            fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        std::string id = prefix + fileName.substr(0, fileName.size() - suffix.size());
        if (byId_.count(id) || masked_.count(id)) continue;
        auto text = readFile(item.path());
        if (!text) continue;
        auto entry = parse(*text, id, locale_);
        if (!entry) {
            // A hidden entry deletes the same id in less important folders.
            masked_.insert(id);
            continue;
        }
        const std::size_t index = entries_.size();
        byId_.emplace(id, index);
        byLowerId_.emplace(asciiLower(id), index);
        if (!entry->startupWMClass.empty()) byWMClass_.emplace(entry->startupWMClass, index);
        entries_.push_back(std::move(*entry));
    }
}

std::optional<DesktopEntry> DesktopEntries::parse(std::string_view text, std::string id,
                                                  std::string_view locale) {
    DesktopEntry entry;
    entry.id = std::move(id);
    const auto keys = localeKeys(locale);
    std::size_t bestRank = keys.size() + 1; // rank of the Name found so far; lower is better
    bool inMain = false;
    bool application = true;
    bool hidden = false;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        if (!inMain) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, eq));
        const std::string_view value = trim(line.substr(eq + 1));
        if (key == "Type") {
            application = value == "Application";
        } else if (key == "Hidden") {
            hidden = value == "true";
        } else if (key == "StartupWMClass") {
            entry.startupWMClass = unescape(value);
        } else if (key == "Icon") {
            entry.icon = unescape(value);
        } else if (key == "Name") {
            if (bestRank > keys.size()) {
                entry.name = unescape(value);
                bestRank = keys.size();
            }
        } else if (key.size() > 6 && key.substr(0, 5) == "Name[" && key.back() == ']') {
            const std::string_view loc = key.substr(5, key.size() - 6);
            for (std::size_t rank = 0; rank < keys.size() && rank < bestRank; ++rank) {
                if (keys[rank] == loc) {
                    entry.name = unescape(value);
                    bestRank = rank;
                    break;
                }
            }
        }
    }
    if (hidden || !application) return std::nullopt;
    return entry;
}

const DesktopEntry* DesktopEntries::byId(std::string_view id) const {
    constexpr std::string_view suffix = ".desktop";
    if (id.size() > suffix.size() && id.substr(id.size() - suffix.size()) == suffix)
        id.remove_suffix(suffix.size());
    if (id.empty()) return nullptr;
    if (auto it = byId_.find(std::string(id)); it != byId_.end()) return &entries_[it->second];
    if (auto it = byLowerId_.find(asciiLower(id)); it != byLowerId_.end())
        return &entries_[it->second];
    return nullptr;
}

const DesktopEntry* DesktopEntries::byStartupWMClass(std::string_view wmClass,
                                                     std::string_view instance) const {
    for (std::string_view name : {wmClass, instance}) {
        if (name.empty()) continue;
        if (auto it = byWMClass_.find(std::string(name)); it != byWMClass_.end())
            return &entries_[it->second];
    }
    return nullptr;
}

const DesktopEntry* DesktopEntries::byFileName(std::string_view wmClass,
                                               std::string_view instance) const {
    for (std::string_view name : {wmClass, instance}) {
        if (name.empty()) continue;
        if (auto it = byLowerId_.find(asciiLower(name)); it != byLowerId_.end())
            return &entries_[it->second];
    }
    return nullptr;
}

std::string asciiLower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

} // namespace morvelan
