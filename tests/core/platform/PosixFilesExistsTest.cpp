// Tests of PosixFiles::exists on real paths.
#include "core/platform/PosixFiles.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

TEST(PosixFilesExists, FilesFoldersAndLinksExistMissingPathsDoNot) {
    std::string pattern = (fs::temp_directory_path() / "morvelan-exists-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    std::ofstream(dir / "Info.json") << "{}";
    fs::create_symlink(dir / "gone", dir / "dangling");

    PosixFiles files(dir);
    EXPECT_TRUE(files.exists(dir));
    EXPECT_TRUE(files.exists(dir / "Info.json"));
    EXPECT_TRUE(files.exists(dir / "dangling")) << "a link is there even when its target is not";
    EXPECT_FALSE(files.exists(dir / "gone"));
    EXPECT_FALSE(files.exists(dir / "Info.json/child"));
    fs::remove_all(dir);
}

} // namespace
} // namespace morvelan
