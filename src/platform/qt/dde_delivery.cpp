#include "platform/qt/dde_delivery.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace pv {

DbusDdeDelivery::DbusDdeDelivery(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

DbusDdeDelivery::~DbusDdeDelivery() = default;

bool DbusDdeDelivery::IsConnected() {
    if (target_.BusName.isEmpty()) return false;
    // A disconnect that the watcher has not delivered yet (the event loop
    // did not run since) is noticed here, so no execute goes to a dead peer.
    if (!dde::NameHasOwner(bus_, target_.BusName)) PeerGone();
    return !target_.BusName.isEmpty();
}

bool DbusDdeDelivery::Connect(const std::string& app, const std::string& topic) {
    Disconnect();
    dde::Target found;
    if (!dde::ResolveTarget(bus_, app, topic, found)) return false;
    target_ = found;
    watcher_ = std::make_unique<QDBusServiceWatcher>(target_.BusName, bus_,
                                                     QDBusServiceWatcher::WatchForUnregistration);
    connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            [this](const QString&) { PeerGone(); });
    return true;
}

bool DbusDdeDelivery::Execute(const std::string& command) {
    if (command.empty() || target_.BusName.isEmpty()) return false;
    ++Sent;
    QDBusMessage call =
        QDBusMessage::createMethodCall(target_.BusName, target_.Path, dde::kInterface, "Execute");
    call << dde::ToWire(command);
    QDBusMessage reply = bus_.call(call, QDBus::Block, dde::kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (reply.errorName() == "org.freedesktop.DBus.Error.ServiceUnknown" ||
            reply.errorName() == "org.freedesktop.DBus.Error.NameHasNoOwner")
            PeerGone();
        return false;
    }
    return !reply.arguments().isEmpty() && reply.arguments().first().toBool();
}

void DbusDdeDelivery::Disconnect() {
    watcher_.reset();
    target_ = {};
}

void DbusDdeDelivery::PeerGone() {
    // Deleting the watcher from inside its own signal is not allowed.
    if (watcher_) watcher_.release()->deleteLater();
    target_ = {};
}

} // namespace pv
