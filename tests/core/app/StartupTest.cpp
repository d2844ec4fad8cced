// The first-launch "Default" context.
#include "core/app/Startup.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(DefaultContext, FirstLaunchCreatesOneDefaultContextAndASecondAddsNothing) {
    MemoryFiles files;
    RecordingLog log;
    {
        ContextStore store(files, log);
        store.load();
        addDefaultContextIfEmpty(store);
        ASSERT_EQ(store.contexts.size(), 1u);
        EXPECT_EQ(store.contexts[0]->name, "Default");
        EXPECT_EQ(store.contexts[0]->colorHex, "#138A80");
        EXPECT_EQ(store.activeID, store.contexts[0]->id);
    }
    const std::string first = files.contents.at(files.appSupportDir() / "contexts.json");
    ContextStore again(files, log);
    again.load();
    addDefaultContextIfEmpty(again);
    EXPECT_EQ(again.contexts.size(), 1u);
    EXPECT_EQ(files.contents.at(files.appSupportDir() / "contexts.json"), first);
}

TEST(DefaultContext, StoredFileWithoutContextsGetsTheDefault) {
    MemoryFiles files;
    RecordingLog log;
    files.contents[files.appSupportDir() / "contexts.json"] = R"({"contexts":[]})";
    ContextStore store(files, log);
    store.load();
    addDefaultContextIfEmpty(store);
    ASSERT_EQ(store.contexts.size(), 1u);
    EXPECT_EQ(store.contexts[0]->name, "Default");
}

TEST(DefaultContext, CorruptFileIsKeptAsideAndTheDefaultReplacesIt) {
    MemoryFiles files;
    RecordingLog log;
    const auto path = files.appSupportDir() / "contexts.json";
    files.contents[path] = "{not json";
    ContextStore store(files, log);
    store.load();
    addDefaultContextIfEmpty(store);
    EXPECT_EQ(files.contents.at(files.appSupportDir() / "contexts.json.corrupt"), "{not json");
    ASSERT_EQ(store.contexts.size(), 1u);
    EXPECT_NE(files.contents.at(path).find("\"Default\""), std::string::npos);
}

} // namespace
} // namespace morvelan
