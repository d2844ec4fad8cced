#include "qt/QtHttp.h"

#include "core/updater/Url.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>
#include <QUrl>
#include <cmath>

namespace morvelan {
namespace {

QNetworkRequest request(const std::string& url, double timeoutSeconds) {
    QNetworkRequest req(QUrl(QString::fromStdString(url), QUrl::StrictMode));
    req.setTransferTimeout(static_cast<int>(std::lround(timeoutSeconds * 1000)));
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::UserVerifiedRedirectPolicy);
    return req;
}

// Follows a redirect only to an address the first request could have had.
void checkRedirects(QNetworkReply* reply) {
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& to) {
        if (Url::isAllowedForUpdates(to.toString(QUrl::FullyEncoded).toStdString()))
            emit reply->redirectAllowed();
        else
            reply->abort();
    });
}

std::string describe(QNetworkReply* reply) {
    return reply->errorString().toStdString();
}

// The downloaded archive, removed with its QTemporaryFile.
class QtDownloadedFile : public DownloadedFile {
public:
    explicit QtDownloadedFile(std::unique_ptr<QTemporaryFile> file) : file_(std::move(file)) {}
    std::filesystem::path path() const override { return file_->fileName().toStdString(); }

private:
    std::unique_ptr<QTemporaryFile> file_;
};

} // namespace

QtHttp::QtHttp() : manager_(std::make_unique<QNetworkAccessManager>()) {}

QtHttp::~QtHttp() = default;

void QtHttp::get(const std::string& url, double timeoutSeconds, BodyHandler done) {
    QNetworkReply* reply = manager_->get(request(url, timeoutSeconds));
    checkRedirects(reply);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, done = std::move(done)] {
        reply->deleteLater();
        // Any HTTP answer counts, the caller judging the body; a transfer cut short
        // (time-out, refused redirect, lost connection) does not.
        const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        const bool cut = reply->error() != QNetworkReply::NoError &&
                         reply->error() < QNetworkReply::ContentAccessDenied;
        if (answered && !cut)
            done(reply->readAll().toStdString());
        else
            done(failure(describe(reply)));
    });
}

void QtHttp::download(const std::string& url, DownloadHandler done) {
    // Shared by the reply's two handlers; the file leaves it when it is handed over.
    struct Transfer {
        std::unique_ptr<QTemporaryFile> file;
        long long received = 0;
        std::string error;
    };
    auto transfer = std::make_shared<Transfer>();
    transfer->file =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + "/morvelan-download-XXXXXX.zip");
    if (!transfer->file->open()) {
        done(failure("Couldn't create a temporary file: " +
                     transfer->file->errorString().toStdString()));
        return;
    }
    QNetworkReply* reply = manager_->get(request(url, downloadTimeoutSeconds));
    checkRedirects(reply);
    auto save = [transfer](const QByteArray& chunk) {
        if (!transfer->error.empty()) return false;
        transfer->received += chunk.size();
        if (transfer->received > maxDownloadBytes)
            transfer->error = "The download is larger than any Morvelan release.";
        else if (transfer->file->write(chunk) != chunk.size())
            transfer->error =
                "Couldn't save the download: " + transfer->file->errorString().toStdString();
        return transfer->error.empty();
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, save] {
        if (!save(reply->readAll())) reply->abort();
    });
    QObject::connect(
        reply, &QNetworkReply::finished, reply, [reply, transfer, save, done = std::move(done)] {
            reply->deleteLater();
            if (transfer->error.empty() && reply->error() != QNetworkReply::NoError)
                transfer->error = describe(reply);
            if (transfer->error.empty() && save(reply->readAll()) && !transfer->file->flush())
                transfer->error =
                    "Couldn't save the download: " + transfer->file->errorString().toStdString();
            if (!transfer->error.empty()) {
                done(failure(transfer->error));
                return;
            }
            transfer->file->close();
            done(Download(std::make_shared<QtDownloadedFile>(std::move(transfer->file))));
        });
}

} // namespace morvelan
