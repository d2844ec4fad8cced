// ContextStore: loading, saving and the operations that change the set of contexts.
#include "core/model/ContextStore.h"

#include "core/model/Color.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace morvelan {

namespace {

std::filesystem::path sibling(const std::filesystem::path& file, const char* extension) {
    std::filesystem::path result = file;
    result += std::string(".") + extension;
    return result;
}

constexpr std::string_view defaultName = "Default";

// The state a launch writes when it found no contexts: one untouched "Default" context. Such
// a file holds none of the user's data, so it must not replace their backup.
bool freshDefault(const SavedConfig& saved) {
    if (saved.contexts.size() != 1 || !saved.contexts[0]) return false;
    const Context& only = *saved.contexts[0];
    return only.name == defaultName && only.colorHex == brand && only.members.empty() &&
           only.rules.empty() && !only.match;
}

} // namespace

ContextStore::ContextStore(Files& files, SystemLog& log)
    : url(files.appSupportDir() / "contexts.json"), files_(files), log_(log) {
    (void)files_.createDirectories(files_.appSupportDir());
}

void ContextStore::touch(const std::optional<Uuid>& id) {
    if (!id) return;
    std::erase(recentIDs_, *id);
    recentIDs_.insert(recentIDs_.begin(), *id);
}

void ContextStore::adopt(Saved saved) {
    contexts_ = std::move(saved.contexts);
    activeID_ = saved.activeID;
    workspaces_ = std::move(saved.workspaces);
}

void ContextStore::replace(Saved saved) {
    adopt(std::move(saved));
    settle();
    save();
}

void ContextStore::settle() {
    recentIDs_.clear();
    for (const ContextPtr& c : contexts_)
        if (c) recentIDs_.push_back(c->id);
    touch(activeID_);
    if (workspaces_.empty()) workspaces_.push_back(Workspace{Uuid::random(), "Default"});
}

void ContextStore::load() {
    auto bytes = files_.read(url);
    // Only an absent file is empty; one we cannot read may hold the user's contexts.
    unreadable_ = !bytes && !bytes.error().notFound;
    if (bytes) {
        auto decoded = decodeContexts(*bytes);
        if (auto* saved = std::get_if<Saved>(&decoded)) {
            // The backup is the last file of the user's that loaded.
            if (!freshDefault(*saved)) (void)files_.writeAtomic(sibling(url, "bak"), *bytes);
            adopt(std::move(*saved));
        } else {
            (void)files_.writeAtomic(sibling(url, "corrupt"), *bytes);
            log_.log("contexts.json failed to decode — preserved as contexts.json.corrupt");
        }
    }
    settle();
}

void ContextStore::addDefaultIfEmpty() {
    if (contexts_.empty()) add(makeContext(std::string(defaultName), std::string(brand)));
}

void ContextStore::save() {
    if (auto bytes = encodeContexts(contexts_, activeID_, workspaces_); bytes && !unreadable_)
        (void)files_.writeAtomic(url, *bytes);
    if (onChange) onChange();
}

bool ContextStore::readable() {
    if (!unreadable_) return true;
    if (auto probe = files_.read(url); !probe && !probe.error().notFound) return false;
    load();
    if (contexts_.empty())
        addDefaultIfEmpty();
    else
        save();
    return true;
}

void ContextStore::add(ContextPtr context) {
    if (!context) return;
    if (!context->workspaceID) context->workspaceID = activeWorkspaceID();
    Uuid id = context->id;
    contexts_.push_back(std::move(context));
    activeID_ = id;
    touch(id);
    save();
}

ContextPtr ContextStore::addNewContext(std::optional<Uuid> workspace) {
    ContextPtr context = makeContext("New context", std::string(paletteHex(contexts_.size())),
                                     workspace ? workspace : activeWorkspaceID());
    add(context);
    return context;
}

ContextPtr ContextStore::find(const std::optional<Uuid>& id) const {
    if (!id) return nullptr;
    for (const ContextPtr& c : contexts_)
        if (c && c->id == *id) return c;
    return nullptr;
}

void ContextStore::remove(const Context& context) {
    // `context` may be owned only by the list it is erased from.
    const Uuid id = context.id;
    std::erase_if(contexts_, [&](const ContextPtr& c) { return c && c->id == id; });
    std::erase(recentIDs_, id);
    if (activeID_ == id) {
        auto first = std::find_if(contexts_.begin(), contexts_.end(),
                                  [](const ContextPtr& c) { return c != nullptr; });
        activeID_ = first == contexts_.end() ? std::nullopt : std::optional<Uuid>((*first)->id);
    }
    save();
}

void ContextStore::setActive(std::optional<Uuid> id) {
    bool changed = id != activeID_;
    touch(id);
    activeID_ = id;
    save();
    if (changed && onActivate) onActivate(id);
}

void ContextStore::setActiveSilent(std::optional<Uuid> id) {
    if (id == activeID_) return;
    touch(id);
    activeID_ = id;
    save();
}

std::vector<ContextPtr> ContextStore::contextsByRecency() const {
    std::unordered_map<Uuid, std::size_t> rank;
    for (std::size_t i = 0; i < recentIDs_.size(); ++i)
        rank.emplace(recentIDs_[i], i);
    auto rankOf = [&](const ContextPtr& c) {
        auto it = c ? rank.find(c->id) : rank.end();
        return it == rank.end() ? std::numeric_limits<std::size_t>::max() : it->second;
    };
    std::vector<ContextPtr> sorted = contexts_;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const ContextPtr& a, const ContextPtr& b) {
        return rankOf(a) < rankOf(b);
    });
    return sorted;
}

std::optional<Uuid> ContextStore::workspaceID(const Context& context) const {
    if (context.workspaceID) return context.workspaceID;
    if (workspaces_.empty()) return std::nullopt;
    return workspaces_.front().id;
}

std::optional<Uuid> ContextStore::activeWorkspaceID() const {
    if (activeID_) {
        for (const ContextPtr& c : contexts_) {
            if (!c || c->id != *activeID_) continue;
            if (c->workspaceID) return c->workspaceID;
            break;
        }
    }
    if (workspaces_.empty()) return std::nullopt;
    return workspaces_.front().id;
}

std::vector<ContextPtr> ContextStore::contextsInWorkspace(const Uuid& workspace) const {
    std::vector<ContextPtr> result;
    for (const ContextPtr& c : contexts_)
        if (c && workspaceID(*c) == workspace) result.push_back(c);
    return result;
}

std::vector<ContextPtr> ContextStore::contextsStatic(const Uuid& workspace) const {
    return contextsInWorkspace(workspace);
}

Uuid ContextStore::addWorkspace(std::string name) {
    workspaces_.push_back(Workspace{Uuid::random(), std::move(name)});
    save();
    return workspaces_.back().id;
}

void ContextStore::renameWorkspace(const Uuid& id, const std::string& name) {
    auto it = std::find_if(workspaces_.begin(), workspaces_.end(),
                           [&](const Workspace& w) { return w.id == id; });
    if (it == workspaces_.end()) return;
    it->name = name;
    save();
}

void ContextStore::removeWorkspace(const Uuid& id) {
    if (workspaces_.size() <= 1) return;
    auto it = std::find_if(workspaces_.begin(), workspaces_.end(),
                           [&](const Workspace& w) { return w.id == id; });
    if (it == workspaces_.end()) return;
    auto heir = std::find_if(workspaces_.begin(), workspaces_.end(),
                             [&](const Workspace& w) { return w.id != id; });
    if (heir == workspaces_.end()) return; // every workspace has this id
    const Uuid heirID = heir->id;
    // Decide membership before anything moves: contexts without a workspace of their own
    // follow the first workspace, which may be the one being removed.
    for (const ContextPtr& c : contexts_)
        if (c && workspaceID(*c) == id) c->workspaceID = heirID;
    workspaces_.erase(it);
    save();
}

Result<void> ContextStore::exportConfig(const std::filesystem::path& path) {
    auto bytes = encodeContexts(contexts_, activeID_, workspaces_);
    if (!bytes) return bytes.error();
    return files_.writeAtomic(path, *bytes);
}

Result<void> ContextStore::importConfig(const std::filesystem::path& path) {
    auto bytes = files_.read(path);
    if (!bytes) return bytes.error();
    auto decoded = decodeContexts(*bytes);
    if (auto* error = std::get_if<DecodeError>(&decoded)) return failure(describe(*error));
    replace(std::move(std::get<Saved>(decoded)));
    return success();
}

ContextStore::ReloadResult ContextStore::reload() {
    auto bytes = files_.read(url);
    if (!bytes) return ConfigError::unreadable();
    auto decoded = decodeContexts(*bytes);
    if (auto* error = std::get_if<DecodeError>(&decoded))
        return ConfigError::invalid(describe(*error));
    replace(std::move(std::get<Saved>(decoded)));
    return {};
}

} // namespace morvelan
