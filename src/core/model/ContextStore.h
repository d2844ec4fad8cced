// ContextStore: the one owner of workspaces and contexts, their file, the active context
// and the order in which contexts were last activated.
#pragma once

#include "core/model/Context.h"
#include "core/model/ContextsCodec.h"
#include "core/platform/Files.h"
#include "core/platform/Result.h"
#include "core/platform/SystemLog.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace morvelan {

// Main thread only. Every public mutating operation ends in save(), which rewrites the whole
// file and then calls onChange. The contexts themselves are shared and edited in place by
// their users, who call save() afterwards.
class ContextStore {
public:
    using Saved = SavedConfig;

    // Why reload() did not apply the file.
    struct ConfigError {
        enum class Kind { invalid, unreadable };
        Kind kind = Kind::unreadable;
        std::string message; // for invalid

        static ConfigError invalid(std::string message) {
            return {Kind::invalid, std::move(message)};
        }
        static ConfigError unreadable() { return {Kind::unreadable, {}}; }
        // The sentence shown to the user.
        std::string description() const {
            return kind == Kind::invalid ? message : "Could not read the config file.";
        }
    };

    // Success, or the ConfigError of a reload.
    class [[nodiscard]] ReloadResult {
    public:
        ReloadResult() = default;
        ReloadResult(ConfigError error) : error_(std::move(error)) {}
        bool ok() const { return !error_; }
        explicit operator bool() const { return ok(); }
        const ConfigError& error() const { return *error_; }

    private:
        std::optional<ConfigError> error_;
    };

    // Creates the program's folder if missing (a failure is ignored). Does not read the file.
    ContextStore(Files& files, SystemLog& log);
    ContextStore(const ContextStore&) = delete;
    ContextStore& operator=(const ContextStore&) = delete;

    const std::vector<ContextPtr>& contexts() const { return contexts_; }
    const std::vector<Workspace>& workspaces() const { return workspaces_; }
    const std::optional<Uuid>& activeID() const { return activeID_; }
    std::function<void()> onChange = [] {};
    std::function<void(std::optional<Uuid>)> onActivate = [](std::optional<Uuid>) {};
    // The contexts file, "contexts.json" in the program's folder.
    const std::filesystem::path url;

    // Reads the file at launch. A file that exists but cannot be read leaves the store empty
    // and holds every save back until readable() finds it readable; an undecodable one is
    // copied to contexts.json.corrupt first. A decoded file is copied to
    // contexts.json.bak, unless it holds only what addDefaultIfEmpty() makes. Ends with at least
    // one workspace. Neither saves nor calls onChange.
    void load();
    // Adds the "Default" context when there are no contexts at all (first launch, failed load).
    void addDefaultIfEmpty();
    // Writes the file (errors are ignored, nothing is written while it cannot be read), then
    // calls onChange.
    void save();
    // False while the file exists but cannot be read. Each call tries again; a file that
    // reads now is loaded as at launch, and saved.
    bool readable();

    // Gives the context the active workspace if it has none, appends it, makes it active.
    void add(ContextPtr context);
    // Adds "New context" in the next palette colour to `workspace` (none: the active one)
    // and returns it.
    ContextPtr addNewContext(std::optional<Uuid> workspace);
    // The context with this id; null when there is none.
    ContextPtr find(const std::optional<Uuid>& id) const;
    ContextPtr active() const { return find(activeID_); }
    // Removes every context with this id; the first remaining one becomes active if it was.
    void remove(const Context& context);
    // Makes `id` active and saves (even when unchanged); calls onActivate when it changed.
    void setActive(std::optional<Uuid> id);
    // Like setActive without onActivate, and without saving when nothing changes.
    void setActiveSilent(std::optional<Uuid> id);

    // The contexts, most recently activated first; never-activated ones last, in list order.
    std::vector<ContextPtr> contextsByRecency() const;
    // The workspace the context counts as belonging to: its own, else the first.
    std::optional<Uuid> workspaceID(const Context& context) const;
    // The workspace of the active context, else the first.
    std::optional<Uuid> activeWorkspaceID() const;
    // The contexts of one workspace, in list order.
    std::vector<ContextPtr> contextsInWorkspace(const Uuid& workspace) const;
    // The same as contextsInWorkspace; the menu's entry point.
    std::vector<ContextPtr> contextsStatic(const Uuid& workspace) const;

    // Appends a workspace and saves; returns its id.
    Uuid addWorkspace(std::string name);
    // Renames the workspace and saves; an unknown id does nothing.
    void renameWorkspace(const Uuid& id, const std::string& name);
    // Moves the workspace's contexts to the first other workspace, removes it and saves.
    // The last workspace and unknown ids are left alone.
    void removeWorkspace(const Uuid& id);

    // Replaces the whole configuration, as an import does (a "Default" workspace when it has
    // none), and saves.
    void replace(Saved saved);
    // Writes the configuration to `path` in the contexts file format. Changes nothing.
    Result<void> exportConfig(const std::filesystem::path& path);
    // Replaces the whole configuration with the file at `path`, then saves. On failure
    // (unreadable, undecodable) the store is unchanged and the reason is returned.
    Result<void> importConfig(const std::filesystem::path& path);
    // Replaces the whole configuration with the contexts file as it is now on disk, then
    // saves. On failure the store and the file are left as they are.
    ReloadResult reload();

private:
    void touch(const std::optional<Uuid>& id);
    // Takes over a decoded configuration, as a successful load, import or reload does.
    void adopt(Saved saved);
    // The recency order from the list order and the active id; a "Default" workspace if none.
    void settle();

    Files& files_;
    SystemLog& log_;
    std::vector<ContextPtr> contexts_;
    std::vector<Workspace> workspaces_;
    std::optional<Uuid> activeID_;
    std::vector<Uuid> recentIDs_;
    bool unreadable_ = false;
};

} // namespace morvelan
