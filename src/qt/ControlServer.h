// ControlServer: the running copy's end of the command line's socket. Only this user's
// processes are answered; each line is one JSON request, each reply one line.
#pragma once

#include <nlohmann/json.hpp>

#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <vector>

class QLocalSocket;

namespace morvelan {

class ControlServer : public QObject {
public:
    using Handler = std::function<nlohmann::json(const nlohmann::json&)>;
    explicit ControlServer(Handler handler);
    ~ControlServer() override;

    // Listens at `path` (mode 0600), replacing a socket a copy that ended left behind: the
    // caller holds the instance lock. False, after saying why on stderr, when it cannot.
    bool listen(const std::filesystem::path& path);
    // Sends the line to every `status --watch` connection.
    void broadcast(const nlohmann::json& line);

private:
    void accept();
    void read(QLocalSocket* socket);

    Handler handler_;
    QLocalServer server_;
    std::vector<QPointer<QLocalSocket>> watchers_;
};

} // namespace morvelan
