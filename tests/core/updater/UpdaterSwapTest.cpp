// Tests of swapping a downloaded bundle in place of the running one, on real folders with the
// child programs played by a fake.
#include "ScratchFolder.h"
#include "core/updater/Updater.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHttp.h"
#include "fakes/FakeProcesses.h"

#include <functional>
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

    Updater make(std::vector<std::string> relaunchArguments = {}) {
        return Updater(http, processes, alerts,
                       {{"1.0", false, app},
                        "https://morvelan.app/release/latest.json",
                        [this] { ++quits; },
                        tempRoot,
                        std::move(relaunchArguments)});
    }
    // Installs through a download that is answered at once.
    void install() {
        auto updater = make();
        updater.install({"2.0", "https://morvelan.app/M.zip"});
        http.answerDownload(Download(std::make_shared<FakeDownloadedFile>(zip, nullptr)));
    }
    // Checks that a swap left the running bundle as it was and started nothing.
    void expectOldBundleKept() {
        EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "old program");
        EXPECT_FALSE(fs::exists(staged));
        EXPECT_TRUE(tempRootIsEmpty()) << "the unpacking folder is removed";
        EXPECT_TRUE(processes.callsOf("startDetached").empty());
        EXPECT_EQ(quits, 0);
    }
    bool tempRootIsEmpty() const { return fs::is_empty(tempRoot); }

    ScratchFolder scratch;
    const fs::path apps = scratch.path() / "apps";
    const fs::path app = apps / "Morvelan.app";
    const fs::path staged = apps / ".Morvelan.update.app";
    const fs::path old = apps / ".Morvelan.old.app";
    const fs::path tempRoot = scratch.path() / "tmp";
    const fs::path zip = scratch.path() / "download.zip";
    // The archive as unzip would unpack it: relative path → contents ("" for a folder,
    // "->target" for a link).
    std::map<std::string, std::string> archive = {
        {"Morvelan.app/", ""},
        {"Morvelan.app/morvelan", "new program"},
        {"Morvelan.app/Info.json", R"({"CFBundleShortVersionString":"2.0"})"}};
    int unzipStatus = 0;
    int copyStatus = 0;
    FakeHttp http;
    FakeProcesses processes;
    FakeAlerts alerts;
    int quits = 0;
};

TEST_F(UpdaterSwapTest, SwapReplacesTheBundleAndRelaunchesItWithTheConfiguredArguments) {
    ASSERT_TRUE(make({"--after-update"}).swapIn(zip));

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
    const fs::path into = runs[0].args[3];
    EXPECT_EQ(runs[0].args, (std::vector<std::string>{"-q", zip.string(), "-d", into.string()}));
    EXPECT_EQ(into.parent_path(), tempRoot);
    EXPECT_EQ(into.filename().string().rfind("morvelan-update-", 0), 0u);
    EXPECT_EQ(runs[1].program, "/bin/cp");
    EXPECT_EQ(runs[1].args,
              (std::vector<std::string>{"-a", (into / "Morvelan.app").string(), staged.string()}));

    auto started = processes.callsOf("startDetached");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, app / "morvelan");
    EXPECT_EQ(started[0].args, (std::vector<std::string>{"--after-update"}));
    EXPECT_EQ(quits, 1);
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

TEST_F(UpdaterSwapTest, RefusedArchivesAndFailedStepsLeaveTheRunningBundleAlone) {
    const auto planted = scratch.path() / "planted";
    const auto original = archive;
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::string reason;
        std::size_t runs; // 0: refused before anything was unpacked
    };
    const std::vector<Case> cases = {
        {"no bundle",
         [&] {
             archive = {{"Morvelan/", ""}, {"Morvelan/morvelan", "x"}, {"Morvelan.app.txt", "x"}};
         },
         "archive had no .app", 1},
        {"no program", [&] { archive.erase("Morvelan.app/morvelan"); }, "has no morvelan program",
         1},
        {"unzip fails", [&] { unzipStatus = 9; }, "/usr/bin/unzip failed", 1},
        {"parent entry", [&] { archive["Morvelan.app/../../evil"] = "x"; },
         "\"Morvelan.app/../../evil\"", 0},
        {"absolute entry", [&] { archive[planted.string()] = "x"; }, "absolute", 0},
        {"outward link", [&] { archive["Morvelan.app/lib"] = "->/etc"; }, "points outside", 1},
        {"copy fails", [&] { copyStatus = 1; }, "/bin/cp failed", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        archive = original;
        unzipStatus = copyStatus = 0;
        processes.calls.clear();
        c.prepare();
        auto result = make().swapIn(zip);
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().message.find(c.reason), std::string::npos)
            << result.error().message;
        EXPECT_EQ(processes.callsOf("run").size(), c.runs);
        expectOldBundleKept();
    }
    EXPECT_FALSE(fs::exists(planted));
}

TEST_F(UpdaterSwapTest, LeftoversAreRemovedBeforeStagingTheFirstBundleByName) {
    archive = {{"B.app/", ""}, {"B.app/morvelan", "b"}, {"A.app/", ""}, {"A.app/morvelan", "a"}};
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
    ASSERT_TRUE(make().swapIn(zip));
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "a");
    EXPECT_FALSE(fs::exists(app / "junk"));
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_FALSE(fs::exists(old));
}

TEST_F(UpdaterSwapTest, FailedSecondMoveRestoresTheOldBundle) {
    // A copy that reports success but leaves nothing staged: moving the running bundle aside
    // works, moving the staged one into its place does not.
    processes.onRun = [run = processes.onRun](auto& program, auto& args) {
        return program == "/bin/cp" ? 0 : run(program, args);
    };
    auto result = make().swapIn(zip);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("Couldn't move " + staged.string()), std::string::npos);
    EXPECT_FALSE(fs::exists(old));
    expectOldBundleKept();
}

TEST_F(UpdaterSwapTest, FailedSwapOrRelaunchIsShownAsInstallFailed) {
    const auto good = archive;
    archive = {{"nothing/", ""}};
    install();
    processes.startError = "No such file or directory";
    archive = good;
    install();
    ASSERT_EQ(alerts.shown.size(), 2u);
    for (const auto& shown : alerts.shown)
        EXPECT_EQ(shown.title, "Install failed");
    EXPECT_EQ(alerts.shown[0].text, "archive had no .app");
    EXPECT_EQ(alerts.shown[1].text, "No such file or directory");
    EXPECT_EQ(ScratchFolder::read(app / "morvelan"), "new program") << "swapped before relaunch";
    EXPECT_EQ(quits, 0);
}

} // namespace
} // namespace morvelan
