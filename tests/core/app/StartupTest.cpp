// The first-launch "Default" context.
#include "core/app/Startup.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(DefaultContext, EmptyOrCorruptStoreGetsOneDefaultContextAndTheNextLaunchAddsNothing) {
    for (std::optional<std::string> stored :
         {std::optional<std::string>(), std::optional<std::string>(R"({"contexts":[]})"),
          std::optional<std::string>("{not json")}) {
        SCOPED_TRACE(stored.value_or("(no file)"));
        MemoryFiles files;
        RecordingLog log;
        const auto path = files.appSupportDir() / "contexts.json";
        if (stored) files.contents[path] = *stored;
        {
            ContextStore store(files, log);
            store.load();
            addDefaultContextIfEmpty(store);
            ASSERT_EQ(store.contexts.size(), 1u);
            EXPECT_EQ(store.contexts[0]->name, "Default");
            EXPECT_EQ(store.contexts[0]->colorHex, "#138A80");
            EXPECT_EQ(store.activeID, store.contexts[0]->id);
        }
        if (stored == "{not json") { // kept aside
            EXPECT_EQ(files.contents.at(files.appSupportDir() / "contexts.json.corrupt"), *stored);
        }
        const std::string first = files.contents.at(path);
        ContextStore again(files, log);
        again.load();
        addDefaultContextIfEmpty(again);
        EXPECT_EQ(again.contexts.size(), 1u);
        EXPECT_EQ(files.contents.at(path), first);
    }
}

} // namespace
} // namespace morvelan
