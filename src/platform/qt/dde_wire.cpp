#include "platform/qt/dde_wire.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QXmlStreamReader>
#include <algorithm>

namespace pv::dde {

namespace {

constexpr char16_t kNulStandIn = 0x2400;

bool Answers(QDBusConnection& bus, const QString& name, const QString& path) {
    QDBusMessage call = QDBusMessage::createMethodCall(name, path, kInterface, "Items");
    QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

// The bus daemon is asked plainly: the typed interface warns on the error
// reply about a name that has no owner.
QDBusMessage AskBus(QDBusConnection& bus, const char* method, const QString& name) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method);
    call << name;
    return bus.call(call, QDBus::Block, kCallTimeoutMs);
}

QString OwnerOf(QDBusConnection& bus, const QString& name) {
    QDBusMessage reply = AskBus(bus, "GetNameOwner", name);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().first().toString();
}

QStringList ChildNodes(QDBusConnection& bus, const QString& name, const QString& path) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        name, path, "org.freedesktop.DBus.Introspectable", "Introspect");
    QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    QStringList nodes;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return nodes;
    QXmlStreamReader xml(reply.arguments().first().toString());
    int depth = 0;
    while (!xml.atEnd()) {
        auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 2 && xml.name() == u"node")
                nodes << xml.attributes().value("name").toString();
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return nodes;
}

} // namespace

bool NameHasOwner(QDBusConnection& bus, const QString& name) {
    QDBusMessage reply = AskBus(bus, "NameHasOwner", name);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toBool();
}

QString EscapeName(const std::string& name) {
    QString out;
    for (char ch : name) {
        bool keep = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                    (ch >= '0' && ch <= '9') || ch == '_';
        out += keep ? QChar(ch) : QChar('_');
    }
    if (out.isEmpty() || out.front().isDigit()) out.prepend('_');
    return out;
}

QString BusNameFor(const std::string& service) {
    return QString::fromLatin1(kBusPrefix) + EscapeName(service);
}

QString TopicBusNameFor(const std::string& service, const std::string& topic) {
    return BusNameFor(service) + "." + EscapeName(topic);
}

QString ObjectPathFor(const std::string& topic) {
    return QString::fromLatin1(kPathPrefix) + "/" + EscapeName(topic);
}

QString ToWire(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        out += b == 0 ? QChar(kNulStandIn) : QChar(b);
    }
    return out;
}

std::string FromWire(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u == kNulStandIn)
            out += '\0';
        else if (u <= 0xFF)
            out += static_cast<char>(u);
        else if (c.isLowSurrogate())
            continue; // the high half already gave its "?"
        else
            out += '?';
    }
    return out;
}

bool ResolveTarget(QDBusConnection& bus, const std::string& service, const std::string& topic,
                   Target& out) {
    QString path = ObjectPathFor(topic);
    for (const QString& name : {BusNameFor(service), TopicBusNameFor(service, topic)}) {
        QString owner = OwnerOf(bus, name);
        if (owner.isEmpty()) continue;
        if (!Answers(bus, owner, path)) continue;
        out.BusName = owner;
        out.Path = path;
        return true;
    }
    return false;
}

std::vector<std::pair<std::string, std::string>> ListServers(QDBusConnection& bus) {
    std::vector<std::pair<std::string, std::string>> out;
    QDBusConnectionInterface* iface = bus.interface();
    if (!iface) return out;
    QDBusReply<QStringList> names = iface->registeredServiceNames();
    if (!names.isValid()) return out;
    const QString prefix = QString::fromLatin1(kBusPrefix);
    for (const QString& name : names.value()) {
        if (!name.startsWith(prefix)) continue;
        QString service = name.mid(prefix.size());
        for (const QString& topic : ChildNodes(bus, name, kPathPrefix)) {
            // A topic name of its own (org.portivox.dde.S.T) names S alone.
            QString shown = service;
            if (service.endsWith("." + topic)) shown.chop(topic.size() + 1);
            out.emplace_back(shown.toStdString(), topic.toStdString());
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace pv::dde
