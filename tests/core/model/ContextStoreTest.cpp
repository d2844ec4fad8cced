// ContextStore: the contexts file, its backup and corrupt copy, activation, recency, workspaces,
// and export, import and reload of the configuration.
#include "core/model/ContextStore.h"

#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

const std::filesystem::path dir = "/home/test/.local/share/Morvelan";
const std::filesystem::path file = dir / "contexts.json";
const std::filesystem::path backup = dir / "contexts.json.bak";
const std::filesystem::path corrupt = dir / "contexts.json.corrupt";
const std::filesystem::path exported = "/home/test/morvelan-config.json";

using Names = std::vector<std::string>;

std::string contextJson(const Uuid& id, const std::string& name, const std::string& extra = "") {
    return R"({"id":")" + id.str() + R"(","name":")" + name + R"(","colorHex":"#FF6B6B")" + extra +
           "}";
}

class ContextStoreTest : public ::testing::Test {
protected:
    MemoryFiles files;
    RecordingLog log;
    int changes = 0;
    std::vector<std::optional<Uuid>> activations;

    // A store that has loaded whatever the file holds now.
    std::unique_ptr<ContextStore> loaded() {
        auto store = std::make_unique<ContextStore>(files, log);
        store->onChange = [this] { ++changes; };
        store->onActivate = [this](std::optional<Uuid> id) { activations.push_back(id); };
        store->load();
        return store;
    }

    static Names names(const std::vector<ContextPtr>& list) {
        Names out;
        for (const auto& c : list)
            out.push_back(c->name);
        return out;
    }

    // A loaded store holding contexts A, B and C, in that order, with `active` active.
    std::unique_ptr<ContextStore> storeABC(std::string active = "") {
        files.contents[file] = R"({"contexts":[)" + contextJson(a, "A") + "," +
                               contextJson(b, "B") + "," + contextJson(c, "C") + "]" + active + "}";
        return loaded();
    }

    Uuid a = Uuid::random(), b = Uuid::random(), c = Uuid::random();
};

TEST_F(ContextStoreTest, FirstLaunchMakesTheFolderAndADefaultWorkspaceAndWritesNothing) {
    auto store = loaded();
    EXPECT_EQ(store->url, file);
    EXPECT_TRUE(files.directories.count(dir));
    EXPECT_TRUE(store->contexts.empty());
    ASSERT_EQ(store->workspaces.size(), 1u);
    EXPECT_EQ(store->workspaces[0].name, "Default");
    EXPECT_FALSE(store->activeID);
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ContextStoreTest, SuccessfulLoadCopiesTheFileToTheBackupByteForByte) {
    std::string bytes = R"(  {"contexts":[)" + contextJson(a, "A", R"(,"unknown":1)") +
                        R"(], "activeID":")" + a.str() + "\"}\n";
    files.contents[file] = bytes;
    auto store = loaded();
    EXPECT_EQ(files.contents[backup], bytes);
    EXPECT_EQ(files.contents[file], bytes); // load does not save
    EXPECT_EQ(store->activeID, a);
    EXPECT_FALSE(files.has(corrupt));
}

TEST_F(ContextStoreTest, UndecodableFileOfAnyKindIsPreservedAndTheStoreStartsEmpty) {
    const std::string inputs[] = {
        // A pin without "matchAppOnly" rejects the whole file.
        R"({"contexts":[)" + contextJson(a, "A", R"(,"members":[{"bundleID":"b","title":"t"}])") +
            "]}",
        std::string("\0\0\0binary", 9),
        R"({"contexts":[{"id":"x"}]})",
        R"({"contexts":[{"members":[{"wid":99999999999}]}]})",
    };
    for (const std::string& bytes : inputs) {
        SCOPED_TRACE(&bytes - inputs);
        files.contents.clear();
        log.lines.clear();
        files.contents[file] = bytes;
        files.contents[backup] = "previous good file";
        auto store = loaded();
        EXPECT_TRUE(files.contents[corrupt] == bytes);
        EXPECT_TRUE(files.contents[file] == bytes);
        EXPECT_EQ(files.contents[backup], "previous good file");
        EXPECT_EQ(log.lines,
                  Names{"contexts.json failed to decode — preserved as contexts.json.corrupt"});
        EXPECT_TRUE(store->contexts.empty());
        EXPECT_EQ(store->workspaces.size(), 1u);

        // The next save replaces the broken file; the copy stays.
        store->add(makeContext("Default", "#138A80"));
        EXPECT_FALSE(files.contents[file] == bytes);
        EXPECT_TRUE(files.contents[corrupt] == bytes);
    }
}

TEST_F(ContextStoreTest, ReadAndWriteFailuresAreIgnored) {
    files.contents[file] = "{}";
    files.failReads = {file};
    auto unreadable = loaded();
    EXPECT_TRUE(unreadable->contexts.empty());
    EXPECT_FALSE(files.has(corrupt));
    EXPECT_FALSE(files.has(backup));
    EXPECT_TRUE(log.lines.empty());

    files.failReads.clear();
    files.contents[file] = "broken";
    files.failWrites = {corrupt, backup, file};
    auto store = loaded();
    EXPECT_EQ(log.lines.size(), 1u);
    store->save();
    EXPECT_EQ(changes, 1); // onChange even when the write failed
    EXPECT_EQ(files.contents[file], "broken");
}

TEST_F(ContextStoreTest, SaveLoadSaveIsByteIdentical) {
    auto store = loaded();
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Zweite “Arbeit”"});
    auto work = makeContext("Work", "#FF6B6B");
    work->members = {WinRef{"org.gnome.Terminal", "ssh — host", false, 0x3A00007},
                     WinRef{"firefox", "", true, std::nullopt}};
    work->rules = {Rule{{Condition{RuleField::title, RuleOp::regex, "^\\[dev\\]"}}, true}, Rule{}};
    work->match = "legacy";
    store->add(work);
    store->add(makeContext("Home", "#4ECDC4", second));
    std::string first = files.contents[file];

    auto again = loaded();
    again->save();
    EXPECT_EQ(files.contents[file], first); // so the codec's field checks hold for the store too
    ASSERT_EQ(again->contexts.size(), 2u);
    EXPECT_EQ(again->contexts[0]->members, work->members);
    EXPECT_EQ(again->contexts[0]->workspaceID, store->workspaces[0].id);
}

TEST_F(ContextStoreTest, AddGivesTheActiveWorkspaceAndActivatesWithoutCallback) {
    auto store = loaded();
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Two"});
    auto home = makeContext("Home", "#000000", second);
    store->add(home);
    EXPECT_EQ(home->workspaceID, second);
    auto next = makeContext("Next", "#000000");
    store->add(next);
    EXPECT_EQ(next->workspaceID, second); // the active context's workspace
    EXPECT_EQ(store->activeID, next->id);
    EXPECT_TRUE(activations.empty());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"Next", "Home"}));
}

TEST_F(ContextStoreTest, SetActiveSavesAlwaysAndTellsOnlyChangesSilentDoesNeither) {
    auto store = storeABC();
    store->setActiveSilent(std::nullopt);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(files.writes, 1); // only the backup of load
    store->setActiveSilent(c);
    EXPECT_EQ(store->activeID, c);
    EXPECT_EQ(changes, 1);
    store->setActiveSilent(c);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(activations.empty());

    store->setActive(b);
    EXPECT_EQ(activations, (std::vector<std::optional<Uuid>>{b}));
    EXPECT_EQ(changes, 2);
    int writes = files.writes;
    store->setActive(b);
    EXPECT_EQ(activations.size(), 1u);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(files.writes, writes + 1);
    store->setActive(std::nullopt);
    EXPECT_EQ(activations.back(), std::nullopt);
    EXPECT_FALSE(store->activeID);

    store->onChange = nullptr; // tolerated
    store->onActivate = nullptr;
    store->setActive(a);
    EXPECT_EQ(store->activeID, a);
}

TEST_F(ContextStoreTest, RecencyFollowsActivationWithNeverActivatedContextsLast) {
    auto store = storeABC(R"(,"activeID":")" + c.str() + "\"");
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"C", "A", "B"}));
    store = storeABC();
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"A", "B", "C"}));
    store->setActive(c);
    store->setActive(a);
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"A", "C", "B"}));
    // Contexts added behind the store's back rank last.
    store->contexts.insert(store->contexts.begin(), makeContext("Late", "#000000"));
    store->setActive(b);
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"B", "A", "C", "Late"}));
}

TEST_F(ContextStoreTest, RemovingTheActiveContextActivatesTheFirstRemainingSilently) {
    auto store = storeABC();
    store->setActive(b);
    activations.clear();
    ContextPtr removed = store->contexts[1];
    store->remove(*removed);
    EXPECT_EQ(names(store->contexts), (Names{"A", "C"}));
    EXPECT_EQ(store->activeID, a);
    EXPECT_TRUE(activations.empty());
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"A", "C"}));

    store->remove(*store->contexts[1]); // inactive: the active one stays
    EXPECT_EQ(store->activeID, a);
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"A"}));
    store->remove(*store->contexts[0]); // a reference into the list itself
    EXPECT_TRUE(store->contexts.empty());
    EXPECT_FALSE(store->activeID);
}

TEST_F(ContextStoreTest, WorkspaceOfAContextOrTheActiveOneFallsBackToTheFirst) {
    auto store = storeABC(); // a file without workspaces gets a "Default" one
    ASSERT_EQ(store->workspaces.size(), 1u);
    EXPECT_EQ(store->workspaces[0].name, "Default");
    EXPECT_EQ(names(store->contextsInWorkspace(store->workspaces[0].id)), (Names{"A", "B", "C"}));
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Two"});
    EXPECT_EQ(store->activeWorkspaceID(), store->workspaces[0].id);
    store->contexts[0]->workspaceID = second;
    store->contexts[2]->workspaceID = second;
    EXPECT_EQ(names(store->contextsInWorkspace(second)), (Names{"A", "C"}));
    EXPECT_EQ(names(store->contextsStatic(second)), (Names{"A", "C"}));
    EXPECT_EQ(names(store->contextsInWorkspace(store->workspaces[0].id)), (Names{"B"}));
    store->setActive(c);
    EXPECT_EQ(store->activeWorkspaceID(), second);
    store->setActive(Uuid::random()); // names no context
    EXPECT_EQ(store->activeWorkspaceID(), store->workspaces[0].id);
    store->workspaces.clear();
    EXPECT_FALSE(store->activeWorkspaceID());
    EXPECT_FALSE(store->workspaceID(*store->contexts[1]));
    EXPECT_EQ(store->workspaceID(*store->contexts[0]), second);
}

TEST_F(ContextStoreTest, RenamingAndRemovingWorkspaces) {
    auto store = storeABC();
    const Uuid first = store->workspaces[0].id;
    store->renameWorkspace(Uuid::random(), "Nope");
    store->removeWorkspace(first); // the only one
    EXPECT_EQ(changes, 0);
    store->renameWorkspace(first, "  Spaced ");
    EXPECT_EQ(store->workspaces[0].name, "  Spaced ");
    EXPECT_EQ(changes, 1);

    // Removing a later workspace leaves contexts without one of their own alone.
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Two"});
    store->contexts[1]->workspaceID = second;
    store->removeWorkspace(Uuid::random());
    EXPECT_EQ(changes, 1);
    store->removeWorkspace(second);
    EXPECT_FALSE(store->contexts[0]->workspaceID);
    EXPECT_EQ(store->contexts[1]->workspaceID, first);

    // Removing the first moves the contexts naming it and those without a workspace.
    Uuid third = Uuid::random();
    store->workspaces.push_back(Workspace{third, "Three"});
    store->contexts[2]->workspaceID = third;
    store->removeWorkspace(first);
    ASSERT_EQ(store->workspaces.size(), 1u);
    EXPECT_EQ(store->workspaces[0].id, third);
    EXPECT_EQ(store->contexts.size(), 3u);
    for (const auto& context : store->contexts)
        EXPECT_EQ(context->workspaceID, third);
    EXPECT_EQ(changes, 3);
}

// Export, import and reload of the whole configuration, and the sentences reload reports.
class ConfigTest : public ContextStoreTest {
protected:
    // A store holding A (with a rule), B and C, A active; nothing counted yet.
    void SetUp() override {
        store = storeABC(R"(,"activeID":")" + a.str() + "\"");
        store->contexts[0]->rules = {
            Rule{{Condition{RuleField::appName, RuleOp::equals, "Code"}}, false}};
        store->save();
        changes = 0;
        files.writes = 0;
    }

    std::unique_ptr<ContextStore> store;

    // Everything reload and import must leave alone on failure.
    struct Snapshot {
        std::vector<ContextPtr> contexts;
        std::vector<Workspace> workspaces;
        std::optional<Uuid> activeID;
        std::vector<ContextPtr> recency;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() const {
        return {store->contexts, store->workspaces, store->activeID, store->contextsByRecency()};
    }

    // The sentence of a failed reload of `bytes` (no file when absent), which must leave the
    // store and the user's file as they are.
    std::string reloadError(const std::optional<std::string>& bytes) {
        files.contents.erase(file);
        if (bytes) files.contents[file] = *bytes;
        Snapshot before = snapshot();
        auto result = store->reload();
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(snapshot() == before);
        EXPECT_EQ(files.has(file) ? files.contents[file] : "<none>", bytes.value_or("<none>"));
        EXPECT_EQ(changes, 0);
        return result.ok() ? "" : result.error().description();
    }

    std::string context(const std::string& extra) {
        return R"({"contexts":[{"id":")" + Uuid::random().str() + R"(","name":"X")" + extra + "}]}";
    }
};

TEST_F(ConfigTest, ExportWritesWhatSaveWritesChangesNothingAndPassesWriteErrorsOn) {
    Snapshot before = snapshot();
    ASSERT_TRUE(store->exportConfig(exported).ok());
    EXPECT_EQ(files.contents[exported], files.contents[file]);
    EXPECT_TRUE(snapshot() == before);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(files.writes, 1);

    files.failWrites = {exported};
    auto result = store->exportConfig(exported);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message, "No space left on device");
}

TEST_F(ConfigTest, ExportThenImportKeepsTheConfigurationAndRewritesTheFile) {
    ASSERT_TRUE(store->exportConfig(exported).ok());
    std::string saved = files.contents[file];
    files.contents[file] = "stale";
    Snapshot before = snapshot();

    ASSERT_TRUE(store->importConfig(exported).ok());
    EXPECT_EQ(files.contents[file], saved);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(activations.empty());
    EXPECT_EQ(store->activeID, before.activeID);
    EXPECT_EQ(store->workspaces, before.workspaces);
    ASSERT_EQ(store->contexts.size(), 3u);
    EXPECT_EQ(store->contexts[0]->id, before.contexts[0]->id);
    EXPECT_EQ(store->contexts[0]->rules, before.contexts[0]->rules);
    EXPECT_EQ(store->contextsByRecency()[0]->id, before.recency[0]->id);
}

TEST_F(ConfigTest, ImportAddsADefaultWorkspaceWhenNoneAndKeepsAnActiveIdNamingNoContext) {
    files.contents[exported] = context(R"(,"colorHex":"#000000")");
    ASSERT_TRUE(store->importConfig(exported).ok());
    ASSERT_EQ(store->workspaces.size(), 1u);
    EXPECT_EQ(store->workspaces[0].name, "Default");
    EXPECT_EQ(store->contextsInWorkspace(store->workspaces[0].id).size(), 1u);
    EXPECT_FALSE(store->activeID);

    Uuid ghost = Uuid::random(), ws = Uuid::random(), other = Uuid::random();
    files.contents[exported] = R"({"contexts":[{"id":")" + Uuid::random().str() +
                               R"(","name":"X","colorHex":"#000000","workspaceID":")" +
                               other.str() + R"("}],"activeID":")" + ghost.str() +
                               R"(","workspaces":[{"id":")" + ws.str() +
                               R"(","name":"W"},{"id":")" + other.str() + R"(","name":"O"}]})";
    ASSERT_TRUE(store->importConfig(exported).ok());
    EXPECT_EQ(store->activeID, ghost);
    EXPECT_EQ(store->activeWorkspaceID(), ws);
    // The ghost is first in the recency list but names no context to show.
    EXPECT_EQ(store->contextsByRecency().size(), 1u);
    auto known = makeContext("Late", "#000000");
    known->id = ghost;
    store->contexts.push_back(known);
    EXPECT_EQ(store->contextsByRecency().front(), known);
}

TEST_F(ConfigTest, ReloadAppliesAHandEditedFileAndSavesItWithoutAnActivation) {
    Uuid id = Uuid::random();
    files.contents[file] =
        R"({"contexts":[{"id":")" + id.str() +
        R"(","name":"Edited","colorHex":"#000000","note":"mine"}],"activeID":")" + id.str() + "\"}";
    files.contents.erase(backup);
    auto result = store->reload();
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(store->contexts.size(), 1u);
    EXPECT_EQ(store->contexts[0]->name, "Edited");
    EXPECT_EQ(store->activeID, id);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(activations.empty());
    EXPECT_EQ(files.contents[file].find("note"), std::string::npos); // rewritten
    EXPECT_FALSE(files.has(backup));
}

TEST_F(ConfigTest, FailedImportOrReloadSaysWhyAndTouchesNothing) {
    Snapshot before = snapshot();
    auto missing = store->importConfig("/nowhere.json");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, "No such file or directory");
    files.contents[exported] = context("");
    auto invalid = store->importConfig(exported);
    ASSERT_FALSE(invalid.ok());
    EXPECT_EQ(invalid.error().message, "Missing required field “colorHex”.");
    EXPECT_TRUE(snapshot() == before);

    EXPECT_EQ(reloadError(std::nullopt), "Could not read the config file.");
    EXPECT_EQ(reloadError(context(R"(,"members":[])")), "Missing required field “colorHex”.");
    EXPECT_EQ(reloadError("{ this is not json").rfind("Invalid JSON — ", 0), 0u);
    EXPECT_TRUE(log.lines.empty()); // reload reports to the user, not to the log
    EXPECT_FALSE(files.has(dir / "contexts.json.corrupt"));
}

} // namespace
} // namespace morvelan
