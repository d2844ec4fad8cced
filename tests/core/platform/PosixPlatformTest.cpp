// The POSIX pieces of the platform layer: private atomic files, the instance lock and the
// autostart entry, on real paths.
#include "core/platform/InstanceLock.h"
#include "core/platform/PosixFiles.h"
#include "core/platform/XdgAutostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "morvelan-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override { fs::remove_all(root); }

    static unsigned mode(const fs::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mode & 0777;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    long entries() const {
        return std::distance(fs::directory_iterator(root), fs::directory_iterator());
    }

    fs::path root;
};

using PosixFilesTest = TempDir;

TEST_F(PosixFilesTest, CreatesPrivateFoldersAndFilesAndReadsThemBack) {
    PosixFiles files(root / "share" / "Morvelan");
    ASSERT_TRUE(files.createDirectories(files.appSupportDir()).ok());
    EXPECT_EQ(mode(root / "share"), 0700u);
    EXPECT_EQ(mode(files.appSupportDir()), 0700u);

    const auto file = files.appSupportDir() / "contexts.json";
    ASSERT_TRUE(files.writeAtomic(file, "{\"a\":1}").ok());
    EXPECT_EQ(mode(file), 0600u);
    auto bytes = files.read(file);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(*bytes, "{\"a\":1}");

    auto missing = files.read(root / "missing.json");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("missing.json"), std::string::npos);
}

TEST_F(PosixFilesTest, ReplacesWholeFilesOrNothingAndLeavesNoTemporaries) {
    PosixFiles files(root);
    const auto file = root / "x.json";
    ASSERT_TRUE(files.writeAtomic(file, std::string(100000, 'a')).ok());
    ASSERT_TRUE(files.writeAtomic(file, "short").ok());
    EXPECT_EQ(*files.read(file), "short");
    EXPECT_EQ(entries(), 1);

    // A non-empty folder cannot be renamed over, even by root.
    const auto busy = root / "busy";
    fs::create_directories(busy / "inside");
    EXPECT_FALSE(files.writeAtomic(busy, "new").ok());
    EXPECT_TRUE(fs::is_directory(busy / "inside"));
    EXPECT_EQ(entries(), 2);
}

TEST_F(PosixFilesTest, FilesFoldersAndLinksExistMissingPathsDoNot) {
    std::ofstream(root / "Info.json") << "{}";
    fs::create_symlink(root / "gone", root / "dangling");
    PosixFiles files(root);
    EXPECT_TRUE(files.exists(root));
    EXPECT_TRUE(files.exists(root / "Info.json"));
    EXPECT_TRUE(files.exists(root / "dangling")) << "a link is there even when its target is not";
    EXPECT_FALSE(files.exists(root / "gone"));
    EXPECT_FALSE(files.exists(root / "Info.json/child"));
}

TEST_F(PosixFilesTest, FoldersFollowTheXdgVariables) {
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(PosixFiles::dataHomeFolder(), root / "data" / "Morvelan");
    EXPECT_EQ(PosixFiles::configHomeFolder(), root / ".config" / "Morvelan");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(PosixFiles::dataHomeFolder(), root / ".local/share" / "Morvelan");
}

using InstanceLockTest = TempDir;

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    const auto path = root / "morvelan.lock";
    {
        auto first = InstanceLock::acquire(path);
        ASSERT_TRUE(first.ok());
        auto second = InstanceLock::acquire(path);
        ASSERT_FALSE(second.ok());
        EXPECT_EQ(second.error().message, "another copy is already running");
    }
    EXPECT_TRUE(InstanceLock::acquire(path).ok());
}

TEST_F(InstanceLockTest, PathNamesUserAndDisplaySafely) {
    ::setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    auto path = InstanceLock::defaultPath(":0/../x");
    EXPECT_EQ(path.parent_path(), root);
    EXPECT_EQ(path.filename().string().find('/'), std::string::npos);
    EXPECT_NE(path.filename().string().find(std::to_string(::getuid())), std::string::npos);
}

using XdgAutostartTest = TempDir;

TEST_F(XdgAutostartTest, EnableWritesAnEntryStartingTheRunningProgramQuoted) {
    const auto entry = root / "autostart" / "morvelan.desktop";
    XdgAutostart item(entry, "/opt/My Apps/a\"b$c/morvelan");
    EXPECT_FALSE(item.enabled());
    ASSERT_TRUE(item.enable().ok());
    EXPECT_TRUE(item.enabled());
    // After the file's string unescaping this reads "/opt/My Apps/a\"b\$c/morvelan".
    EXPECT_NE(read(entry).find(R"(Exec="/opt/My Apps/a\\"b\\$c/morvelan")"
                               "\n"),
              std::string::npos);
    ASSERT_TRUE(item.disable().ok());
    EXPECT_FALSE(item.enabled());
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(XdgAutostartTest, HiddenEntryCountsAsDisabledAndAFileInTheWayFailsTheEnable) {
    const auto entry = root / "autostart" / "morvelan.desktop";
    std::ofstream(root / "autostart") << "a file in the way";
    XdgAutostart item(entry, "/usr/bin/morvelan");
    EXPECT_FALSE(item.enable().ok());
    EXPECT_FALSE(item.enabled());

    fs::remove(root / "autostart");
    fs::create_directories(entry.parent_path());
    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nExec=morvelan\nHidden=true\n";
    EXPECT_FALSE(item.enabled());
    ASSERT_TRUE(item.enable().ok());
    EXPECT_TRUE(item.enabled());
}

} // namespace
} // namespace morvelan
