// The POSIX pieces of the platform layer on real paths: private atomic files, the XDG
// folders, the instance lock and the autostart entry.
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

class PosixTest : public ::testing::Test {
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

    fs::path root;
};

TEST_F(PosixTest, FilesAreWrittenPrivatelyAndReplacedWholeOrNotAtAll) {
    PosixFiles files(root / "share" / "Morvelan");
    ASSERT_TRUE(files.createDirectories(files.appSupportDir()).ok());
    EXPECT_EQ(mode(root / "share"), 0700u);
    EXPECT_EQ(mode(files.appSupportDir()), 0700u);

    const auto file = files.appSupportDir() / "contexts.json";
    ASSERT_TRUE(files.writeAtomic(file, std::string(100000, 'a')).ok());
    ASSERT_TRUE(files.writeAtomic(file, "short").ok());
    EXPECT_EQ(mode(file), 0600u);
    EXPECT_EQ(*files.read(file), "short");
    // A non-empty folder cannot be renamed over, even by root: the write fails, the folder
    // stays, and no temporary file is left beside it.
    fs::create_directories(files.appSupportDir() / "busy" / "inside");
    EXPECT_FALSE(files.writeAtomic(files.appSupportDir() / "busy", "new").ok());
    EXPECT_TRUE(fs::is_directory(files.appSupportDir() / "busy" / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(files.appSupportDir()), {}), 2);
}

TEST_F(PosixTest, ASymlinkedFileStaysALinkAndItsTargetIsReplaced) {
    PosixFiles files(root);
    fs::create_directories(root / "dotfiles");
    std::ofstream(root / "dotfiles" / "settings.json") << "old";
    fs::create_symlink("dotfiles/settings.json", root / "settings.json");
    ASSERT_TRUE(files.writeAtomic(root / "settings.json", "new").ok());
    EXPECT_TRUE(fs::is_symlink(root / "settings.json"));
    EXPECT_EQ(*files.read(root / "dotfiles" / "settings.json"), "new");
    EXPECT_EQ(mode(root / "dotfiles" / "settings.json"), 0600u);
}

TEST_F(PosixTest, ReadRefusesFifosDevicesAndHugeFilesAtOnceAndTellsAMissingFileApart) {
    PosixFiles files(root);
    ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0); // used to block the start-up
    fs::create_symlink("/dev/zero", root / "zero");        // used to be read without limit
    std::ofstream(root / "huge");
    fs::resize_file(root / "huge", Files::maxReadBytes + 1); // sparse
    for (const char* name : {"fifo", "zero", "huge", "."}) {
        auto bytes = files.read(root / name);
        EXPECT_TRUE(!bytes && !bytes.error().notFound) << name;
    }
    EXPECT_TRUE(files.read(root / "missing").error().notFound);
}

TEST_F(PosixTest, FoldersFollowAbsoluteXdgVariablesAndTheLockIsOnePerUserAndDisplay) {
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    EXPECT_EQ(PosixFiles::dataHomeFolder(), root / "data" / "Morvelan");
    EXPECT_EQ(PosixFiles::configHomeFolder(), root / ".config" / "Morvelan");

    const auto path = InstanceLock::defaultPath(":0/../x");
    EXPECT_EQ(path.parent_path(), root);
    EXPECT_EQ(path.filename(), "morvelan-" + std::to_string(::getuid()) + "-_0_.._x.lock");
    {
        auto first = InstanceLock::acquire(path);
        ASSERT_TRUE(first.ok());
        auto second = InstanceLock::acquire(path);
        ASSERT_FALSE(second.ok());
        EXPECT_EQ(second.error().message, "another copy is already running");
    }
    EXPECT_TRUE(InstanceLock::acquire(path).ok()) << "free again once the holder is gone";
}

TEST_F(PosixTest, AutostartEntryStartsTheProgramQuotedAndAHiddenOrGnomeDisabledOneCountsAsOff) {
    const auto entry = root / "autostart" / "morvelan.desktop";
    std::ofstream(root / "autostart") << "a file in the way";
    XdgAutostart item(entry, "/opt/My 100% Apps/a\"b$c/morvelan");
    EXPECT_FALSE(item.enable().ok());
    EXPECT_FALSE(item.enabled());
    fs::remove(root / "autostart");

    ASSERT_TRUE(item.enable().ok());
    EXPECT_TRUE(item.enabled());
    std::ifstream in(entry);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    // After the file's string unescaping this reads "/opt/My 100%% Apps/a\"b\$c/morvelan".
    EXPECT_NE(text.find("\nExec=\"/opt/My 100%% Apps/a\\\\\"b\\\\$c/morvelan\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nTryExec=/opt/My 100% Apps/a\"b$c/morvelan\n"), std::string::npos)
        << text;
    ASSERT_TRUE(item.disable().ok());
    EXPECT_FALSE(fs::exists(entry));

    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nExec=morvelan\nHidden=true\n";
    EXPECT_FALSE(item.enabled());
    std::ofstream(entry) << "[Desktop Entry]\nExec=morvelan\nX-GNOME-Autostart-enabled = false\n";
    EXPECT_FALSE(item.enabled());
}

} // namespace
} // namespace morvelan
