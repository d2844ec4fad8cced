#include "qt/Shell.h"

#include "core/app/Startup.h"

namespace morvelan {

Shell::Shell()
    : queue_(this), files_(PosixFiles::dataHomeFolder()),
      configFiles_(PosixFiles::configHomeFolder()),
      defaults_(configFiles_, configFiles_.appSupportDir() / "settings.json"),
      store_(files_, log_) {
    // Settings are only read here; the folder must exist before the first write.
    static_cast<void>(configFiles_.createDirectories(configFiles_.appSupportDir()));
}

Shell::~Shell() = default;

bool Shell::start() {
    store_.load();
    addDefaultContextIfEmpty(store_);
    return true;
}

} // namespace morvelan
