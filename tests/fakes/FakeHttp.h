// FakeHttp: an Http whose requests wait until a test answers them.
#pragma once

#include "core/platform/Http.h"

#include <deque>
#include <filesystem>
#include <string>

namespace morvelan {

// A downloaded file that is only a path; `released` tells when the last handle went.
class FakeDownloadedFile : public DownloadedFile {
public:
    FakeDownloadedFile(std::filesystem::path path, bool* released)
        : path_(std::move(path)), released_(released) {}
    ~FakeDownloadedFile() override {
        if (released_) *released_ = true;
    }
    std::filesystem::path path() const override { return path_; }

private:
    std::filesystem::path path_;
    bool* released_;
};

class FakeHttp : public Http {
public:
    struct Get {
        std::string url;
        double timeoutSeconds;
        BodyHandler done;
    };
    struct Fetch {
        std::string url;
        DownloadHandler done;
    };

    void get(const std::string& url, double timeoutSeconds, BodyHandler done) override {
        gets.push_back({url, timeoutSeconds, std::move(done)});
    }
    void download(const std::string& url, DownloadHandler done) override {
        downloads.push_back({url, std::move(done)});
    }

    // Answers the oldest GET (as the main thread would receive it).
    void answerGet(Result<std::string> body) {
        auto request = std::move(gets.front());
        gets.pop_front();
        request.done(std::move(body));
    }
    // Answers the oldest download.
    void answerDownload(Result<Download> file) {
        auto request = std::move(downloads.front());
        downloads.pop_front();
        request.done(std::move(file));
    }

    std::deque<Get> gets;
    std::deque<Fetch> downloads;
};

} // namespace morvelan
