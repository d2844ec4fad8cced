// Tests of the checks that keep an update archive inside its unpacking folder.
#include "core/updater/ArchiveSafety.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>
#include <utility>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

TEST(ArchiveEntries, OrdinaryListingsPass) {
    for (const char* listing :
         {"Morvelan.app/\nMorvelan.app/morvelan\nMorvelan.app/Info.json\nMorvelan.app/lib/\n"
          "Morvelan.app/lib/libx.so.1\nMorvelan.app/lib/libx.so\n",
          "", "Morvelan.app/a..b\r\nMorvelan.app/..hidden\n"})
        EXPECT_TRUE(ArchiveSafety::checkEntries(listing)) << listing;
}

TEST(ArchiveEntries, RefusalNamesTheReasonAndTheEntry) {
    using Case = std::pair<const char*, const char*>; // listing, part of the message
    for (auto [listing, reason] : {
             Case{"Morvelan.app/\n/etc/cron.d/x\n", "absolute path, \"/etc/cron.d/x\""},
             Case{"../x\n", "outside its folder, \"../x\""},
             Case{"Morvelan.app/../../x\n", "outside"},
             Case{"Morvelan.app/..\n", "outside"},
             Case{"a\\..\\..\\x\n", "outside"},
             Case{"..\n", "outside"},
             Case{"Morvelan.app/morvelan\n../evil", "outside"},
             Case{"Morvelan.app/morvelan\nMorvelan.app/morvelan\n", "twice"},
             // A link "Morvelan.app/lib" then "Morvelan.app/lib/x" writes through the link.
             Case{"Morvelan.app/lib\nMorvelan.app/lib/x\n", "\"Morvelan.app/lib\" both as a file"},
         }) {
        auto result = ArchiveSafety::checkEntries(listing);
        ASSERT_FALSE(result) << listing;
        EXPECT_NE(result.error().message.find(reason), std::string::npos) << listing;
    }
}

class ArchiveLinks : public ::testing::Test {
protected:
    ScratchFolder scratch;
    fs::path root() const { return scratch.path() / "unpacked"; }
    void SetUp() override {
        ScratchFolder::write(root() / "Morvelan.app/morvelan", "#!/bin/sh\n");
        ScratchFolder::write(root() / "Morvelan.app/lib/libx.so.1", "elf");
    }
    // Whether the check refuses once `at` leads to `target`; the link is removed again.
    bool refused(const fs::path& target, const char* at) {
        fs::create_symlink(target, root() / at);
        const bool refused = !ArchiveSafety::checkLinks(root());
        fs::remove(root() / at);
        return refused;
    }
};

TEST_F(ArchiveLinks, InwardLinksPassOutwardOnesAreRefused) {
    fs::create_symlink("libx.so.1", root() / "Morvelan.app/lib/libx.so");
    fs::create_symlink("../morvelan", root() / "Morvelan.app/lib/self");
    fs::create_symlink("missing-but-inside", root() / "Morvelan.app/dangling");
    EXPECT_TRUE(ArchiveSafety::checkLinks(root()));

    EXPECT_TRUE(refused("../../../outside", "Morvelan.app/lib/up"));
    // Lexically "hop/.." stays inside, but "hop" is a folder elsewhere.
    fs::create_directories(scratch.path() / "elsewhere/deep");
    fs::create_symlink(scratch.path() / "elsewhere/deep", root() / "hop");
    EXPECT_TRUE(refused("hop/..", "Morvelan.app/sneaky"));
    fs::remove(root() / "hop");
    fs::create_symlink("b", root() / "a");
    EXPECT_TRUE(refused("a", "b")) << "a loop";
    fs::remove(root() / "a");

    fs::create_symlink("/etc/passwd", root() / "Morvelan.app/lib/abs");
    auto result = ArchiveSafety::checkLinks(root());
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("\"Morvelan.app/lib/abs\" → \"/etc/passwd\""),
              std::string::npos);
}

} // namespace
} // namespace morvelan
