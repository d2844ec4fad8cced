// QtHttp: the Http of the Qt shell, over QNetworkAccessManager.
#pragma once

#include "core/platform/Http.h"

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace morvelan {

// Replies arrive on the thread that owns the QtHttp (the main thread). Redirects are followed
// only to addresses the updater may fetch (https, or http on this machine).
class QtHttp : public Http {
public:
    QtHttp();
    ~QtHttp() override;
    QtHttp(const QtHttp&) = delete;
    QtHttp& operator=(const QtHttp&) = delete;

    void get(const std::string& url, double timeoutSeconds, BodyHandler done) override;
    // Stalls longer than downloadTimeoutSeconds, and archives larger than maxDownloadBytes, fail.
    void download(const std::string& url, DownloadHandler done) override;

    static constexpr double downloadTimeoutSeconds = 60;
    static constexpr long long maxDownloadBytes = 1LL << 30;

private:
    std::unique_ptr<QNetworkAccessManager> manager_;
};

} // namespace morvelan
