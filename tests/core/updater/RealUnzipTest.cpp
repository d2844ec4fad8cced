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

TEST_F(RealUnzipTest, BrokenOrHostileArchivesAreRefusedAndNothingLandsOutside) {
    const auto outside = scratch.path() / "outside";
    const auto planted = scratch.path() / "planted";
    fs::create_directories(outside);
    const std::string program = R"(("Morvelan.app/morvelan", "x", False), )";
    const std::pair<std::string, std::string> cases[] = {
        {"", "/usr/bin/unzip failed"}, // not a zip at all
        {program + R"(("../escaped", "x", False))", "\"../escaped\""},
        {program + "(\"" + planted.string() + R"(", "x", False))", "absolute"},
        {program + R"(("Morvelan.app/lib", ")" + outside.string() +
             R"(", True), ("Morvelan.app/lib/planted", "x", False))",
         "both as a file and as a folder"},
        {program + R"(("Morvelan.app/passwd", "/etc/passwd", True))", "points outside"}};
    for (const auto& [entries, reason] : cases) {
        SCOPED_TRACE(entries);
        if (entries.empty())
            ScratchFolder::write(zip, "<html>not found</html>");
        else
            zipWithPython("[" + entries + "]");
        auto result = make().swapIn(zip);
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().message.find(reason), std::string::npos) << result.error().message;
        EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
        EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp"));
    }
    EXPECT_FALSE(fs::exists(scratch.path() / "escaped"));
    EXPECT_FALSE(fs::exists(planted));
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_TRUE(processes.detached.empty());
}

} // namespace
} // namespace morvelan
