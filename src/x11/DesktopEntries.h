// DesktopEntries: application ids and names from the installed .desktop files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace morvelan {

struct DesktopEntry {
    std::string id;             // desktop file id without ".desktop" ("org.gnome.Nautilus")
    std::string name;           // Name, localised when the locale has a translation
    std::string startupWMClass; // StartupWMClass, "" when absent
    std::string icon;           // Icon: a theme icon name or an absolute path, "" when absent
};

class DesktopEntries {
public:
    // Reads every `applications` folder below `dataDirs`, most important first (a file id
    // found earlier hides the same id later). `locale` is like "de_DE.UTF-8" or "".
    DesktopEntries(std::vector<std::string> dataDirs, std::string locale);
    // $XDG_DATA_HOME (or ~/.local/share) then $XDG_DATA_DIRS (or /usr/local/share:/usr/share),
    // with the locale of LC_ALL / LC_MESSAGES / LANG.
    static DesktopEntries fromEnvironment();

    // The entry with this file id (".desktop" optional); exact, then ignoring case.
    const DesktopEntry* byId(std::string_view id) const;
    // The entry whose StartupWMClass equals the WM_CLASS class or instance.
    const DesktopEntry* byStartupWMClass(std::string_view wmClass, std::string_view instance) const;
    // The entry whose file id equals the WM_CLASS class or instance, ignoring case.
    const DesktopEntry* byFileName(std::string_view wmClass, std::string_view instance) const;

    std::size_t size() const { return entries_.size(); }

    // Parses one .desktop file's text; absent for hidden entries and non-applications.
    static std::optional<DesktopEntry> parse(std::string_view text, std::string id,
                                             std::string_view locale);

private:
    void load(const std::string& appsDir, const std::string& prefix);

    std::string locale_;
    std::vector<DesktopEntry> entries_;
    std::unordered_map<std::string, std::size_t> byId_;      // exact id
    std::unordered_map<std::string, std::size_t> byLowerId_; // lower-case id
    std::unordered_map<std::string, std::size_t> byWMClass_; // exact StartupWMClass
    std::unordered_set<std::string> masked_;                 // ids deleted by a Hidden entry
};

// `s` with A-Z in lower case: desktop file ids and WM_CLASS compare this way.
std::string asciiLower(std::string_view s);

} // namespace morvelan
