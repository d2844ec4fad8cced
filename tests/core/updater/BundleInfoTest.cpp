// Tests of how the program learns its version and bundle from Info.json.
#include "core/updater/BundleInfo.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

class BundleInfoTest : public ::testing::Test {
protected:
    MemoryFiles files;
    const std::filesystem::path app = "/opt/Morvelan.app";
};

TEST_F(BundleInfoTest, ReleaseBundleReadsVersionAndItsFolder) {
    files.contents[app / "Info.json"] =
        R"({"CFBundleShortVersionString":"1.4.2","MorvelanDevBuild":false})";
    auto info = BundleInfo::load(files, app / "morvelan", "0.1.0");
    EXPECT_EQ(info.version, "1.4.2");
    EXPECT_FALSE(info.devBuild);
    EXPECT_EQ(info.bundle, app);
}

TEST_F(BundleInfoTest, WithoutInfoFileItIsADevelopmentBuildOfTheBuiltVersion) {
    auto info = BundleInfo::load(files, "/home/me/src/morvelan/build/src/qt/morvelan", "0.1.0");
    EXPECT_EQ(info.version, "0.1.0");
    EXPECT_TRUE(info.devBuild);
    EXPECT_FALSE(info.bundle);
}

TEST_F(BundleInfoTest, WrongTypesFallBackToZeroAndNotDev) {
    files.contents[app / "Info.json"] = R"({"CFBundleShortVersionString":2,"MorvelanDevBuild":1})";
    auto info = BundleInfo::load(files, app / "morvelan", "0.1.0");
    EXPECT_EQ(info.version, "0");
    EXPECT_FALSE(info.devBuild);
}

TEST_F(BundleInfoTest, DevFlagIsRead) {
    files.contents[app / "Info.json"] = R"({"MorvelanDevBuild":true})";
    auto info = BundleInfo::load(files, app / "morvelan", "0.1.0");
    EXPECT_EQ(info.version, "0");
    EXPECT_TRUE(info.devBuild);
}

TEST_F(BundleInfoTest, BrokenInfoFileKeepsTheBundleWithDefaults) {
    files.contents[app / "Info.json"] = "{oops";
    auto info = BundleInfo::load(files, app / "morvelan", "0.1.0");
    EXPECT_EQ(info.version, "0");
    EXPECT_EQ(info.bundle, app);
}

TEST_F(BundleInfoTest, InfoFileOutsideAnAppFolderHasNoBundle) {
    files.contents["/usr/lib/morvelan/Info.json"] = R"({"CFBundleShortVersionString":"1.4.2"})";
    auto info = BundleInfo::load(files, "/usr/lib/morvelan/morvelan", "0.1.0");
    EXPECT_EQ(info.version, "1.4.2");
    EXPECT_FALSE(info.devBuild);
    EXPECT_FALSE(info.bundle);
}

} // namespace
} // namespace morvelan
