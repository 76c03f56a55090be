#include "platform/qt/secret_store.h"

#include "output/mqtt_settings.h"

#ifdef QT_DBUS_LIB
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantMap>
#endif

namespace pv {

#ifdef QT_DBUS_LIB
namespace {

constexpr int kTimeoutMs = 2000; // a store that does not answer is not waited for
const char kService[] = "org.freedesktop.secrets";
const char kServiceIf[] = "org.freedesktop.Secret.Service";

struct Secret {
    QDBusObjectPath Session;
    QByteArray Parameters, Value;
    QString ContentType;
};

QDBusArgument& operator<<(QDBusArgument& a, const Secret& s) {
    a.beginStructure();
    a << s.Session << s.Parameters << s.Value << s.ContentType;
    a.endStructure();
    return a;
}

const QDBusArgument& operator>>(const QDBusArgument& a, Secret& s) {
    a.beginStructure();
    a >> s.Session >> s.Parameters >> s.Value >> s.ContentType;
    a.endStructure();
    return a;
}

} // namespace
} // namespace pv

Q_DECLARE_METATYPE(pv::Secret)

namespace pv {
namespace {

using SecretMap = QMap<QDBusObjectPath, Secret>;
using StringMap = QMap<QString, QString>;

QDBusMessage Call(const QString& path, const char* interface, const char* method,
                  const QList<QVariant>& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(kService, path, interface, method);
    m.setArguments(args);
    return QDBusConnection::sessionBus().call(m, QDBus::Block, kTimeoutMs);
}

StringMap Attributes() {
    return {{"application", "portivox"}, {"service", "mqtt"}};
}

// A plain-text session (the bus is the user's own); empty when no store.
QDBusObjectPath OpenSession() {
    static bool registered = [] {
        qDBusRegisterMetaType<Secret>();
        qDBusRegisterMetaType<SecretMap>();
        qDBusRegisterMetaType<StringMap>();
        return true;
    }();
    (void)registered;
    if (!QDBusConnection::sessionBus().isConnected()) return {};
    QDBusMessage r = Call("/org/freedesktop/secrets", kServiceIf, "OpenSession",
                          {QString("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().size() < 2) return {};
    return qvariant_cast<QDBusObjectPath>(r.arguments().at(1));
}

// The unlocked items holding the password.
QList<QDBusObjectPath> FindItems() {
    QDBusMessage r = Call("/org/freedesktop/secrets", kServiceIf, "SearchItems",
                          {QVariant::fromValue(Attributes())});
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return {};
    return qdbus_cast<QList<QDBusObjectPath>>(r.arguments().at(0));
}

bool LoadFromStore(std::string& password) {
    QDBusObjectPath session = OpenSession();
    if (session.path().isEmpty()) return false;
    QList<QDBusObjectPath> items = FindItems();
    if (items.isEmpty()) return false;
    QDBusMessage r = Call("/org/freedesktop/secrets", kServiceIf, "GetSecrets",
                          {QVariant::fromValue(items), QVariant::fromValue(session)});
    if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return false;
    SecretMap secrets = qdbus_cast<SecretMap>(r.arguments().at(0));
    if (secrets.isEmpty()) return false;
    QByteArray value = secrets.first().Value;
    password.assign(value.constData(), static_cast<size_t>(value.size()));
    return true;
}

bool SaveToStore(const std::string& password) {
    QDBusObjectPath session = OpenSession();
    if (session.path().isEmpty()) return false;
    if (password.empty()) {
        for (const QDBusObjectPath& item : FindItems())
            Call(item.path(), "org.freedesktop.Secret.Item", "Delete", {});
        return true;
    }
    QVariantMap properties;
    properties["org.freedesktop.Secret.Item.Label"] = QString("Portivox MQTT broker password");
    properties["org.freedesktop.Secret.Item.Attributes"] = QVariant::fromValue(Attributes());
    Secret secret{session,
                  {},
                  QByteArray(password.data(), static_cast<qsizetype>(password.size())),
                  "text/plain"};
    QDBusMessage r =
        Call("/org/freedesktop/secrets/aliases/default", "org.freedesktop.Secret.Collection",
             "CreateItem", {properties, QVariant::fromValue(secret), true});
    // A locked collection answers with a prompt to show: the file is used then.
    return r.type() == QDBusMessage::ReplyMessage && r.arguments().size() == 2 &&
           qvariant_cast<QDBusObjectPath>(r.arguments().at(1)).path() == "/";
}

} // namespace
#endif

bool LoadMqttPassword(std::string& password) {
#ifdef QT_DBUS_LIB
    if (LoadFromStore(password)) return true;
#endif
    return ReadPasswordFile(password);
}

bool StoreMqttPassword(const std::string& password, std::string& where, std::string& why) {
#ifdef QT_DBUS_LIB
    if (SaveToStore(password)) {
        where = "the desktop's secret store";
        std::string ignored;
        WritePasswordFile("", ignored); // no second copy left behind
        return true;
    }
#endif
    where = PasswordFile();
    return WritePasswordFile(password, why);
}

} // namespace pv
