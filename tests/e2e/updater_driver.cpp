// morvelan_updater_driver BUNDLE MANIFEST-URL KEY: one manual update check on BUNDLE against the
// manifest at MANIFEST-URL with the real Qt network and process classes, archives signed with
// KEY (hex), answering "Install" to the offer, for tests/e2e/updater-e2e.sh.
//
// The relaunch runs the new program with --version, so the script can read which version came up.
// Exit status: 0 once the updater asked to quit after relaunching, 1 after any other alert, 2 on
// bad usage, 3 when nothing happened within 120 seconds.
#include "core/platform/PosixFiles.h"
#include "core/updater/BundleInfo.h"
#include "core/updater/Updater.h"
#include "qt/QtHttp.h"
#include "qt/QtProcesses.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace {

using namespace morvelan;

// Prints every alert; the offer is answered with its first button, anything else ends the run.
class AnsweringAlerts : public Alerts {
public:
    int show(const Alert& alert) override {
        std::printf("alert: %s | %s\n", alert.title.c_str(), alert.text.c_str());
        std::fflush(stdout);
        if (alert.title.rfind("Update available", 0) != 0)
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
        return 0;
    }
};

// The real processes, with the relaunched program asked only for its version.
class VersionRelaunch : public QtProcesses {
public:
    Result<void> startDetached(const std::filesystem::path& program,
                               const std::vector<std::string>& args) override {
        std::printf("relaunch: %s\n", program.c_str());
        std::fflush(stdout);
        auto withVersion = args;
        withVersion.push_back("--version");
        return QtProcesses::startDetached(program, withVersion);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BUNDLE MANIFEST-URL KEY\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const std::filesystem::path bundle = argv[1];
    PosixFiles files(bundle);
    QtHttp http;
    VersionRelaunch processes;
    AnsweringAlerts alerts;
    Updater updater(http, processes, alerts,
                    {BundleInfo::load(files, bundle / "morvelan", MORVELAN_VERSION),
                     argv[2],
                     [] { QCoreApplication::exit(0); },
                     {},
                     {},
                     argv[3]});
    QTimer::singleShot(0, &app, [&] { updater.check(false); });
    QTimer::singleShot(120000, &app, [] { QCoreApplication::exit(3); });
    return QCoreApplication::exec();
}
