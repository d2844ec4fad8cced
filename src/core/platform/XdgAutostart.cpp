#include "core/platform/XdgAutostart.h"

#include "core/platform/PosixFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace morvelan {
namespace {

// Desktop-entry Exec quoting: double quotes around the path with the four reserved
// characters backslash-escaped; then the string escaping of the file doubles every backslash.
// A "%" would start a field code, quoted or not: it is written "%%".
std::string quoteExec(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '%') out += '%';
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += "\\\\";
        if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out + "\"";
}

// Desktop-entry string escaping, for TryExec (which is not quoted like Exec).
std::string escapeString(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

// The value of `key` on an entry line ("Key = value"), or "" when the line has another key.
std::string entryValue(const std::string& line, std::string_view key) {
    const auto trimmed = [](std::string_view s) {
        const auto first = s.find_first_not_of(" \t");
        return first == s.npos ? std::string_view()
                               : s.substr(first, s.find_last_not_of(" \t") - first + 1);
    };
    const auto eq = line.find('=');
    if (eq == std::string::npos || trimmed(std::string_view(line).substr(0, eq)) != key) return {};
    return std::string(trimmed(std::string_view(line).substr(eq + 1)));
}

} // namespace

XdgAutostart::XdgAutostart(std::filesystem::path entry, std::filesystem::path executable)
    : entry_(std::move(entry)), executable_(std::move(executable)) {}

bool XdgAutostart::enabled() const {
    std::ifstream in(entry_);
    if (!in) return false;
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && (entryValue(line, "Hidden") == "true" ||
                             entryValue(line, "X-GNOME-Autostart-enabled") == "false"))
            return false;
    }
    return true;
}

Result<void> XdgAutostart::enable() {
    PosixFiles files(entry_.parent_path());
    if (auto made = files.createDirectories(entry_.parent_path()); !made) return made.error();
    // With TryExec the session skips an entry left behind when the program is removed (by its
    // package, say): nothing in the user's home has to go with it.
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=Morvelan\n"
         << "Comment=Switch windows by context\n"
         << "Exec=" << quoteExec(executable_.string()) << "\n"
         << "TryExec=" << escapeString(executable_.string()) << "\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    return files.writeAtomic(entry_, text.str());
}

Result<void> XdgAutostart::disable() {
    std::error_code ec;
    std::filesystem::remove(entry_, ec);
    if (ec) return failure(ec.message());
    return success();
}

std::filesystem::path XdgAutostart::runningExecutable() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("morvelan") : path;
}

} // namespace morvelan
