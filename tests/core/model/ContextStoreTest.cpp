// ContextStore: the contexts file with its backup and corrupt copy, activation and recency,
// workspaces, and export, import and reload of the configuration.
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
using Activations = std::vector<std::optional<Uuid>>;

class ContextStoreTest : public ::testing::Test {
protected:
    // A store that has loaded whatever the file holds now.
    std::unique_ptr<ContextStore> loaded() {
        auto store = std::make_unique<ContextStore>(files, log);
        store->onChange = [this] { ++changes; };
        store->onActivate = [this](std::optional<Uuid> id) { activations.push_back(id); };
        store->load();
        return store;
    }

    // A file holding contexts A, B and C in that order; `tail` ends its top object.
    std::string fileABC(const std::string& tail = "") const {
        std::string list;
        for (const auto& [id, name] : {std::pair{a, "A"}, {b, "B"}, {c, "C"}})
            list += std::string(list.empty() ? "" : ",") + R"({"id":")" + id.str() +
                    R"(","name":")" + name + R"(","colorHex":"#FF6B6B"})";
        return R"({"contexts":[)" + list + "]" + tail + "}";
    }
    std::unique_ptr<ContextStore> storeABC(const std::string& tail = "") {
        files.contents[file] = fileABC(tail);
        return loaded();
    }

    static Names names(const std::vector<ContextPtr>& list) {
        Names out;
        for (const auto& context : list)
            out.push_back(context->name);
        return out;
    }
    // The whole configuration and the recency order, as text.
    static std::string state(const ContextStore& store) {
        auto bytes = encodeContexts(store.contexts(), store.activeID(), store.workspaces());
        std::string recency;
        for (const auto& name : names(store.contextsByRecency()))
            recency += name;
        return (bytes.ok() ? *bytes : "?") + recency;
    }

    MemoryFiles files;
    RecordingLog log;
    int changes = 0;
    Activations activations;
    Uuid a = Uuid::random(), b = Uuid::random(), c = Uuid::random();
};

TEST_F(ContextStoreTest, LoadBacksUpAGoodFileAndNeverTheDefaultWrittenAfterAFailedLoad) {
    // Unknown keys and spacing survive in the backup; loading does not rewrite the file.
    const std::string good = "  " + fileABC(R"(,"unknown":1,"activeID":")" + a.str() + "\"") + "\n";
    files.contents[file] = good;
    EXPECT_EQ(loaded()->activeID(), a);
    EXPECT_EQ(files.contents[backup], good);
    EXPECT_EQ(files.contents[file], good);

    for (const std::string& bytes :
         {std::string(R"({"contexts":[{"id":"x"}]})"), std::string("\0\0\0binary", 9)}) {
        SCOPED_TRACE(bytes);
        files.contents[file] = bytes;
        log.lines.clear();
        auto store = loaded();
        EXPECT_TRUE(files.contents[corrupt] == bytes);
        EXPECT_EQ(files.contents[backup], good);
        EXPECT_EQ(log.lines,
                  Names{"contexts.json failed to decode — preserved as contexts.json.corrupt"});
        EXPECT_TRUE(store->contexts().empty());
        // The next save replaces the broken file; the copy stays.
        store->addDefaultIfEmpty();
        EXPECT_FALSE(files.contents[file] == bytes);
        EXPECT_TRUE(files.contents[corrupt] == bytes);
    }
    // The next launch loads that "Default" fine, but the backup keeps the user's contexts.
    loaded();
    EXPECT_EQ(files.contents[backup], good);

    // An unreadable file is not taken for a corrupt one nor saved over; a held save still tells
    // the tray.
    files.contents = {{file, "{}"}};
    files.failReads = {file};
    auto unreadable = loaded();
    EXPECT_FALSE(files.has(corrupt) || files.has(backup));
    changes = 0;
    unreadable->save();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(files.contents[file], "{}");
}

TEST_F(ContextStoreTest, ActivationOrdersByRecencyAndRemovalHandsActivationOnSilently) {
    // The active context first, then the never-activated ones in list order.
    auto store = storeABC(R"(,"activeID":")" + c.str() + "\"");
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"C", "A", "B"}));

    // setActive saves even when nothing changes and tells only a change; setActiveSilent
    // tells nothing and saves only a change.
    const int writes = files.writes;
    store->setActiveSilent(c);
    store->setActiveSilent(b);
    store->setActive(b);
    store->setActive(c);
    EXPECT_EQ(activations, Activations{c});
    EXPECT_EQ(files.writes, writes + 3);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"C", "B", "A"}));

    // add() activates silently, in the active context's workspace.
    const Uuid second = store->addWorkspace("Two");
    store->contexts()[2]->workspaceID = second;
    auto next = makeContext("Next", "#000000");
    store->add(next);
    EXPECT_EQ(next->workspaceID, second);
    EXPECT_EQ(names(store->contextsByRecency()), (Names{"Next", "C", "B", "A"}));

    store->remove(*next);
    EXPECT_EQ(store->activeID(), store->contexts()[0]->id);
    store->remove(*store->contexts()[2]); // inactive: the active one stays
    EXPECT_EQ(store->activeID(), store->contexts()[0]->id);
    // Each context removed through a reference into the list, its only owner.
    while (!store->contexts().empty())
        store->remove(*store->contexts()[0]);
    EXPECT_FALSE(store->activeID());
    EXPECT_EQ(activations, Activations{c});
}

TEST_F(ContextStoreTest, ContextsWithoutAKnownWorkspaceCountAsTheFirstAndRemovalHandsThemOn) {
    auto store = storeABC(); // a file without workspaces gets a "Default" one
    const Uuid first = store->workspaces()[0].id, second = store->addWorkspace("Two");
    store->contexts()[0]->workspaceID = second;
    EXPECT_EQ(names(store->contextsInWorkspace(first)), (Names{"B", "C"}));
    EXPECT_EQ(store->activeWorkspaceID(), first);
    store->setActive(a);
    EXPECT_EQ(store->activeWorkspaceID(), second);
    store->setActive(Uuid::random()); // names no context
    EXPECT_EQ(store->activeWorkspaceID(), first);

    const Uuid third = store->addWorkspace("Three");
    changes = 0;
    store->removeWorkspace(Uuid::random());
    // A later workspace hands its contexts to the first; those without one keep none.
    store->contexts()[2]->workspaceID = first;
    store->removeWorkspace(second);
    EXPECT_EQ(store->contexts()[0]->workspaceID, first);
    EXPECT_FALSE(store->contexts()[1]->workspaceID);
    // The first hands on the contexts naming it and those without a workspace.
    store->removeWorkspace(first);
    for (const auto& context : store->contexts())
        EXPECT_EQ(context->workspaceID, third);
    store->removeWorkspace(third); // the last one stays
    EXPECT_EQ(store->workspaces().size(), 1u);
    EXPECT_EQ(changes, 2) << "an unknown or the last workspace is left alone";
}

TEST_F(ContextStoreTest, ImportReplacesTheWholeConfigurationWithoutAnActivationAndSaves) {
    auto store = storeABC(R"(,"activeID":")" + b.str() + "\"");
    ASSERT_TRUE(store->exportConfig(exported).ok());
    const std::string before = state(*store);
    store->setActive(c);
    store->remove(*store->contexts().back());
    files.contents[file] = "stale";
    ASSERT_TRUE(store->importConfig(exported).ok());
    EXPECT_EQ(state(*store), before);
    EXPECT_EQ(files.contents[file], files.contents[exported]);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(activations, Activations{c}) << "only setActive told";
}

TEST_F(ContextStoreTest, FailedImportReloadOrExportSaysWhyAndTouchesNothing) {
    auto store = storeABC(R"(,"activeID":")" + b.str() + "\"");
    const std::string before = state(*store);
    files.contents[exported] = R"({"contexts":[{"id":")" + a.str() + R"(","name":"X"}]})";
    EXPECT_FALSE(store->importConfig("/nowhere.json").ok());
    auto invalid = store->importConfig(exported);
    ASSERT_FALSE(invalid.ok());
    EXPECT_EQ(invalid.error().message, "Missing required field “colorHex”.");

    const std::pair<std::optional<std::string>, std::string> reloads[] = {
        {std::nullopt, "Could not read the config file."},
        {files.contents[exported], "Missing required field “colorHex”."},
        {"{ this is not json", "Invalid JSON — "}};
    for (const auto& [bytes, sentence] : reloads) {
        files.contents.erase(file);
        if (bytes) files.contents[file] = *bytes;
        auto result = store->reload();
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().description().rfind(sentence, 0), 0u);
        EXPECT_EQ(files.has(file) ? files.contents[file] : "", bytes.value_or(""));
    }
    EXPECT_EQ(state(*store), before);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(log.lines.empty()) << "reload reports to the user, not to the log";
    EXPECT_FALSE(files.has(corrupt));

    files.failWrites = {exported};
    auto failed = store->exportConfig(exported);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message, "No space left on device");
}

} // namespace
} // namespace morvelan
