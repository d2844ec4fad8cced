// Tests of the swap against the real /usr/bin/unzip and /bin/cp, on archives made by
// /usr/bin/zip or, for the hostile ones, by Python's zipfile.
#include "RealProcesses.h"
#include "ScratchFolder.h"
#include "core/updater/Updater.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHttp.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

class RealUnzipTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists("/usr/bin/unzip") || !fs::exists("/usr/bin/zip") ||
            !fs::exists("/usr/bin/python3"))
            GTEST_SKIP() << "needs /usr/bin/unzip, /usr/bin/zip and /usr/bin/python3";
        ScratchFolder::write(app / "morvelan", "old program");
        ScratchFolder::write(app / "Info.json", R"({"CFBundleShortVersionString":"1.0"})");
    }

    // Zips `source`'s Morvelan.app the way the release script does.
    void zipBundle(const fs::path& source) {
        ASSERT_EQ(processes.run("/bin/sh", {"-c",
                                            "cd \"$0\" && /usr/bin/zip -qry \"$1\" "
                                            "Morvelan.app",
                                            source.string(), zip.string()}),
                  0);
    }
    // Writes a zip with Python: entries are (name, contents, is-link).
    void zipWithPython(const std::string& entries) {
        const std::string script =
            "import sys, zipfile\n"
            "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
            "for name, data, link in " +
            entries +
            ":\n"
            "    info = zipfile.ZipInfo(name)\n"
            "    info.create_system = 3\n"
            "    info.external_attr = (0o120777 if link else 0o100755) << 16\n"
            "    z.writestr(info, data)\n"
            "z.close()\n";
        ASSERT_EQ(processes.run("/usr/bin/python3", {"-c", script, zip.string()}), 0);
    }

    Updater make() {
        return Updater(http, processes, alerts,
                       {{"1.0", false, app},
                        "https://morvelan.app/release/latest.json",
                        [this] { ++quits; },
                        scratch.path() / "tmp"});
    }

    ScratchFolder scratch;
    const fs::path app = scratch.path() / "apps/Morvelan.app";
    const fs::path zip = scratch.path() / "update.zip";
    RealProcesses processes;
    FakeHttp http;
    FakeAlerts alerts;
    int quits = 0;
};

TEST_F(RealUnzipTest, ReleaseShapedArchiveIsInstalledWithModesAndLinks) {
    const auto source = scratch.path() / "src";
    ScratchFolder::write(source / "Morvelan.app/morvelan", "#!/bin/sh\necho new\n");
    fs::permissions(source / "Morvelan.app/morvelan", fs::perms::owner_all);
    ScratchFolder::write(source / "Morvelan.app/Info.json",
                         R"({"CFBundleShortVersionString":"2.0","MorvelanDevBuild":false})");
    ScratchFolder::write(source / "Morvelan.app/lib/libx.so.1", "elf");
    fs::create_symlink("libx.so.1", source / "Morvelan.app/lib/libx.so");
    zipBundle(source);

    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_TRUE(result) << result.error().message;
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "#!/bin/sh\necho new\n");
    EXPECT_NE(fs::status(app / "morvelan").permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(fs::read_symlink(app / "lib/libx.so"), "libx.so.1");
    EXPECT_NE(ScratchFolder::read(app / "Info.json").find("2.0"), std::string::npos);
    EXPECT_EQ(processes.detached, (std::vector<fs::path>{app / "morvelan"}));
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp"));
}

TEST_F(RealUnzipTest, NotAZipFailsAsUnzipFailure) {
    ScratchFolder::write(zip, "<html>not found</html>");
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, "/usr/bin/unzip failed");
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
}

TEST_F(RealUnzipTest, ParentEntryIsRefusedAndNothingLandsOutside) {
    zipWithPython(R"([("Morvelan.app/morvelan", "x", False), ("../escaped", "x", False)])");
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("\"../escaped\""), std::string::npos);
    EXPECT_FALSE(fs::exists(scratch.path() / "escaped"));
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
}

TEST_F(RealUnzipTest, AbsoluteEntryIsRefused) {
    const auto target = scratch.path() / "planted";
    zipWithPython(R"([("Morvelan.app/morvelan", "x", False), (")" + target.string() +
                  R"(", "x", False)])");
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("absolute"), std::string::npos);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(RealUnzipTest, LinkThenWriteThroughItIsRefusedBeforeUnpacking) {
    const auto outside = scratch.path() / "outside";
    fs::create_directories(outside);
    zipWithPython(R"([("Morvelan.app/morvelan", "x", False), ("Morvelan.app/lib", ")" +
                  outside.string() + R"(", True), ("Morvelan.app/lib/planted", "x", False)])");
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
}

TEST_F(RealUnzipTest, OutwardLinkIsRefusedAfterUnpacking) {
    zipWithPython(
        R"([("Morvelan.app/morvelan", "x", False), ("Morvelan.app/passwd", "/etc/passwd", True)])");
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("points outside"), std::string::npos);
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
    EXPECT_TRUE(processes.detached.empty());
}

} // namespace
} // namespace morvelan
