#include "core/updater/Updater.h"

#include "core/updater/Signature.h"
#include "core/updater/Url.h"

#include <algorithm>

namespace morvelan {
namespace {

constexpr double manifestTimeoutSeconds = 15;

// One version component as a decimal number without leading zeros ("" is 0), so components of
// any length compare exactly; anything but plain digits counts as 0.
std::string componentValue(std::string_view part) {
    if (part.empty() ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "";
    auto first = part.find_first_not_of('0');
    return first == std::string_view::npos ? "" : std::string(part.substr(first));
}

std::vector<std::string> components(std::string_view version) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= version.size()) {
        auto end = version.find('.', start);
        if (end == std::string_view::npos) end = version.size();
        if (end > start) out.push_back(componentValue(version.substr(start, end - start)));
        start = end + 1;
    }
    return out;
}

// Compares two normalized components: -1, 0 or 1.
int compare(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

} // namespace

const char* const Updater::notInBundleText =
    "This copy of Morvelan isn't running from a Morvelan.app folder, so it can't replace "
    "itself. Please update Morvelan the way you installed it.";

Updater::Updater(Http& http, Processes& processes, Alerts& alerts, Options options)
    : http_(http), processes_(processes), alerts_(alerts), options_(std::move(options)) {}

Updater::~Updater() = default;

void Updater::check(bool silent) {
    if (silent && isDevBuild()) return;
    std::weak_ptr<int> alive = alive_;
    fetchLatest([this, alive, silent](std::optional<Release> release) {
        if (alive.expired()) return;
        if (!release) {
            if (!silent)
                alert("Update check failed", "Couldn't reach the update server.",
                      AlertStyle::warning);
            return;
        }
        if (!isNewer(release->version, current())) {
            if (!silent)
                alert("You're up to date", "Morvelan " + current() + " is the latest version.",
                      AlertStyle::informational);
            return;
        }
        Alert offer{"Update available — Morvelan " + release->version,
                    "You have " + current() + ". Download and install now? Morvelan will relaunch.",
                    {"Install", "Later"},
                    AlertStyle::informational};
        // The alert is modal: the updater may be gone when it returns.
        if (alerts_.show(offer) == 0 && !alive.expired()) install(*release);
    });
}

void Updater::fetchLatest(std::function<void(std::optional<Release>)> done) {
    if (!Url::isAllowedForUpdates(options_.manifestUrl)) {
        done(std::nullopt);
        return;
    }
    http_.get(options_.manifestUrl, manifestTimeoutSeconds,
              [done = std::move(done)](Result<std::string> body) {
                  if (!body) {
                      done(std::nullopt);
                      return;
                  }
                  done(Release::fromManifest(*body));
              });
}

void Updater::install(const Release& release) {
    if (!options_.bundle.bundle) {
        alert("Install failed", notInBundleText, AlertStyle::warning);
        return;
    }
    if (installing_) return;
    installing_ = true;
    std::weak_ptr<int> alive = alive_;
    http_.download(release.asset,
                   [this, alive, signature = release.signature](Result<Download> file) {
                       if (alive.expired()) return;
                       swapDownloaded(file, signature);
                   });
}

void Updater::swapDownloaded(const Result<Download>& file, const std::string& signature) {
    if (!file || !*file) {
        installing_ = false;
        alert("Download failed", file ? std::string() : file.error().message, AlertStyle::warning);
        return;
    }
    // https alone would trust whoever controls the release server: only an archive signed
    // with the release key is unpacked. The handle keeps the file until the swap is over.
    auto done = Signature::check((*file)->path(), signature, options_.publicKey);
    if (done) done = swapIn((*file)->path());
    if (!done) {
        installing_ = false;
        alert("Install failed", done.error().message, AlertStyle::critical);
    }
}

bool Updater::isNewer(std::string_view a, std::string_view b) {
    const auto left = components(a);
    const auto right = components(b);
    const std::string zero;
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const auto& x = i < left.size() ? left[i] : zero;
        const auto& y = i < right.size() ? right[i] : zero;
        if (int c = compare(x, y); c != 0) return c > 0;
    }
    return false;
}

int Updater::run(const std::filesystem::path& program, const std::vector<std::string>& args) {
    return processes_.run(program, args);
}

std::string Updater::capture(const std::filesystem::path& program,
                             const std::vector<std::string>& args) {
    return processes_.capture(program, args);
}

void Updater::alert(std::string title, std::string text, AlertStyle style) {
    alerts_.show(Alert{std::move(title), std::move(text), {"OK"}, style});
}

} // namespace morvelan
