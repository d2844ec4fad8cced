#include "qt/ControlServer.h"

#include "core/platform/ControlSocket.h"
#include "core/platform/JsonDepth.h"

#include <QLocalSocket>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace morvelan {

namespace {

// A request is a few hundred bytes; a peer sending more without a line end is cut off.
constexpr qint64 maxLine = 64 * 1024;

void send(QLocalSocket& socket, const nlohmann::json& reply) {
    socket.write(QByteArray::fromStdString(
                     reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) +
                 '\n');
    // Out now: a peer that has finished writing is read to the end and closed before the
    // event loop would send what is buffered.
    socket.flush();
}

} // namespace

ControlServer::ControlServer(Handler handler) : handler_(std::move(handler)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &ControlServer::accept);
}

ControlServer::~ControlServer() {
    server_.close();
}

bool ControlServer::listen(const std::filesystem::path& path) {
    const QString name = QString::fromStdString(path.string());
    QLocalServer::removeServer(name);
    if (!server_.listen(name)) {
        std::fprintf(stderr, "morvelan: cannot listen on %s: %s\n", path.c_str(),
                     server_.errorString().toLocal8Bit().constData());
        return false;
    }
    // Qt makes it rwx for the user alone; nobody needs to execute it.
    if (::chmod(path.c_str(), 0600) == 0) return true;
    std::fprintf(stderr, "morvelan: cannot make %s private\n", path.c_str());
    server_.close();
    return false;
}

void ControlServer::broadcast(const nlohmann::json& line) {
    std::erase_if(watchers_, [](const QPointer<QLocalSocket>& socket) { return !socket; });
    for (const auto& socket : watchers_)
        send(*socket, line);
}

void ControlServer::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The socket file is private already; the peer's uid is what settles it.
        if (peerUid(static_cast<int>(socket->socketDescriptor())) != ::getuid()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    }
}

void ControlServer::read(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(maxLine).trimmed();
        const std::string text = line.toStdString();
        // Requests are flat: anything deeper is not one, and would cost the parser's stack.
        const auto request = nestedDeeperThan(text, 8)
                                 ? nlohmann::json(nlohmann::json::value_t::discarded)
                                 : nlohmann::json::parse(text, nullptr, false);
        if (request.is_discarded()) {
            send(*socket, {{"ok", false}, {"error", "invalid"}, {"message", "Not JSON."}});
            continue;
        }
        const nlohmann::json reply = handler_(request);
        send(*socket, reply);
        if (request.is_object() && request.value("watch", nlohmann::json()) == true &&
            reply.value("ok", false))
            watchers_.emplace_back(socket);
    }
    if (socket->bytesAvailable() > maxLine) socket->abort();
}

} // namespace morvelan
