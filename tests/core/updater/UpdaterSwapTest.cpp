// Swapping a downloaded release in place of the running Morvelan.app, with the real
// /usr/bin/unzip and /bin/cp on archives that Python's zipfile writes entry by entry.
#include "core/updater/Updater.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHttp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sodium.h>
#include <sys/wait.h>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

// Runs programs through the shell, without a terminal or input, except those given a fixed
// exit status; records detached starts instead of making them.
class ShellProcesses : public Processes {
public:
    int run(const fs::path& program, const std::vector<std::string>& args) override {
        if (auto fixed = statuses.find(program); fixed != statuses.end()) return fixed->second;
        const int status = std::system((command(program, args) + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string capture(const fs::path& program, const std::vector<std::string>& args) override {
        if (beforeCapture) beforeCapture();
        std::string output;
        if (FILE* pipe = ::popen((command(program, args) + " 2>&1").c_str(), "r")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                output.append(buffer, n);
            ::pclose(pipe);
        }
        return output;
    }
    Result<void> startDetached(const fs::path& program, const std::vector<std::string>&) override {
        if (!startError.empty()) return failure(startError);
        started.push_back(program);
        return success();
    }

    std::map<fs::path, int> statuses;
    std::function<void()> beforeCapture;
    std::string startError;
    std::vector<fs::path> started;

private:
    static std::string quoted(const std::string& word) {
        std::string out = "'";
        for (char c : word)
            out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    }
    static std::string command(const fs::path& program, const std::vector<std::string>& args) {
        std::string line = quoted(program.string());
        for (const std::string& arg : args)
            line += " " + quoted(arg);
        return line + " </dev/null";
    }
};

// An archive's entries in order: name and contents, or "->target" for a link.
using Entries = std::vector<std::pair<std::string, std::string>>;

// Writes the zip argv[1] with one entry per further argument, "name<TAB>contents"; contents
// starting with "644:" are a file without execute bits.
constexpr const char* zipScript =
    "import sys, zipfile\n"
    "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
    "for n, d in (e.split('\\t') for e in sys.argv[2:]):\n"
    "    i = zipfile.ZipInfo(n); i.create_system = 3; link = d.startswith('->')\n"
    "    plain = d.startswith('644:'); d = d[4:] if plain else d\n"
    "    i.external_attr = (0o120777 if link else 0o100644 if plain else 0o100755) << 16\n"
    "    z.writestr(i, d[2:] if link else d)\n"
    "z.close()\n";

class UpdaterSwapTest : public ::testing::Test {
protected:
    static fs::path scratch() {
        std::string pattern = (fs::temp_directory_path() / "morvelan-test-XXXXXX").string();
        return ::mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    }
    void SetUp() override {
        if (!fs::exists("/usr/bin/unzip") || !fs::exists("/usr/bin/python3"))
            GTEST_SKIP() << "needs /usr/bin/unzip and /usr/bin/python3";
        ASSERT_FALSE(root.empty());
        ASSERT_TRUE(keyMade);
        installOld();
    }
    void TearDown() override {
        if (!root.empty()) fs::remove_all(root);
    }

    static void write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::string read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void installOld() {
        fs::remove_all(apps);
        write(app / "morvelan", "old program");
        write(app / "Info.json", R"({"CFBundleShortVersionString":"1.0"})");
    }
    void zipArchive(const Entries& entries) {
        std::vector<std::string> args{"-c", zipScript, zip.string()};
        for (const auto& [name, data] : entries)
            args.push_back(name + "\t" + data);
        fs::remove(zip);
        ASSERT_EQ(processes.run("/usr/bin/python3", args), 0);
    }

    Updater make() {
        return Updater(http, processes, alerts,
                       {{"1.0", false, app},
                        "https://morvelan.app/release/latest.json",
                        [this] { ++quits; },
                        root / "tmp",
                        {},
                        hex(publicKey)});
    }
    template <std::size_t N> static std::string hex(const unsigned char (&b)[N]) {
        char out[2 * N + 1];
        return sodium_bin2hex(out, sizeof out, b, N);
    }
    // The zip's signature with the release key, or with `key`.
    std::string signature(const unsigned char* key = nullptr) {
        const std::string data = read(zip);
        unsigned char sig[crypto_sign_BYTES];
        crypto_sign_detached(sig, nullptr, reinterpret_cast<const unsigned char*>(data.data()),
                             data.size(), key ? key : secretKey);
        return hex(sig);
    }
    // Installs through a download answered at once with the archive.
    void install(Updater& updater, bool* released = nullptr, std::string sig = "signed") {
        updater.install({"2.0", "https://morvelan.app/M.zip", sig == "signed" ? signature() : sig});
        http.answerDownload(Download(std::make_shared<FakeDownloadedFile>(zip, released)));
    }

    const fs::path root = scratch();
    const fs::path apps = root / "apps";
    const fs::path app = apps / "Morvelan.app";
    const fs::path zip = root / "update.zip";
    const std::string newProgram = "#!/bin/sh\necho 2.0\n";
    const Entries release = {{"Morvelan.app/morvelan", newProgram},
                             {"Morvelan.app/Info.json", R"({"CFBundleShortVersionString":"2.0"})"}};
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
    const bool keyMade = sodium_init() >= 0 && crypto_sign_keypair(publicKey, secretKey) == 0;
    ShellProcesses processes;
    FakeHttp http;
    FakeAlerts alerts;
    int quits = 0;
};

TEST_F(UpdaterSwapTest, InstallSwapsInTheReleaseWithItsInwardLinksThenRelaunchesOnce) {
    Entries entries = release;
    entries.insert(entries.end(), {{"Morvelan.app/lib/libx.so.1", "elf"},
                                   {"Morvelan.app/lib/libx.so", "->libx.so.1"},
                                   {"Morvelan.app/lib/self", "->../morvelan"},
                                   {"Morvelan.app/..hidden", "x"}});
    zipArchive(entries);
    auto updater = make();
    bool released = false;
    processes.beforeCapture = [&] {
        EXPECT_FALSE(released) << "the download must stay readable while it is unpacked";
    };
    install(updater, &released);
    EXPECT_TRUE(released);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(read(app / "morvelan"), newProgram);
    EXPECT_EQ(fs::read_symlink(app / "lib/libx.so"), "libx.so.1");
    EXPECT_EQ(processes.started, std::vector<fs::path>{app / "morvelan"});
    EXPECT_EQ(quits, 1);

    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_TRUE(http.downloads.empty()) << "no second install after a successful swap";
}

TEST_F(UpdaterSwapTest, RefusedArchivesAndFailedStepsLeaveTheRunningBundleAlone) {
    const fs::path outside = root / "outside", planted = root / "planted";
    fs::create_directories(outside);
    const std::string staged = (apps / ".Morvelan.update.app").string();
    struct Case {
        std::string reason;
        Entries entries; // none: not a zip at all
        std::optional<int> copyStatus = std::nullopt;
    };
    const Case cases[] = {
        {"/usr/bin/unzip failed", {}},
        {"outside its folder, \"../escaped\"", {release[0], {"../escaped", "x"}}},
        {"absolute path", {release[0], {planted.string(), "x"}}},
        {"outside", {release[0], {"Morvelan.app\\..\\..\\escaped", "x"}}},
        {"twice", {release[0], release[0]}},
        // A link unpacked first, then a file written through it.
        {"both as a file and as a folder",
         {release[0], {"Morvelan.app/lib", "->" + outside.string()}, {"Morvelan.app/lib/x", "x"}}},
        {"\"Morvelan.app/passwd\" → \"/etc/passwd\"",
         {release[0], {"Morvelan.app/passwd", "->/etc/passwd"}}},
        // Each link stays inside as written; followed, the second leads out.
        {"points outside",
         {release[0], {"Morvelan.app/here", "->."}, {"top", "->Morvelan.app/here/../.."}}},
        {"points outside", {release[0], {"Morvelan.app/a", "->b"}, {"Morvelan.app/b", "->a"}}},
        {"archive had no .app", {{"Morvelan/morvelan", "x"}, {"Morvelan.app.txt", "x"}}},
        {"has no morvelan program", {release[1]}},
        {"/bin/cp failed", release, 1},
        {"morvelan program does not start", {{"Morvelan.app/morvelan", "644:" + newProgram}}},
        // A copy that stages nothing: the running bundle is moved aside, the staged one cannot
        // follow, and the running one is put back.
        {"Couldn't move " + staged, release, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        installOld();
        if (c.entries.empty())
            write(zip, "<html>not found</html>");
        else
            zipArchive(c.entries);
        processes.statuses.clear();
        if (c.copyStatus) processes.statuses["/bin/cp"] = *c.copyStatus;
        if (c.copyStatus) processes.statuses[staged + "/morvelan"] = 0;
        auto result = make().swapIn(zip);
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().message.find(c.reason), std::string::npos)
            << result.error().message;
        EXPECT_EQ(read(app / "morvelan"), "old program");
        EXPECT_FALSE(fs::exists(staged) || fs::exists(apps / ".Morvelan.old.app"));
        EXPECT_TRUE(fs::is_empty(root / "tmp")) << "the unpacking folder is removed";
    }
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_FALSE(fs::exists(planted) || fs::exists(root / "escaped"));
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(quits, 0);
}

// Regression: updates were trusted on https alone.
TEST_F(UpdaterSwapTest, AnArchiveWithoutAValidSignatureIsRefused) {
    zipArchive(release);
    unsigned char otherPublic[crypto_sign_PUBLICKEYBYTES], other[crypto_sign_SECRETKEYBYTES];
    crypto_sign_keypair(otherPublic, other);
    auto updater = make();
    for (const std::string& sig : {std::string(), signature(other), std::string(128, 'z')})
        install(updater, nullptr, sig);
    ASSERT_EQ(alerts.shown.size(), 3u);
    for (const Alert& alert : alerts.shown)
        EXPECT_EQ(alert.title + ": " + alert.text,
                  "Install failed: The update is not signed with Morvelan's release key, so it "
                  "was not installed.");
    EXPECT_EQ(read(app / "morvelan"), "old program");
    EXPECT_TRUE(processes.started.empty());
}

TEST_F(UpdaterSwapTest, FailedSwapOrRelaunchIsShownAsInstallFailedAndAllowsAnotherTry) {
    auto updater = make();
    zipArchive({{"Morvelan/morvelan", "x"}});
    install(updater);
    zipArchive(release);
    processes.startError = "No such file or directory";
    install(updater);
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[0].title + ": " + alerts.shown[0].text,
              "Install failed: archive had no .app");
    EXPECT_EQ(alerts.shown[1].title + ": " + alerts.shown[1].text,
              "Install failed: No such file or directory");
    EXPECT_EQ(read(app / "morvelan"), newProgram) << "swapped before the relaunch";
    EXPECT_EQ(quits, 0);
}

} // namespace
} // namespace morvelan
