// QtHttp against a small HTTP server on 127.0.0.1.
#include "qt/QtHttp.h"
#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>
#include <optional>

namespace morvelan {
namespace {

class QtHttpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    // Answers each request from `responses` by path; a path not there never gets an answer.
    QtHttpTest() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    QByteArray& request = pending[socket];
                    request += socket->readAll();
                    if (!request.contains("\r\n\r\n")) return;
                    requests.push_back(request);
                    auto it = responses.find(request.split(' ').value(1).toStdString());
                    if (it == responses.end()) return;
                    socket->write(it->second);
                    socket->disconnectFromHost();
                });
        });
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server.serverPort()) + path;
    }
    static QByteArray answer(const QByteArray& status, const QByteArray& body,
                             const QByteArray& headers = {}) {
        return "HTTP/1.1 " + status + "\r\n" + headers +
               "Content-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    // Calls `call` with a callback and runs the event loop until it answers or a 10-second
    // deadline passes.
    template <class T, class Call> static std::optional<T> await(Call call) {
        std::optional<T> got;
        call([&](T answer) { got = std::move(answer); });
        QElapsedTimer clock;
        clock.start();
        while (!got && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return got;
    }
    std::optional<Result<std::string>> get(const std::string& path, double timeout = 15) {
        return await<Result<std::string>>([&](auto done) { http.get(url(path), timeout, done); });
    }

    QTcpServer server;
    std::map<QTcpSocket*, QByteArray> pending;
    std::map<std::string, QByteArray> responses;
    std::vector<QByteArray> requests;
    QtHttp http;
};

TEST_F(QtHttpTest, GetAsksPastCachesAndFollowsRedirectsOnlyOnThisMachine) {
    responses["/latest.json"] = answer("200 OK", R"({"version":"2.0"})");
    auto got = get("/latest.json");
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, R"({"version":"2.0"})");
    EXPECT_TRUE(requests.at(0).toLower().contains("cache-control: no-cache"));

    responses["/hop"] = answer(
        "302 Found", "", "Location: " + QByteArray::fromStdString(url("/latest.json")) + "\r\n");
    got = get("/hop");
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, R"({"version":"2.0"})");

    // 0.0.0.0 reaches this machine too, but over plain http only loopback names may be used.
    requests.clear();
    const std::string port = std::to_string(server.serverPort());
    responses["/away"] =
        answer("302 Found", "",
               QByteArray::fromStdString("Location: http://0.0.0.0:" + port + "/latest.json\r\n"));
    got = get("/away");
    ASSERT_TRUE(got);
    EXPECT_FALSE(*got);
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(QtHttpTest, AStalledGetFailsAfterItsTimeout) {
    const auto got = get("/never", 0.3);
    ASSERT_TRUE(got);
    EXPECT_FALSE(*got);
}

} // namespace
} // namespace morvelan
