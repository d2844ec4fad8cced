// Tests of the checks that keep an update archive inside its unpacking folder.
#include "core/updater/ArchiveSafety.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

TEST(ArchiveEntries, OrdinaryBundleListingPasses) {
    EXPECT_TRUE(ArchiveSafety::checkEntries(
        "Morvelan.app/\nMorvelan.app/morvelan\nMorvelan.app/Info.json\nMorvelan.app/lib/\n"
        "Morvelan.app/lib/libx.so.1\nMorvelan.app/lib/libx.so\n"));
    EXPECT_TRUE(ArchiveSafety::checkEntries(""));
    EXPECT_TRUE(ArchiveSafety::checkEntries("Morvelan.app/a..b\r\nMorvelan.app/..hidden\n"));
}

TEST(ArchiveEntries, AbsoluteEntryIsRefusedAndNamed) {
    auto result = ArchiveSafety::checkEntries("Morvelan.app/\n/etc/cron.d/x\n");
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("absolute"), std::string::npos);
    EXPECT_NE(result.error().message.find("\"/etc/cron.d/x\""), std::string::npos);
}

TEST(ArchiveEntries, ParentComponentIsRefusedWhateverTheSeparator) {
    for (const char* listing : {"../x\n", "Morvelan.app/../../x\n", "Morvelan.app/..\n",
                                "a\\..\\..\\x\n", "..\n", "Morvelan.app/morvelan\n../evil"}) {
        auto result = ArchiveSafety::checkEntries(listing);
        ASSERT_FALSE(result) << listing;
        EXPECT_NE(result.error().message.find("outside"), std::string::npos);
    }
}

TEST(ArchiveEntries, DuplicateEntryIsRefused) {
    EXPECT_FALSE(ArchiveSafety::checkEntries("Morvelan.app/morvelan\nMorvelan.app/morvelan\n"));
}

TEST(ArchiveEntries, FileUsedAsAFolderIsRefused) {
    // A link "Morvelan.app/lib" followed by "Morvelan.app/lib/x" writes through the link.
    auto result = ArchiveSafety::checkEntries("Morvelan.app/lib\nMorvelan.app/lib/x\n");
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("\"Morvelan.app/lib\""), std::string::npos);
}

class ArchiveLinks : public ::testing::Test {
protected:
    ScratchFolder scratch;
    fs::path root() const { return scratch.path() / "unpacked"; }
    void SetUp() override {
        ScratchFolder::write(root() / "Morvelan.app/morvelan", "#!/bin/sh\n");
        ScratchFolder::write(root() / "Morvelan.app/lib/libx.so.1", "elf");
    }
};

TEST_F(ArchiveLinks, InwardLinksPass) {
    fs::create_symlink("libx.so.1", root() / "Morvelan.app/lib/libx.so");
    fs::create_symlink("../morvelan", root() / "Morvelan.app/lib/self");
    fs::create_symlink("missing-but-inside", root() / "Morvelan.app/dangling");
    EXPECT_TRUE(ArchiveSafety::checkLinks(root()));
}

TEST_F(ArchiveLinks, AbsoluteOutwardLinkIsRefused) {
    fs::create_symlink("/etc/passwd", root() / "Morvelan.app/lib/libx.so");
    auto result = ArchiveSafety::checkLinks(root());
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("Morvelan.app/lib/libx.so"), std::string::npos);
    EXPECT_NE(result.error().message.find("/etc/passwd"), std::string::npos);
}

TEST_F(ArchiveLinks, RelativeOutwardLinkIsRefused) {
    fs::create_symlink("../../../outside", root() / "Morvelan.app/lib/up");
    EXPECT_FALSE(ArchiveSafety::checkLinks(root()));
}

TEST_F(ArchiveLinks, LinkThroughAnOutwardFolderLinkIsRefused) {
    // Lexically "hop/.." stays inside, but "hop" is a folder elsewhere.
    fs::create_directories(scratch.path() / "elsewhere/deep");
    fs::create_symlink(scratch.path() / "elsewhere/deep", root() / "hop");
    fs::create_symlink("hop/..", root() / "Morvelan.app/sneaky");
    EXPECT_FALSE(ArchiveSafety::checkLinks(root()));
}

TEST_F(ArchiveLinks, LinkLoopIsRefused) {
    fs::create_symlink("b", root() / "a");
    fs::create_symlink("a", root() / "b");
    EXPECT_FALSE(ArchiveSafety::checkLinks(root()));
}

} // namespace
} // namespace morvelan
