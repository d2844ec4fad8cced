// The install half of the Updater: unpacking a downloaded archive and swapping bundles.
#include "core/updater/ArchiveSafety.h"
#include "core/updater/Updater.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

constexpr const char* unzip = "/usr/bin/unzip";
constexpr const char* copy = "/bin/cp";
constexpr const char* executableName = "morvelan";

// A private folder made with mkdtemp, removed with everything in it when the swap ends.
class TemporaryFolder {
public:
    static Result<TemporaryFolder> make(const fs::path& root) {
        std::error_code ec;
        fs::create_directories(root, ec);
        if (ec) return failure("Couldn't create " + root.string() + ": " + ec.message());
        std::string pattern = (root / "morvelan-update-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return failure("Couldn't create a folder in " + root.string() + ": " +
                           std::strerror(errno));
        return TemporaryFolder(pattern);
    }
    TemporaryFolder(TemporaryFolder&& other) noexcept : path_(std::exchange(other.path_, {})) {}
    TemporaryFolder& operator=(TemporaryFolder&&) = delete;
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    explicit TemporaryFolder(fs::path path) : path_(std::move(path)) {}
    fs::path path_;
};

fs::path systemTemporaryFolder() {
    std::error_code ec;
    auto dir = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : dir;
}

// The first folder (by name) whose extension is exactly ".app".
std::optional<fs::path> findBundle(const fs::path& dir, std::error_code& ec) {
    std::vector<fs::path> bundles;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->path().extension() == ".app" && it->is_directory(typeError) &&
            !it->is_symlink(typeError))
            bundles.push_back(it->path());
    }
    if (ec || bundles.empty()) return std::nullopt;
    return *std::min_element(bundles.begin(), bundles.end());
}

Error moveError(const fs::path& from, const fs::path& to, const std::error_code& ec) {
    return failure("Couldn't move " + from.string() + " to " + to.string() + ": " + ec.message());
}

} // namespace

Result<void> Updater::swapIn(const fs::path& downloaded) {
    if (!options_.bundle.bundle) return failure(notInBundleText);
    const fs::path app = *options_.bundle.bundle;
    const fs::path parent = app.parent_path();

    auto temp = TemporaryFolder::make(options_.tempRoot.empty() ? systemTemporaryFolder()
                                                                : options_.tempRoot);
    if (!temp) return temp.error();
    const fs::path& dir = temp->path();

    // Nothing is unpacked before every entry is known to stay inside the folder.
    if (auto entries = ArchiveSafety::checkEntries(capture(unzip, {"-Z1", downloaded.string()}));
        !entries)
        return entries;
    if (run(unzip, {"-q", downloaded.string(), "-d", dir.string()}) != 0)
        return failure(std::string(unzip) + " failed");
    if (auto links = ArchiveSafety::checkLinks(dir); !links) return links;

    std::error_code ec;
    auto bundle = findBundle(dir, ec);
    if (ec) return failure("Couldn't list " + dir.string() + ": " + ec.message());
    if (!bundle) return failure("archive had no .app");
    // A bundle that cannot start would leave the user with no Morvelan at all.
    if (!fs::is_regular_file(*bundle / executableName, ec))
        return failure("The update's " + bundle->filename().string() + " has no " + executableName +
                       " program, so it was not installed.");

    const fs::path staged = parent / ".Morvelan.update.app";
    const fs::path old = parent / ".Morvelan.old.app";
    fs::remove_all(staged, ec);
    fs::remove_all(old, ec);

    if (run(copy, {"-a", bundle->string(), staged.string()}) != 0) {
        fs::remove_all(staged, ec);
        return failure(std::string(copy) + " failed");
    }
    // The staged program must start before the running bundle is given up: one without its
    // execute bit, or one this machine cannot run, would leave no Morvelan that starts.
    if (run(staged / executableName, {"--version"}) != 0) {
        fs::remove_all(staged, ec);
        return failure("The update's " + std::string(executableName) +
                       " program does not start, so it was not installed.");
    }

    fs::rename(app, old, ec);
    if (ec) {
        auto error = moveError(app, old, ec);
        fs::remove_all(staged, ec);
        return error;
    }
    fs::rename(staged, app, ec);
    if (ec) {
        auto error = moveError(staged, app, ec);
        // Put the running version back so Morvelan still starts next time.
        std::error_code restore;
        fs::rename(old, app, restore);
        if (restore)
            error.message += " (the previous version is kept at " + old.string() + ")";
        else
            fs::remove_all(staged, restore);
        return error;
    }
    fs::remove_all(old, ec);

    if (auto started = processes_.startDetached(app / executableName, options_.relaunchArguments);
        !started)
        return started;
    if (options_.quit) options_.quit();
    return success();
}

} // namespace morvelan
