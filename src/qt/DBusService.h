// DBusService: the requests of RemoteControl on the session bus, as
// io.github.morvelan.Morvelan at /io/github/morvelan/Morvelan (data/dbus/ holds the
// introspection data).
#pragma once

#include <nlohmann/json.hpp>

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

namespace morvelan {

class DBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.morvelan.Morvelan")
    Q_PROPERTY(QVariantMap ActiveContext READ activeContext)

public:
    using Handler = std::function<nlohmann::json(const nlohmann::json&)>;
    static constexpr const char* service = "io.github.morvelan.Morvelan";
    static constexpr const char* path = "/io/github/morvelan/Morvelan";

    // Registers on the session bus; null (after saying why on stderr) when there is no bus or
    // another copy holds the name.
    static std::unique_ptr<DBusService> start(Handler handler);
    ~DBusService() override;

    QVariantMap activeContext();
    // Emits ActiveContextChanged and the property's change.
    void activeChanged(const nlohmann::json& active);

public slots:
    QList<QVariantMap> ListContexts();
    QList<QVariantMap> ListWindows();
    // By id, or by name ignoring case; returns the context now active.
    QVariantMap ActivateContext(const QString& context);
    void ShowSwitcher(bool confined);
    // An empty context means the active one, window 0 the focused one.
    void PinWindow(const QString& context, qulonglong window);
    void UnpinWindow(const QString& context, qulonglong window);
    // The sentence the alert shows.
    QString Reload();
    void OpenSettings();

signals:
    void ActiveContextChanged(const QString& id, const QString& name, const QString& colour);

private:
    explicit DBusService(Handler handler) : handler_(std::move(handler)) {}
    // The reply, or an empty object after sending the error to the caller.
    nlohmann::json call(nlohmann::json request);
    QList<QVariantMap> list(const char* command);

    Handler handler_;
};

} // namespace morvelan
