// Tests of swapping a downloaded bundle in place of the running one, on real folders with the
// child programs played by a fake.
#include "ScratchFolder.h"
#include "core/updater/Updater.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHttp.h"
#include "fakes/FakeProcesses.h"

#include <gtest/gtest.h>
#include <map>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

class UpdaterSwapTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        ScratchFolder::write(app / "morvelan", "old program");
        ScratchFolder::write(app / "Info.json", R"({"CFBundleShortVersionString":"1.0"})");
        fs::create_directories(tempRoot);
        // The archive as unzip would unpack it: relative path → contents ("" for a folder,
        // "->target" for a link).
        archive = {{"Morvelan.app/", ""},
                   {"Morvelan.app/morvelan", "new program"},
                   {"Morvelan.app/Info.json", R"({"CFBundleShortVersionString":"2.0"})"}};
        processes.onCapture = [this](const fs::path&, const std::vector<std::string>&) {
            std::string listing;
            for (const auto& [name, contents] : archive)
                listing += name + "\n";
            return listing;
        };
        processes.onRun = [this](const fs::path& program, const std::vector<std::string>& args) {
            if (program == "/usr/bin/unzip") return unzipStatus ? unzipStatus : unpack(args.at(3));
            if (program == "/bin/cp") return copyStatus ? copyStatus : copy(args.at(1), args.at(2));
            return 127;
        };
    }

    int unpack(const fs::path& into) {
        for (const auto& [name, contents] : archive) {
            const auto path = into / name;
            if (name.back() == '/') {
                fs::create_directories(path);
            } else if (contents.rfind("->", 0) == 0) {
                fs::create_directories(path.parent_path());
                fs::create_symlink(contents.substr(2), path);
            } else {
                ScratchFolder::write(path, contents);
            }
        }
        return 0;
    }
    static int copy(const fs::path& from, const fs::path& to) {
        std::error_code ec;
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        return ec ? 1 : 0;
    }

    Updater make() {
        return Updater(http, processes, alerts,
                       {{"1.0", false, app},
                        "https://morvelan.app/release/latest.json",
                        [this] { ++quits; },
                        tempRoot});
    }
    bool tempRootIsEmpty() const { return fs::is_empty(tempRoot); }
    std::vector<std::string> runArgs(std::size_t i) const {
        return processes.callsOf("run").at(i).args;
    }

    ScratchFolder scratch;
    const fs::path apps = scratch.path() / "apps";
    const fs::path app = apps / "Morvelan.app";
    const fs::path staged = apps / ".Morvelan.update.app";
    const fs::path old = apps / ".Morvelan.old.app";
    const fs::path tempRoot = scratch.path() / "tmp";
    const fs::path zip = scratch.path() / "download.zip";
    std::map<std::string, std::string> archive;
    int unzipStatus = 0;
    int copyStatus = 0;
    FakeHttp http;
    FakeProcesses processes;
    FakeAlerts alerts;
    int quits = 0;
};

TEST_F(UpdaterSwapTest, SwapReplacesTheBundleAndRelaunchesIt) {
    auto updater = make();
    ASSERT_TRUE(updater.swapIn(zip));

    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "new program");
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(tempRootIsEmpty()) << "the unpacking folder is removed";

    auto captures = processes.callsOf("capture");
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].program, "/usr/bin/unzip");
    EXPECT_EQ(captures[0].args, (std::vector<std::string>{"-Z1", zip.string()}));
    auto runs = processes.callsOf("run");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].program, "/usr/bin/unzip");
    ASSERT_EQ(runs[0].args.size(), 4u);
    EXPECT_EQ(runs[0].args[0], "-q");
    EXPECT_EQ(runs[0].args[1], zip.string());
    EXPECT_EQ(runs[0].args[2], "-d");
    EXPECT_EQ(fs::path(runs[0].args[3]).parent_path(), tempRoot);
    EXPECT_EQ(fs::path(runs[0].args[3]).filename().string().rfind("morvelan-update-", 0), 0u);
    EXPECT_EQ(runs[1].program, "/bin/cp");
    EXPECT_EQ(runs[1].args,
              (std::vector<std::string>{"-a", runs[0].args[3] + "/Morvelan.app", staged.string()}));

    auto started = processes.callsOf("startDetached");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, app / "morvelan");
    EXPECT_TRUE(started[0].args.empty());
    EXPECT_EQ(quits, 1);
}

TEST_F(UpdaterSwapTest, RelaunchPassesTheConfiguredArguments) {
    Updater updater(http, processes, alerts,
                    {{"1.0", false, app},
                     "https://morvelan.app/release/latest.json",
                     [this] { ++quits; },
                     tempRoot,
                     {"--after-update"}});
    ASSERT_TRUE(updater.swapIn(zip));
    auto started = processes.callsOf("startDetached");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].args, (std::vector<std::string>{"--after-update"}));
}

TEST_F(UpdaterSwapTest, InstallRunsTheSwapOnTheDownloadAndKeepsItUntilDone) {
    auto updater = make();
    bool released = false;
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    processes.onCapture = [&, listing = processes.onCapture](auto& program, auto& args) {
        EXPECT_FALSE(released) << "the download must stay readable while it is unpacked";
        return listing(program, args);
    };
    http.answerDownload(Download(std::make_shared<FakeDownloadedFile>(zip, &released)));
    EXPECT_TRUE(released);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "new program");
    EXPECT_EQ(quits, 1);

    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_TRUE(http.downloads.empty()) << "no second install after a successful swap";
}

TEST_F(UpdaterSwapTest, ArchiveWithoutABundleFails) {
    archive = {{"Morvelan/", ""}, {"Morvelan/morvelan", "x"}, {"Morvelan.app.txt", "x"}};
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, "archive had no .app");
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
    EXPECT_TRUE(tempRootIsEmpty());
    EXPECT_TRUE(processes.callsOf("startDetached").empty());
}

TEST_F(UpdaterSwapTest, BundleWithoutTheProgramIsNotInstalled) {
    archive.erase("Morvelan.app/morvelan");
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("has no morvelan program"), std::string::npos);
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
}

TEST_F(UpdaterSwapTest, FirstBundleByNameIsTaken) {
    archive = {{"B.app/", ""}, {"B.app/morvelan", "b"}, {"A.app/", ""}, {"A.app/morvelan", "a"}};
    auto updater = make();
    ASSERT_TRUE(updater.swapIn(zip));
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "a");
}

TEST_F(UpdaterSwapTest, UnzipFailureIsReported) {
    unzipStatus = 9;
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, "/usr/bin/unzip failed");
    EXPECT_TRUE(tempRootIsEmpty());
}

TEST_F(UpdaterSwapTest, ParentEntryIsRefusedBeforeAnythingIsUnpacked) {
    archive["Morvelan.app/../../evil"] = "x";
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("Morvelan.app/../../evil"), std::string::npos);
    EXPECT_TRUE(processes.callsOf("run").empty()) << "nothing was unpacked";
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
    EXPECT_TRUE(tempRootIsEmpty());
}

TEST_F(UpdaterSwapTest, AbsoluteEntryIsRefusedBeforeAnythingIsUnpacked) {
    processes.onCapture = [](auto&, auto&) {
        return std::string("Morvelan.app/\n/home/user/.bashrc\n");
    };
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("absolute"), std::string::npos);
    EXPECT_TRUE(processes.callsOf("run").empty());
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
}

TEST_F(UpdaterSwapTest, OutwardLinkIsRefusedAndNothingIsTouched) {
    archive["Morvelan.app/lib"] = "->/etc";
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("points outside"), std::string::npos);
    EXPECT_EQ(processes.callsOf("run").size(), 1u) << "unpacked, then refused before staging";
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
    EXPECT_TRUE(processes.callsOf("startDetached").empty());
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(tempRootIsEmpty());
}

TEST_F(UpdaterSwapTest, LeftoversOfAnInterruptedUpdateAreRemovedBeforeStaging) {
    ScratchFolder::write(staged / "morvelan", "stale staged");
    ScratchFolder::write(staged / "junk", "x");
    ScratchFolder::write(old / "morvelan", "stale old");
    processes.onRun = [this, run = processes.onRun](auto& program, auto& args) {
        if (program == "/bin/cp") {
            EXPECT_FALSE(fs::exists(staged));
            EXPECT_FALSE(fs::exists(old));
        }
        return run(program, args);
    };
    auto updater = make();
    ASSERT_TRUE(updater.swapIn(zip));
    EXPECT_FALSE(fs::exists(app / "junk"));
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_FALSE(fs::exists(old));
}

TEST_F(UpdaterSwapTest, CopyFailureLeavesTheBundleAlone) {
    copyStatus = 1;
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message, "/bin/cp failed");
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
    EXPECT_FALSE(fs::exists(staged));
}

TEST_F(UpdaterSwapTest, FailedSecondMoveRestoresTheOldBundle) {
    // A copy that reports success but leaves nothing staged: moving the running bundle aside
    // works, moving the staged one into its place does not.
    processes.onRun = [run = processes.onRun](auto& program, auto& args) {
        return program == "/bin/cp" ? 0 : run(program, args);
    };
    auto updater = make();
    auto result = updater.swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("Couldn't move " + staged.string()), std::string::npos);
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(processes.callsOf("startDetached").empty());
    EXPECT_EQ(quits, 0);
}

TEST_F(UpdaterSwapTest, FailedRelaunchIsReportedAfterTheSwap) {
    processes.startError = "No such file or directory";
    auto updater = make();
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    http.answerDownload(Download(std::make_shared<FakeDownloadedFile>(zip, nullptr)));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Install failed");
    EXPECT_EQ(alerts.shown[0].text, "No such file or directory");
    EXPECT_EQ(quits, 0);
}

TEST_F(UpdaterSwapTest, FailedSwapIsShownAsInstallFailed) {
    archive = {{"nothing/", ""}};
    auto updater = make();
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    http.answerDownload(Download(std::make_shared<FakeDownloadedFile>(zip, nullptr)));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Install failed");
    EXPECT_EQ(alerts.shown[0].text, "archive had no .app");
}

} // namespace
} // namespace morvelan
