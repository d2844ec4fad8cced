// Updater: checks the release manifest, offers a newer version, and installs it in place of the
// running Morvelan.app, then relaunches.
#pragma once

#include "core/platform/Alerts.h"
#include "core/platform/Http.h"
#include "core/platform/Processes.h"
#include "core/platform/Result.h"
#include "core/updater/BundleInfo.h"
#include "core/updater/Release.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelan {

class Updater {
public:
    struct Options {
        BundleInfo bundle;
        // The release manifest, fixed when the program is built.
        std::string manifestUrl;
        // Asks the application to quit once the new version has been started.
        std::function<void()> quit;
        // Where "morvelan-update-…" folders are made; the system's temporary folder when empty.
        std::filesystem::path tempRoot;
        // Given to the relaunched program, e.g. to make it wait for this one's instance lock.
        std::vector<std::string> relaunchArguments;
        // The Ed25519 key (hex) every archive must be signed with.
        std::string publicKey;
    };

    Updater(Http& http, Processes& processes, Alerts& alerts, Options options);
    ~Updater();
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // Looks for a newer release. A silent check (the automatic one) speaks only to offer an
    // update and does nothing at all in a development build; a manual one always answers.
    void check(bool silent);

    // Loads and reads the manifest; `done` runs on the main thread with the release, or none
    // when the manifest could not be fetched or is unusable.
    void fetchLatest(std::function<void(std::optional<Release>)> done);

    // Downloads the release, checks its signature and swaps it in; failures end in an alert.
    void install(const Release& release);

    // Unpacks the downloaded archive, puts its bundle in place of the running one and
    // relaunches. Synchronous; the running bundle is untouched unless the swap itself starts.
    Result<void> swapIn(const std::filesystem::path& downloaded);

    bool isDevBuild() const { return options_.bundle.devBuild; }
    const std::string& current() const { return options_.bundle.version; }

    // Whether version `a` is newer than `b`: dotted decimal components compared in turn,
    // a missing or non-numeric component counting as 0.
    static bool isNewer(std::string_view a, std::string_view b);

    // The program's exit status, −1 when it could not be started.
    int run(const std::filesystem::path& program, const std::vector<std::string>& args);
    // The program's output and errors, read to the end.
    std::string capture(const std::filesystem::path& program, const std::vector<std::string>& args);

    // The text telling a user whose copy does not run from a Morvelan.app to update it the
    // way it was installed.
    static const char* const notInBundleText;

private:
    void alert(std::string title, std::string text, AlertStyle style);
    void swapDownloaded(const Result<Download>& file, const std::string& signature);

    Http& http_;
    Processes& processes_;
    Alerts& alerts_;
    Options options_;
    // Set from the start of a download until it fails; stays set once a swap succeeded, so a
    // second offer taken meanwhile cannot install (and relaunch) again.
    bool installing_ = false;
    // Callbacks hold this weakly, so a request finishing after the updater is gone does nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace morvelan
