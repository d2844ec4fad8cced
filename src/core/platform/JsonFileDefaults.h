// JsonFileDefaults: the user-settings store kept as one small JSON object file.
#pragma once

#include "core/platform/Defaults.h"
#include "core/platform/Files.h"

#include <filesystem>
#include <memory>
#include <nlohmann/json_fwd.hpp>

namespace morvelan {

// Values keep their JSON type: bool ↔ bool, integer ↔ int64, float ↔ double, string ↔
// string. Keys of other JSON types read as absent and are kept in the file untouched.
// Main thread only.
class JsonFileDefaults : public Defaults {
public:
    // Reads `file`. A missing file reads as empty; one that is not a JSON object, or nests
    // deeper than maxJsonDepth, is copied aside with ".corrupt" appended to its name and reads
    // as empty. One that exists but cannot be read reads as empty and is not written until
    // readable() finds it readable.
    JsonFileDefaults(Files& files, std::filesystem::path file);
    ~JsonFileDefaults() override;

    JsonFileDefaults(const JsonFileDefaults&) = delete;
    JsonFileDefaults& operator=(const JsonFileDefaults&) = delete;

    std::optional<DefaultValue> get(std::string_view key) const override;
    // Takes the value at once and rewrites the whole file atomically; a failed write leaves
    // the value in force until the program quits.
    void set(std::string_view key, DefaultValue value) override;
    bool readable() override;

    const std::filesystem::path& path() const { return file_; }

private:
    void load();

    Files& files_;
    std::filesystem::path file_;
    std::unique_ptr<nlohmann::json> values_;
    bool unreadable_ = false;
};

} // namespace morvelan
