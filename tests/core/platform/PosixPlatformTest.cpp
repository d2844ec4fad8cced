// The POSIX pieces of the platform layer: private atomic files and the instance lock.
#include "core/platform/InstanceLock.h"
#include "core/platform/PosixFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace morvelan {
namespace {

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "morvelan-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    static unsigned mode(const std::filesystem::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mode & 0777;
    }

    std::filesystem::path root;
};

using PosixFilesTest = TempDir;

TEST_F(PosixFilesTest, CreatesPrivateFoldersAndFiles) {
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
}

TEST_F(PosixFilesTest, ReplacesWholeFileAndLeavesNoTemporaries) {
    PosixFiles files(root);
    const auto file = root / "x.json";
    ASSERT_TRUE(files.writeAtomic(file, std::string(100000, 'a')).ok());
    ASSERT_TRUE(files.writeAtomic(file, "short").ok());
    EXPECT_EQ(*files.read(file), "short");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(PosixFilesTest, FailedReplaceKeepsTheOldContentAndCleansUp) {
    PosixFiles files(root);
    // A non-empty folder cannot be renamed over, even by root.
    const auto target = root / "busy";
    std::filesystem::create_directories(target / "inside");
    auto result = files.writeAtomic(target, "new");
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(std::filesystem::is_directory(target / "inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(PosixFilesTest, ReadOfMissingFileIsAnError) {
    PosixFiles files(root);
    auto bytes = files.read(root / "missing.json");
    ASSERT_FALSE(bytes.ok());
    EXPECT_NE(bytes.error().message.find("missing.json"), std::string::npos);
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

} // namespace
} // namespace morvelan
