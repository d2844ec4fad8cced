// PosixFiles: the Files of a POSIX host, with the program's folder under the XDG data home.
#pragma once

#include "core/platform/Files.h"

namespace morvelan {

class PosixFiles : public Files {
public:
    // `dir` is the program's folder; see dataHomeFolder() for the usual one.
    explicit PosixFiles(std::filesystem::path dir) : dir_(std::move(dir)) {}

    std::filesystem::path appSupportDir() const override { return dir_; }
    Result<void> createDirectories(const std::filesystem::path& dir) override;
    bool exists(const std::filesystem::path& path) const override;
    Result<std::string> read(const std::filesystem::path& file) override;
    Result<void> writeAtomic(const std::filesystem::path& file, std::string_view bytes) override;

    // $XDG_DATA_HOME/Morvelan, or ~/.local/share/Morvelan.
    static std::filesystem::path dataHomeFolder();
    // $XDG_CONFIG_HOME/Morvelan, or ~/.config/Morvelan.
    static std::filesystem::path configHomeFolder();
    // $XDG_CONFIG_HOME, or ~/.config.
    static std::filesystem::path configHome();

private:
    std::filesystem::path dir_;
};

} // namespace morvelan
