// Tests of how the program learns its version and bundle from Info.json.
#include "core/updater/BundleInfo.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(BundleInfoTest, InfoFileGivesVersionDevFlagAndBundle) {
    struct Case {
        const char* folder;
        const char* info; // nullptr: no Info.json
        const char* version;
        bool devBuild;
        bool inBundle;
    };
    const Case cases[] = {
        {"/opt/Morvelan.app", R"({"CFBundleShortVersionString":"1.4.2","MorvelanDevBuild":false})",
         "1.4.2", false, true},
        // Without Info.json the program runs from its build tree.
        {"/home/me/src/morvelan/build/src/qt", nullptr, "0.1.0", true, false},
        {"/opt/Morvelan.app", R"({"CFBundleShortVersionString":2,"MorvelanDevBuild":1})", "0",
         false, true},
        {"/opt/Morvelan.app", R"({"MorvelanDevBuild":true})", "0", true, true},
        {"/opt/Morvelan.app", "{oops", "0", false, true},
        {"/usr/lib/morvelan", R"({"CFBundleShortVersionString":"1.4.2"})", "1.4.2", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " " + (c.info ? c.info : "no Info.json"));
        MemoryFiles files;
        const std::filesystem::path folder = c.folder;
        if (c.info) files.contents[folder / "Info.json"] = c.info;
        auto info = BundleInfo::load(files, folder / "morvelan", "0.1.0");
        EXPECT_EQ(info.version, c.version);
        EXPECT_EQ(info.devBuild, c.devBuild);
        EXPECT_EQ(info.bundle, c.inBundle ? std::optional(folder) : std::nullopt);
    }
}

} // namespace
} // namespace morvelan
