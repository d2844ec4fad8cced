// Configuration export, import and reload, and the sentences reload reports.
#include "core/model/ContextStore.h"

#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

const std::filesystem::path dir = "/home/test/.local/share/Morvelan";
const std::filesystem::path file = dir / "contexts.json";
const std::filesystem::path backup = dir / "contexts.json.bak";
const std::filesystem::path exported = "/home/test/morvelan-config.json";

class ConfigTest : public ::testing::Test {
protected:
    MemoryFiles files;
    RecordingLog log;
    ContextStore store{files, log};
    int changes = 0;
    int activations = 0;

    void SetUp() override {
        store.load();
        auto work = makeContext("Work", "#FF6B6B");
        work->rules = {Rule{{Condition{RuleField::appName, RuleOp::equals, "Code"}}, false}};
        store.add(work);
        store.add(makeContext("Home", "#4ECDC4"));
        store.setActive(work->id);
        store.onChange = [this] { ++changes; };
        store.onActivate = [this](std::optional<Uuid>) { ++activations; };
        files.writes = 0;
    }

    // Everything reload and import must leave alone on failure.
    struct Snapshot {
        std::vector<ContextPtr> contexts;
        std::vector<Workspace> workspaces;
        std::optional<Uuid> activeID;
        std::vector<ContextPtr> recency;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() const {
        return {store.contexts, store.workspaces, store.activeID, store.contextsByRecency()};
    }

    // The sentence of a failed reload of `bytes` (no file when absent), which must leave the
    // store and the user's file as they are.
    std::string reloadError(const std::optional<std::string>& bytes) {
        files.contents.erase(file);
        if (bytes) files.contents[file] = *bytes;
        Snapshot before = snapshot();
        auto result = store.reload();
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
    ASSERT_TRUE(store.exportConfig(exported).ok());
    EXPECT_EQ(files.contents[exported], files.contents[file]);
    EXPECT_TRUE(snapshot() == before);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(files.writes, 1);

    files.failWrites = {exported};
    auto result = store.exportConfig(exported);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message, "No space left on device");
}

TEST_F(ConfigTest, ExportThenImportKeepsTheConfigurationAndRewritesTheFile) {
    ASSERT_TRUE(store.exportConfig(exported).ok());
    std::string saved = files.contents[file];
    files.contents[file] = "stale";
    Snapshot before = snapshot();

    ASSERT_TRUE(store.importConfig(exported).ok());
    EXPECT_EQ(files.contents[file], saved);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(activations, 0);
    EXPECT_EQ(store.activeID, before.activeID);
    EXPECT_EQ(store.workspaces, before.workspaces);
    ASSERT_EQ(store.contexts.size(), 2u);
    EXPECT_EQ(store.contexts[0]->id, before.contexts[0]->id);
    EXPECT_EQ(store.contexts[0]->rules, before.contexts[0]->rules);
    EXPECT_EQ(store.contextsByRecency()[0]->id, before.recency[0]->id);
}

TEST_F(ConfigTest, ImportAddsADefaultWorkspaceWhenNoneAndKeepsAnActiveIdNamingNoContext) {
    files.contents[exported] = context(R"(,"colorHex":"#000000")");
    ASSERT_TRUE(store.importConfig(exported).ok());
    ASSERT_EQ(store.workspaces.size(), 1u);
    EXPECT_EQ(store.workspaces[0].name, "Default");
    EXPECT_EQ(store.contextsInWorkspace(store.workspaces[0].id).size(), 1u);
    EXPECT_FALSE(store.activeID);

    Uuid ghost = Uuid::random(), ws = Uuid::random(), other = Uuid::random();
    files.contents[exported] = R"({"contexts":[{"id":")" + Uuid::random().str() +
                               R"(","name":"X","colorHex":"#000000","workspaceID":")" +
                               other.str() + R"("}],"activeID":")" + ghost.str() +
                               R"(","workspaces":[{"id":")" + ws.str() +
                               R"(","name":"W"},{"id":")" + other.str() + R"(","name":"O"}]})";
    ASSERT_TRUE(store.importConfig(exported).ok());
    EXPECT_EQ(store.activeID, ghost);
    EXPECT_EQ(store.activeWorkspaceID(), ws);
    // The ghost is first in the recency list but names no context to show.
    EXPECT_EQ(store.contextsByRecency().size(), 1u);
    auto known = makeContext("Late", "#000000");
    known->id = ghost;
    store.contexts.push_back(known);
    EXPECT_EQ(store.contextsByRecency().front(), known);
}

TEST_F(ConfigTest, ImportFailuresLeaveTheStoreAlone) {
    Snapshot before = snapshot();
    auto missing = store.importConfig("/nowhere.json");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, "No such file or directory");
    files.contents[exported] = context("");
    auto invalid = store.importConfig(exported);
    ASSERT_FALSE(invalid.ok());
    EXPECT_EQ(invalid.error().message, "Missing required field “colorHex”.");
    EXPECT_TRUE(snapshot() == before);
    EXPECT_EQ(changes, 0);
}

TEST_F(ConfigTest, ReloadAppliesAHandEditedFileAndDropsUnknownKeys) {
    Uuid id = Uuid::random();
    std::string lower = id.str();
    for (char& ch : lower)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    files.contents[file] =
        R"({"contexts":[{"id":")" + lower +
        R"(","name":"Edited","colorHex":"#000000","note":"mine"}],"activeID":")" + lower +
        R"(","comment":"by hand"})";
    files.contents.erase(backup);
    auto result = store.reload();
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(store.contexts.size(), 1u);
    EXPECT_EQ(store.contexts[0]->name, "Edited");
    EXPECT_EQ(store.activeID, id);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(activations, 0);
    const std::string& rewritten = files.contents[file];
    EXPECT_EQ(rewritten.find("note"), std::string::npos);
    EXPECT_EQ(rewritten.find("comment"), std::string::npos);
    EXPECT_NE(rewritten.find(id.str()), std::string::npos);
    EXPECT_FALSE(files.has(backup));
}

TEST_F(ConfigTest, FailedReloadSaysWhyAndTouchesNothing) {
    EXPECT_EQ(reloadError(std::nullopt), "Could not read the config file.");
    EXPECT_EQ(reloadError(context(R"(,"members":[])")), "Missing required field “colorHex”.");
    EXPECT_EQ(reloadError(R"({"contexts":[],"workspaces":[5]})"), "Wrong type for “Index 0”.");
    for (const std::string& bytes :
         {std::string("{ this is not json"), std::string(R"({"contexts":[],"activeID":"123"})"),
          std::string(5000, '[')}) {
        std::string text = reloadError(bytes);
        EXPECT_EQ(text.rfind("Invalid JSON — ", 0), 0u) << text;
    }
    EXPECT_TRUE(log.lines.empty()); // reload reports to the user, not to the log
    EXPECT_FALSE(files.has(dir / "contexts.json.corrupt"));
}

} // namespace
} // namespace morvelan
