// Http: HTTP requests for the updater — a small GET for the release manifest and a download.
#pragma once

#include "core/platform/Result.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace morvelan {

// A downloaded file on disk. It stays readable while any handle on it is alive and is removed
// when the last one goes.
class DownloadedFile {
public:
    virtual ~DownloadedFile() = default;
    virtual std::filesystem::path path() const = 0;
};
using Download = std::shared_ptr<DownloadedFile>;

class Http {
public:
    using BodyHandler = std::function<void(Result<std::string>)>;
    using DownloadHandler = std::function<void(Result<Download>)>;

    virtual ~Http() = default;

    // GETs `url`, never answered from a cache; a transfer stalled for `timeoutSeconds` fails.
    // `done` runs on the main thread with the response body (whatever the HTTP status), or
    // with an error when no response arrived.
    virtual void get(const std::string& url, double timeoutSeconds, BodyHandler done) = 0;

    // Downloads `url` to a temporary file. `done` runs on the main thread with the file, or
    // with an error (transport failure or an HTTP error status) describing why.
    virtual void download(const std::string& url, DownloadHandler done) = 0;
};

} // namespace morvelan
