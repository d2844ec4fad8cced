// Tests of QtHttp against a small HTTP server on 127.0.0.1.
#include "qt/QtHttp.h"
#include "QtTestApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

namespace morvelan {
namespace {

// Answers each request from a table of path → raw HTTP response; a missing path never answers.
class TinyServer {
public:
    TinyServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    buffer_[socket] += socket->readAll();
                    if (!buffer_[socket].contains("\r\n\r\n")) return;
                    const auto path = buffer_[socket].split(' ').value(1).toStdString();
                    requests.push_back(buffer_[socket]);
                    auto it = responses.find(path);
                    if (it == responses.end()) return; // stall
                    socket->write(it->second);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
    }
    static QByteArray ok(const QByteArray& body) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    std::map<std::string, QByteArray> responses;
    std::vector<QByteArray> requests;

private:
    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> buffer_;
};

class QtHttpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    // Runs the event loop until `done` or a 10-second deadline.
    template <class Done> static void waitFor(Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }

    // The answer to a GET, waited for.
    std::optional<Result<std::string>> get(const std::string& url, double timeout = 15) {
        std::optional<Result<std::string>> got;
        http.get(url, timeout, [&](Result<std::string> r) { got = std::move(r); });
        waitFor([&] { return got.has_value(); });
        return got;
    }
    std::optional<Result<Download>> download(const std::string& url) {
        std::optional<Result<Download>> got;
        http.download(url, [&](Result<Download> r) { got = std::move(r); });
        waitFor([&] { return got.has_value(); });
        return got;
    }
    static QByteArray redirect(const QByteArray& to) {
        return "HTTP/1.1 302 Found\r\nLocation: " + to +
               "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }

    const QByteArray notFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n"
                                "Connection: close\r\n\r\nnope";
    TinyServer server;
    QtHttp http;
};

TEST_F(QtHttpTest, GetDeliversTheBodyOfAnyStatusAndBypassesCaches) {
    server.responses["/release/latest.json"] = TinyServer::ok(R"({"version":"2.0"})");
    auto got = get(server.url("/release/latest.json"));
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, R"({"version":"2.0"})");
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_TRUE(server.requests[0].toLower().contains("cache-control: no-cache"))
        << server.requests[0].toStdString();

    // An error page's body too.
    server.responses["/missing"] = notFound;
    got = get(server.url("/missing"));
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, "nope");
}

TEST_F(QtHttpTest, StalledGetFailsAfterItsTimeout) {
    const auto got = get(server.url("/never"), 0.3);
    ASSERT_TRUE(got);
    EXPECT_FALSE(*got);
}

TEST_F(QtHttpTest, RedirectsAreFollowedOnThisMachineOnlyOverPlainHttp) {
    server.responses["/hop"] = redirect(QByteArray::fromStdString(server.url("/there")));
    server.responses["/there"] = TinyServer::ok("arrived");
    auto got = get(server.url("/hop"));
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, "arrived");

    server.requests.clear();
    server.responses["/away"] = redirect("http://example.invalid/x.zip");
    got = get(server.url("/away"));
    ASSERT_TRUE(got);
    EXPECT_FALSE(*got);
    EXPECT_EQ(server.requests.size(), 1u);
}

TEST_F(QtHttpTest, DownloadKeepsTheFileWhileAHandleLives) {
    QByteArray body(300000, 'z');
    server.responses["/M.zip"] = TinyServer::ok(body);
    auto got = download(server.url("/M.zip"));
    ASSERT_TRUE(got && *got);
    const QString path = QString::fromStdString((**got)->path().string());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), body);
    file.close();
    got.reset();
    EXPECT_FALSE(QFile::exists(path)) << "the temporary file goes with the last handle";
}

TEST_F(QtHttpTest, DownloadOfAnErrorStatusOrFromAnUnreachableServerFails) {
    server.responses["/M.zip"] = notFound;
    auto got = download(server.url("/M.zip"));
    ASSERT_TRUE(got);
    ASSERT_FALSE(*got);
    EXPECT_FALSE(got->error().message.empty());
    // Port 1 (tcpmux) is not served here.
    got = download("http://127.0.0.1:1/x.zip");
    ASSERT_TRUE(got);
    EXPECT_FALSE(*got);
}

} // namespace
} // namespace morvelan
