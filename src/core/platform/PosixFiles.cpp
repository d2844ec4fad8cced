#include "core/platform/PosixFiles.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvelan {
namespace {

Error errnoError(const std::string& what) {
    return failure(what + ": " + std::strerror(errno));
}

std::filesystem::path home() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::filesystem::path xdg(const char* variable, const char* fallback) {
    // Relative values are invalid by the XDG rules and ignored.
    if (const char* v = std::getenv(variable); v && *v == '/') return v;
    return home() / fallback;
}

// Closes a descriptor on every path out.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// The file a path names once symbolic links are followed (a dotfiles folder), so that a write
// replaces the link's target, not the link. A path that is no link is its own target.
std::filesystem::path linkTarget(std::filesystem::path file) {
    for (int hops = 0; hops < 40; ++hops) { // the kernel's own limit on nested links
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec))) break;
        auto next = std::filesystem::read_symlink(file, ec);
        if (ec) break;
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
    return file;
}

} // namespace

std::filesystem::path PosixFiles::dataHomeFolder() {
    return xdg("XDG_DATA_HOME", ".local/share") / "Morvelan";
}

std::filesystem::path PosixFiles::configHome() {
    return xdg("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path PosixFiles::configHomeFolder() {
    return configHome() / "Morvelan";
}

Result<void> PosixFiles::createDirectories(const std::filesystem::path& dir) {
    // Built one level at a time so every folder we create is private (0700).
    std::filesystem::path partial;
    for (const auto& part : dir) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return errnoError("mkdir " + partial.string());
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return failure(dir.string() + " is not a folder");
    return success();
}

bool PosixFiles::exists(const std::filesystem::path& path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

Result<std::string> PosixFiles::read(const std::filesystem::path& file) {
    // Non-blocking, so a FIFO in the file's place cannot hold up the open.
    Fd in{::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (in.fd < 0) {
        const bool absent = errno == ENOENT;
        Error error = errnoError("open " + file.string());
        error.notFound = absent;
        return error;
    }
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) return errnoError("stat " + file.string());
    if (!S_ISREG(st.st_mode)) return failure(file.string() + " is not a regular file");
    const auto tooLarge = [&] { return failure(file.string() + " is larger than 50 MB"); };
    if (static_cast<std::uintmax_t>(st.st_size) > maxReadBytes) return tooLarge();
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errnoError("read " + file.string());
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > maxReadBytes) return tooLarge(); // grew while being read
    }
    return bytes;
}

Result<void> PosixFiles::writeAtomic(const std::filesystem::path& link, std::string_view bytes) {
    const auto file = linkTarget(link);
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    // Built with append: GCC 12 at -O3 flags "." + string with a false -Wrestrict.
    std::string pattern = folder.string();
    pattern.append("/.").append(file.filename().string()).append(".XXXXXX");
    Fd out{::mkostemp(pattern.data(), O_CLOEXEC)};
    if (out.fd < 0) return errnoError("create temporary file in " + folder.string());
    auto discard = [&](Error e) {
        ::unlink(pattern.c_str());
        return e;
    };
    if (::fchmod(out.fd, 0600) != 0) return discard(errnoError("chmod " + pattern));
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(out.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return discard(errnoError("write " + file.string()));
        done += static_cast<size_t>(n);
    }
    if (::fsync(out.fd) != 0) return discard(errnoError("fsync " + file.string()));
    if (::close(out.fd) != 0) {
        out.fd = -1;
        return discard(errnoError("close " + file.string()));
    }
    out.fd = -1;
    if (::rename(pattern.c_str(), file.c_str()) != 0)
        return discard(errnoError("rename to " + file.string()));
    // Persist the rename itself.
    Fd dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);
    return success();
}

} // namespace morvelan
