#pragma once
// How DDE names and texts travel on the D-Bus session bus.
//
// A server S with topic T owns the bus name "org.portivox.dde.S" and serves
// the object "/org/portivox/dde/T" with the interface "org.portivox.Dde1"
// (characters outside [A-Za-z0-9_] become "_"). When another process
// already owns the name, the server takes "org.portivox.dde.S.T" instead;
// clients try both.
#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace pv::dde {

constexpr const char* kInterface = "org.portivox.Dde1";
constexpr const char* kBusPrefix = "org.portivox.dde.";
constexpr const char* kPathPrefix = "/org/portivox/dde";
/// Execute, Request, Poke and Items wait this long for the peer (ms).
constexpr int kCallTimeoutMs = 1000;

/// Every character outside [A-Za-z0-9_] replaced by "_"; "_" for an empty
/// name, and a leading "_" before a digit (a bus name element cannot start
/// with one).
QString EscapeName(const std::string& name);

QString BusNameFor(const std::string& service);
/// The name a second server of the same service takes.
QString TopicBusNameFor(const std::string& service, const std::string& topic);
QString ObjectPathFor(const std::string& topic);

/// Bytes to a D-Bus string: byte b is the character U+00bb, except NUL,
/// which D-Bus strings cannot hold: it travels as U+2400.
QString ToWire(const std::string& bytes);
/// The reverse; a character beyond U+00FF (other than U+2400) becomes "?".
std::string FromWire(const QString& text);

/// Whether a bus name (well-known or unique) has an owner now.
bool NameHasOwner(QDBusConnection& bus, const QString& name);

/// Where service|topic is served.
struct Target {
    QString BusName; // the owner's unique name
    QString Path;
};

/// Finds the server of service|topic: the name must have an owner and the
/// object must answer Items(). False when neither name leads to one.
bool ResolveTarget(QDBusConnection& bus, const std::string& service, const std::string& topic,
                   Target& out);

/// Running servers as "service topic" pairs (escaped names), sorted.
std::vector<std::pair<std::string, std::string>> ListServers(QDBusConnection& bus);

} // namespace pv::dde
