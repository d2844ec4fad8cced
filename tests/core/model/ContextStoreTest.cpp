// ContextStore: the contexts file, its backup and corrupt copy, activation, recency, workspaces.
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
        std::string(50 * 1024 * 1024, '\xFF'),
        std::string(100000, '{'),
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
    EXPECT_EQ(files.contents[file], first);
    EXPECT_EQ(again->activeID, store->activeID);
    EXPECT_EQ(again->workspaces, store->workspaces);
    ASSERT_EQ(again->contexts.size(), 2u);
    EXPECT_EQ(again->contexts[0]->members, work->members);
    EXPECT_EQ(again->contexts[0]->rules, work->rules);
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

} // namespace
} // namespace morvelan
