#include "core/updater/ArchiveSafety.h"

#include <set>
#include <string>
#include <system_error>

namespace morvelan::ArchiveSafety {
namespace {

namespace fs = std::filesystem;

bool hasParentComponent(std::string_view name) {
    std::size_t start = 0;
    for (;;) {
        auto end = name.find_first_of("/\\", start);
        auto part = name.substr(start, end == std::string_view::npos ? end : end - start);
        if (part == "..") return true;
        if (end == std::string_view::npos) return false;
        start = end + 1;
    }
}

// Whether `path` is `root` or lies below it; both lexically normal and absolute.
bool within(const fs::path& path, const fs::path& root) {
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty()) continue; // the trailing "" of a root written with a final slash
        if (p == path.end() || *p != *r) return false;
    }
    return true;
}

std::string inQuotes(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

} // namespace

Result<void> checkEntries(std::string_view listing) {
    std::set<std::string> names;
    std::set<std::string> folders; // every folder some entry lies in
    std::size_t start = 0;
    while (start < listing.size()) {
        auto end = listing.find('\n', start);
        if (end == std::string_view::npos) end = listing.size();
        std::string_view name = listing.substr(start, end - start);
        start = end + 1;
        if (!name.empty() && name.back() == '\r') name.remove_suffix(1);
        if (name.empty()) continue;

        if (name.front() == '/' || name.front() == '\\')
            return failure("The update archive has an entry with an absolute path, " +
                           inQuotes(name) + ", and was not installed.");
        if (hasParentComponent(name))
            return failure("The update archive has an entry that leads outside its folder, " +
                           inQuotes(name) + ", and was not installed.");

        std::string key(name);
        while (!key.empty() && key.back() == '/')
            key.pop_back();
        if (!names.insert(key).second)
            return failure("The update archive lists " + inQuotes(key) +
                           " twice and was not installed.");
        for (auto slash = key.find('/'); slash != std::string::npos;
             slash = key.find('/', slash + 1))
            folders.insert(key.substr(0, slash));
    }
    // A name without a final "/" is a file or a link; nothing may be unpacked beneath it.
    for (std::size_t begin = 0; begin < listing.size();) {
        auto end = listing.find('\n', begin);
        if (end == std::string_view::npos) end = listing.size();
        std::string_view name = listing.substr(begin, end - begin);
        begin = end + 1;
        if (!name.empty() && name.back() == '\r') name.remove_suffix(1);
        if (name.empty() || name.back() == '/') continue;
        if (folders.count(std::string(name)))
            return failure("The update archive uses " + inQuotes(name) +
                           " both as a file and as a folder and was not installed.");
    }
    return success();
}

Result<void> checkLinks(const fs::path& root) {
    std::error_code ec;
    const auto realRoot = fs::canonical(root, ec);
    if (ec) return failure("Couldn't read " + root.string() + ": " + ec.message());

    fs::recursive_directory_iterator it(realRoot, fs::directory_options::none, ec);
    if (ec) return failure("Couldn't list " + root.string() + ": " + ec.message());
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) return failure("Couldn't list " + root.string() + ": " + ec.message());
        const auto& entry = *it;
        if (!entry.is_symlink(ec)) continue;
        const auto link = entry.path();
        const auto target = fs::read_symlink(link, ec);
        if (ec) return failure("Couldn't read the link " + link.string() + ": " + ec.message());

        const auto written = (link.parent_path() / target).lexically_normal();
        const auto resolved = fs::weakly_canonical(link, ec);
        if (ec || !within(written, realRoot) || !within(resolved, realRoot)) {
            auto shown = link.lexically_relative(realRoot).string();
            return failure("The update contains a link that points outside it, " + inQuotes(shown) +
                           " → " + inQuotes(target.string()) + ", and was not installed.");
        }
    }
    return success();
}

} // namespace morvelan::ArchiveSafety
