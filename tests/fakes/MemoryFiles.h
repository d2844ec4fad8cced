// MemoryFiles: a Files in memory, with switches to make reads or writes fail.
#pragma once

#include "core/platform/Files.h"

#include <map>
#include <set>
#include <string>

namespace morvelan {

class MemoryFiles : public Files {
public:
    explicit MemoryFiles(std::filesystem::path dir = "/home/test/.local/share/Morvelan")
        : dir_(std::move(dir)) {}

    std::filesystem::path appSupportDir() const override { return dir_; }
    Result<void> createDirectories(const std::filesystem::path& dir) override;
    bool exists(const std::filesystem::path& path) const override {
        return has(path) || directories.count(path) != 0;
    }
    Result<std::string> read(const std::filesystem::path& file) override;
    Result<void> writeAtomic(const std::filesystem::path& file, std::string_view bytes) override;

    // Direct access for tests.
    std::map<std::filesystem::path, std::string> contents;
    std::set<std::filesystem::path> directories;
    std::set<std::filesystem::path> failWrites; // writes to these paths fail
    std::set<std::filesystem::path> failReads;  // reads of these paths fail
    int writes = 0;

    bool has(const std::filesystem::path& file) const { return contents.count(file) != 0; }
    // A file of the program's folder, or "<missing>".
    std::string inFolder(const std::string& name) const {
        auto it = contents.find(dir_ / name);
        return it == contents.end() ? std::string("<missing>") : it->second;
    }

private:
    std::filesystem::path dir_;
};

} // namespace morvelan
