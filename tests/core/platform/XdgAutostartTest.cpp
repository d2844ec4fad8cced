// Launch at login through an XDG autostart entry.
#include "core/platform/XdgAutostart.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace morvelan {
namespace {

class XdgAutostartTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "morvelan-autostart-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        entry = root / "autostart" / "morvelan.desktop";
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::string read() const {
        std::ifstream in(entry);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path root, entry;
};

TEST_F(XdgAutostartTest, EnableWritesAnEntryStartingTheRunningProgram) {
    XdgAutostart item(entry, "/opt/My Apps/Morvelan.app/morvelan");
    EXPECT_FALSE(item.enabled());
    ASSERT_TRUE(item.enable().ok());
    EXPECT_TRUE(item.enabled());
    EXPECT_NE(read().find("Exec=\"/opt/My Apps/Morvelan.app/morvelan\"\n"), std::string::npos);
    ASSERT_TRUE(item.disable().ok());
    EXPECT_FALSE(item.enabled());
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(XdgAutostartTest, HiddenEntryCountsAsDisabled) {
    std::filesystem::create_directories(entry.parent_path());
    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nExec=morvelan\nHidden=true\n";
    XdgAutostart item(entry, "/usr/bin/morvelan");
    EXPECT_FALSE(item.enabled());
    ASSERT_TRUE(item.enable().ok());
    EXPECT_TRUE(item.enabled());
}

TEST_F(XdgAutostartTest, ExecQuotesReservedCharacters) {
    XdgAutostart item(entry, "/tmp/a\"b$c/morvelan");
    ASSERT_TRUE(item.enable().ok());
    // After the file's string unescaping this reads "/tmp/a\"b\$c/morvelan".
    EXPECT_NE(read().find(R"(Exec="/tmp/a\\"b\\$c/morvelan")"), std::string::npos);
}

TEST_F(XdgAutostartTest, EnableFailsWhenTheFolderCannotBeMade) {
    std::ofstream(root / "autostart") << "a file in the way";
    XdgAutostart item(entry, "/usr/bin/morvelan");
    EXPECT_FALSE(item.enable().ok());
    EXPECT_FALSE(item.enabled());
}

} // namespace
} // namespace morvelan
