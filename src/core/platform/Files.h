// Files: the program's folder and whole-file reads and atomic writes.
#pragma once

#include "core/platform/Result.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace morvelan {

class Files {
public:
    // read() refuses larger files: the program's files are a few kilobytes.
    static constexpr std::size_t maxReadBytes = 50u * 1024 * 1024;

    virtual ~Files() = default;

    // The program's own folder (application support), e.g. ~/.local/share/Morvelan.
    virtual std::filesystem::path appSupportDir() const = 0;
    // Creates the folder and its parents, readable by the user only.
    virtual Result<void> createDirectories(const std::filesystem::path& dir) = 0;
    // Whether anything (file, folder, …) exists at the path.
    virtual bool exists(const std::filesystem::path& path) const = 0;
    // Reads the whole file; only a regular file up to maxReadBytes, never waiting on a FIFO or
    // device. A file that does not exist fails with `notFound` set; any other failure leaves
    // open what the file holds, so it must not be written over.
    virtual Result<std::string> read(const std::filesystem::path& file) = 0;
    // Replaces the file atomically (temporary file in the same folder, fsync, rename),
    // created readable by the user only; a symbolic link is kept and its target replaced so.
    // On failure the old file is left intact.
    virtual Result<void> writeAtomic(const std::filesystem::path& file, std::string_view bytes) = 0;
};

} // namespace morvelan
