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

    std::unique_ptr<ContextStore> makeStore() {
        auto store = std::make_unique<ContextStore>(files, log);
        store->onChange = [this] { ++changes; };
        store->onActivate = [this](std::optional<Uuid> id) { activations.push_back(id); };
        return store;
    }

    std::vector<std::string> names(const std::vector<ContextPtr>& list) {
        std::vector<std::string> out;
        for (const auto& c : list)
            out.push_back(c->name);
        return out;
    }

    // A loaded store holding contexts A, B and C, in that order, with no active context.
    std::unique_ptr<ContextStore> storeABC() {
        files.contents[file] = R"({"contexts":[)" + contextJson(a, "A") + "," +
                               contextJson(b, "B") + "," + contextJson(c, "C") + "]}";
        auto store = makeStore();
        store->load();
        return store;
    }

    Uuid a = Uuid::random(), b = Uuid::random(), c = Uuid::random();
};

TEST_F(ContextStoreTest, CreatesItsFolderAndPointsAtContextsJson) {
    auto store = makeStore();
    EXPECT_EQ(store->url, file);
    EXPECT_TRUE(files.directories.count(dir));
}

TEST_F(ContextStoreTest, FirstLaunchWithoutAFile) {
    auto store = makeStore();
    store->load();
    EXPECT_TRUE(store->contexts.empty());
    ASSERT_EQ(store->workspaces.size(), 1u);
    EXPECT_EQ(store->workspaces[0].name, "Default");
    EXPECT_FALSE(store->activeID);
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ContextStoreTest, FileWithoutWorkspacesGetsADefaultOneThatHoldsEveryContext) {
    auto store = storeABC();
    ASSERT_EQ(store->workspaces.size(), 1u);
    EXPECT_EQ(store->workspaces[0].name, "Default");
    for (const auto& context : store->contexts) {
        EXPECT_FALSE(context->workspaceID);
        EXPECT_EQ(store->workspaceID(*context), store->workspaces[0].id);
    }
    EXPECT_EQ(names(store->contextsInWorkspace(store->workspaces[0].id)),
              (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(changes, 0);
}

TEST_F(ContextStoreTest, SuccessfulLoadCopiesTheFileToTheBackupByteForByte) {
    std::string bytes = R"(  {"contexts":[)" + contextJson(a, "A", R"(,"unknown":1)") +
                        R"(], "activeID":")" + a.str() + "\"}\n";
    files.contents[file] = bytes;
    auto store = makeStore();
    store->load();
    EXPECT_EQ(files.contents[backup], bytes);
    EXPECT_EQ(files.contents[file], bytes); // load does not save
    EXPECT_EQ(store->activeID, a);
    EXPECT_FALSE(files.has(corrupt));
}

TEST_F(ContextStoreTest, UndecodableFileIsPreservedAndTheStoreStartsEmpty) {
    // A pin without "matchAppOnly" rejects the whole file.
    std::string bytes = R"({"contexts":[)" +
                        contextJson(a, "A", R"(,"members":[{"bundleID":"b","title":"t"}])") + "]}";
    files.contents[file] = bytes;
    files.contents[backup] = "previous good file";
    auto store = makeStore();
    store->load();
    EXPECT_EQ(files.contents[corrupt], bytes);
    EXPECT_EQ(files.contents[backup], "previous good file");
    EXPECT_EQ(files.contents[file], bytes);
    EXPECT_EQ(log.lines,
              std::vector<std::string>{
                  "contexts.json failed to decode — preserved as contexts.json.corrupt"});
    EXPECT_TRUE(store->contexts.empty());
    EXPECT_EQ(store->workspaces.size(), 1u);

    // The next save replaces the broken file; the copy stays.
    store->add(makeContext("Default", "#138A80"));
    EXPECT_NE(files.contents[file], bytes);
    EXPECT_EQ(files.contents[corrupt], bytes);
}

TEST_F(ContextStoreTest, GarbageOfAnyKindIsPreservedUnchanged) {
    std::vector<std::string> inputs = {
        std::string(50 * 1024 * 1024, '\xFF'),
        std::string(100000, '{'),
        std::string("\0\0\0binary", 9),
        R"({"contexts":[{"id":"x"}]})",
        R"({"contexts":[{"members":[{"wid":99999999999}]}]})",
    };
    for (const std::string& bytes : inputs) {
        files.contents.clear();
        log.lines.clear();
        files.contents[file] = bytes;
        auto store = makeStore();
        store->load();
        EXPECT_TRUE(files.contents[corrupt] == bytes);
        EXPECT_EQ(log.lines.size(), 1u);
        EXPECT_TRUE(store->contexts.empty());
    }
}

TEST_F(ContextStoreTest, FailedWritesOfCopiesAreIgnored) {
    files.contents[file] = "broken";
    files.failWrites = {corrupt, backup, file};
    auto store = makeStore();
    store->load();
    EXPECT_EQ(log.lines.size(), 1u);
    store->save();
    EXPECT_EQ(changes, 1); // onChange even when the write failed
    EXPECT_EQ(files.contents[file], "broken");
}

TEST_F(ContextStoreTest, UnreadableFileLeavesTheStoreEmptyWithoutCopies) {
    files.contents[file] = "{}";
    files.failReads = {file};
    auto store = makeStore();
    store->load();
    EXPECT_TRUE(store->contexts.empty());
    EXPECT_FALSE(files.has(corrupt));
    EXPECT_FALSE(files.has(backup));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ContextStoreTest, SaveLoadSaveIsByteIdentical) {
    auto store = makeStore();
    store->load();
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

    auto again = makeStore();
    again->load();
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
    auto store = makeStore();
    store->load();
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
    EXPECT_EQ(names(store->contextsByRecency()), (std::vector<std::string>{"Next", "Home"}));
}

TEST_F(ContextStoreTest, SetActiveCallsOnActivateOnlyOnChange) {
    auto store = storeABC();
    store->setActive(b);
    EXPECT_EQ(activations, (std::vector<std::optional<Uuid>>{b}));
    EXPECT_EQ(changes, 1);
    int writes = files.writes;
    store->setActive(b);
    EXPECT_EQ(activations.size(), 1u);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(files.writes, writes + 1);
    store->setActive(std::nullopt);
    EXPECT_EQ(activations.back(), std::nullopt);
    EXPECT_FALSE(store->activeID);
}

TEST_F(ContextStoreTest, SetActiveSilentDoesNothingWhenUnchanged) {
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
}

TEST_F(ContextStoreTest, RecencyFollowsActivation) {
    auto store = storeABC();
    EXPECT_EQ(names(store->contextsByRecency()), (std::vector<std::string>{"A", "B", "C"}));
    store->setActive(c);
    store->setActive(a);
    EXPECT_EQ(names(store->contextsByRecency()), (std::vector<std::string>{"A", "C", "B"}));
}

TEST_F(ContextStoreTest, LoadPutsTheActiveContextFirst) {
    files.contents[file] = R"({"contexts":[)" + contextJson(a, "A") + "," + contextJson(b, "B") +
                           "," + contextJson(c, "C") + R"(],"activeID":")" + c.str() + "\"}";
    auto store = makeStore();
    store->load();
    EXPECT_EQ(names(store->contextsByRecency()), (std::vector<std::string>{"C", "A", "B"}));
}

TEST_F(ContextStoreTest, ContextsAddedBehindTheStoresBackRankLast) {
    auto store = storeABC();
    auto late = makeContext("Late", "#000000");
    store->contexts.insert(store->contexts.begin(), late);
    store->setActive(b);
    EXPECT_EQ(names(store->contextsByRecency()), (std::vector<std::string>{"B", "A", "C", "Late"}));
}

TEST_F(ContextStoreTest, RemovingTheActiveContextActivatesTheFirstRemaining) {
    auto store = storeABC();
    store->setActive(b);
    activations.clear();
    ContextPtr removed = store->contexts[1];
    store->remove(*removed);
    EXPECT_EQ(names(store->contexts), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(store->activeID, a);
    EXPECT_TRUE(activations.empty());
    EXPECT_EQ(names(store->contextsByRecency()), (std::vector<std::string>{"A", "C"}));

    store->remove(*store->contexts[0]); // a reference into the list itself
    store->remove(*store->contexts[0]);
    EXPECT_TRUE(store->contexts.empty());
    EXPECT_FALSE(store->activeID);
}

TEST_F(ContextStoreTest, RemovingAnInactiveContextKeepsTheActiveOne) {
    auto store = storeABC();
    store->setActive(c);
    store->remove(*store->contexts[0]);
    EXPECT_EQ(store->activeID, c);
    EXPECT_EQ(names(store->contextsByRecency()), (std::vector<std::string>{"C", "B"}));
}

TEST_F(ContextStoreTest, ActiveWorkspaceFallsBackToTheFirst) {
    auto store = storeABC();
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Two"});
    EXPECT_EQ(store->activeWorkspaceID(), store->workspaces[0].id);
    store->contexts[1]->workspaceID = second;
    store->setActive(b);
    EXPECT_EQ(store->activeWorkspaceID(), second);
    store->setActive(Uuid::random()); // names no context
    EXPECT_EQ(store->activeWorkspaceID(), store->workspaces[0].id);
    store->workspaces.clear();
    EXPECT_FALSE(store->activeWorkspaceID());
    EXPECT_FALSE(store->workspaceID(*store->contexts[0]));
    EXPECT_EQ(store->workspaceID(*store->contexts[1]), second);
}

TEST_F(ContextStoreTest, ContextsOfAWorkspaceKeepListOrder) {
    auto store = storeABC();
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Two"});
    store->contexts[0]->workspaceID = second;
    store->contexts[2]->workspaceID = second;
    EXPECT_EQ(names(store->contextsInWorkspace(second)), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(names(store->contextsStatic(second)), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(names(store->contextsInWorkspace(store->workspaces[0].id)),
              (std::vector<std::string>{"B"}));
}

TEST_F(ContextStoreTest, RenameWorkspace) {
    auto store = storeABC();
    store->renameWorkspace(Uuid::random(), "Nope");
    EXPECT_EQ(changes, 0);
    store->renameWorkspace(store->workspaces[0].id, "  Spaced ");
    EXPECT_EQ(store->workspaces[0].name, "  Spaced ");
    EXPECT_EQ(changes, 1);
}

TEST_F(ContextStoreTest, RemovingTheFirstWorkspaceMovesNamedAndUnnamedContexts) {
    auto store = storeABC();
    Uuid first = store->workspaces[0].id;
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Two"});
    store->contexts[0]->workspaceID = first; // names it
    store->contexts[2]->workspaceID = second;
    store->removeWorkspace(first);
    ASSERT_EQ(store->workspaces.size(), 1u);
    EXPECT_EQ(store->workspaces[0].id, second);
    EXPECT_EQ(store->contexts.size(), 3u);
    for (const auto& context : store->contexts)
        EXPECT_EQ(context->workspaceID, second);
    EXPECT_EQ(changes, 1);
}

TEST_F(ContextStoreTest, RemovingALaterWorkspaceLeavesUnnamedContextsAlone) {
    auto store = storeABC();
    Uuid first = store->workspaces[0].id;
    Uuid second = Uuid::random();
    store->workspaces.push_back(Workspace{second, "Two"});
    store->contexts[1]->workspaceID = second;
    store->removeWorkspace(second);
    EXPECT_FALSE(store->contexts[0]->workspaceID);
    EXPECT_EQ(store->contexts[1]->workspaceID, first);
}

TEST_F(ContextStoreTest, TheOnlyWorkspaceAndUnknownIdsAreNotRemoved) {
    auto store = storeABC();
    store->removeWorkspace(store->workspaces[0].id);
    EXPECT_EQ(store->workspaces.size(), 1u);
    store->workspaces.push_back(Workspace{Uuid::random(), "Two"});
    store->removeWorkspace(Uuid::random());
    EXPECT_EQ(store->workspaces.size(), 2u);
    EXPECT_EQ(changes, 0);
}

TEST_F(ContextStoreTest, NullCallbacksAreTolerated) {
    auto store = storeABC();
    store->onChange = nullptr;
    store->onActivate = nullptr;
    store->setActive(a);
    EXPECT_EQ(store->activeID, a);
}

} // namespace
} // namespace morvelan
