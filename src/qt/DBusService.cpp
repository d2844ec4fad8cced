#include "qt/DBusService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace morvelan {

namespace {

using nlohmann::json;

QString qstring(const json& value) {
    return value.is_string() ? QString::fromStdString(value.get<std::string>()) : QString();
}

// JSON as D-Bus values: objects a{sv}, lists of strings as, numbers x, t or d. Nulls have no
// D-Bus form and are left out.
QVariant variant(const json& value) {
    switch (value.type()) {
    case json::value_t::object: {
        QVariantMap map;
        for (const auto& [key, item] : value.items())
            if (!item.is_null()) map.insert(QString::fromStdString(key), variant(item));
        return map;
    }
    case json::value_t::array: {
        QStringList strings;
        QVariantList items;
        for (const json& item : value) {
            strings << qstring(item);
            items << variant(item);
        }
        return std::all_of(value.begin(), value.end(), [](const json& v) { return v.is_string(); })
                   ? QVariant(strings)
                   : QVariant(items);
    }
    case json::value_t::string:
        return qstring(value);
    case json::value_t::boolean:
        return value.get<bool>();
    case json::value_t::number_unsigned:
        return QVariant::fromValue(value.get<qulonglong>());
    case json::value_t::number_integer:
        return QVariant::fromValue(value.get<qlonglong>());
    case json::value_t::number_float:
        return value.get<double>();
    default:
        return {};
    }
}

json contextArgument(const QString& context) {
    return context.isEmpty() ? json(nullptr) : json(context.toStdString());
}

} // namespace

std::unique_ptr<DBusService> DBusService::start(Handler handler) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr; // a bare X session: the socket still serves
    qDBusRegisterMetaType<QList<QVariantMap>>();
    std::unique_ptr<DBusService> self(new DBusService(std::move(handler)));
    if (!bus.registerObject(path, self.get(),
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(service)) {
        std::fprintf(stderr, "morvelan: cannot offer %s on the session bus: %s\n", service,
                     bus.lastError().message().toLocal8Bit().constData());
        bus.unregisterObject(path);
        return nullptr;
    }
    return self;
}

DBusService::~DBusService() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(service);
    bus.unregisterObject(path);
}

json DBusService::call(json request) {
    json reply = handler_(request);
    if (reply.value("ok", false)) return reply;
    const bool invalid = reply.value("error", "") == "invalid";
    sendErrorReply(invalid ? QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs")
                           : QStringLiteral("io.github.morvelan.Morvelan.Error.Refused"),
                   qstring(reply.value("message", json())));
    return json::object();
}

QList<QVariantMap> DBusService::list(const char* command) {
    QList<QVariantMap> items;
    for (const json& item : call({{"command", command}}).value(command, json::array()))
        items << variant(item).toMap();
    return items;
}

QVariantMap DBusService::activeContext() {
    return variant(handler_({{"command", "status"}}).value("active", json())).toMap();
}

void DBusService::activeChanged(const json& active) {
    emit ActiveContextChanged(qstring(active.value("id", json())),
                              qstring(active.value("name", json())),
                              qstring(active.value("colour", json())));
    QDBusMessage changed =
        QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    changed << QString(service) << QVariantMap{{"ActiveContext", variant(active).toMap()}}
            << QStringList();
    QDBusConnection::sessionBus().send(changed);
}

QList<QVariantMap> DBusService::ListContexts() {
    return list("contexts");
}

QList<QVariantMap> DBusService::ListWindows() {
    return list("windows");
}

QVariantMap DBusService::ActivateContext(const QString& context) {
    return variant(call({{"command", "activate"}, {"context", context.toStdString()}})
                       .value("active", json::object()))
        .toMap();
}

void DBusService::ShowSwitcher(bool confined) {
    call({{"command", "switcher"}, {"confined", confined}});
}

void DBusService::PinWindow(const QString& context, qulonglong window) {
    call({{"command", "pin"}, {"context", contextArgument(context)}, {"window", window}});
}

void DBusService::UnpinWindow(const QString& context, qulonglong window) {
    call({{"command", "unpin"}, {"context", contextArgument(context)}, {"window", window}});
}

QString DBusService::Reload() {
    return qstring(call({{"command", "reload"}}).value("message", json()));
}

void DBusService::OpenSettings() {
    call({{"command", "settings"}});
}

} // namespace morvelan
