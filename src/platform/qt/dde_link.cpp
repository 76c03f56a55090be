#include "platform/qt/dde_link.h"

#include <QDBusMessage>

namespace pv {

DbusLink::DbusLink(Receiver receiver, QDBusConnection bus, QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)), bus_(std::move(bus)) {}

DbusLink::~DbusLink() {
    Terminate();
}

bool DbusLink::Establish(const std::string& service, const std::string& topic,
                         const std::string& item) {
    Terminate();
    dde::Target found;
    if (!dde::ResolveTarget(bus_, service, topic, found)) return false;
    QString wireItem = dde::ToWire(item);
    if (!bus_.connect(found.BusName, found.Path, dde::kInterface, "Changed", this,
                      SLOT(OnChanged(QString, QString))))
        return false;
    target_ = found;
    item_ = wireItem;
    watcher_ = std::make_unique<QDBusServiceWatcher>(target_.BusName, bus_,
                                                     QDBusServiceWatcher::WatchForUnregistration);
    connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            [this](const QString&) {
                // Deleting the watcher from inside its own signal is not allowed.
                watcher_.release()->deleteLater();
                Terminate();
            });

    QDBusMessage call =
        QDBusMessage::createMethodCall(target_.BusName, target_.Path, dde::kInterface, "Request");
    call << wireItem;
    QDBusMessage reply = bus_.call(call, QDBus::Block, dde::kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        std::string value = dde::FromWire(reply.arguments().first().toString());
        if (!value.empty() && receiver_) receiver_(value);
    }
    return true;
}

void DbusLink::Terminate() {
    if (!target_.BusName.isEmpty())
        bus_.disconnect(target_.BusName, target_.Path, dde::kInterface, "Changed", this,
                        SLOT(OnChanged(QString, QString)));
    watcher_.reset();
    target_ = {};
    item_.clear();
}

void DbusLink::OnChanged(const QString& item, const QString& value) {
    if (target_.BusName.isEmpty() || item.compare(item_, Qt::CaseInsensitive) != 0) return;
    if (receiver_) receiver_(dde::FromWire(value));
}

DbusTopicWatch::DbusTopicWatch(Receiver receiver, std::function<void()> gone, QDBusConnection bus,
                               QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)), gone_(std::move(gone)),
      bus_(std::move(bus)) {}

DbusTopicWatch::~DbusTopicWatch() {
    if (!target_.BusName.isEmpty())
        bus_.disconnect(target_.BusName, target_.Path, dde::kInterface, "Changed", this,
                        SLOT(OnChanged(QString, QString)));
}

bool DbusTopicWatch::Watch(const dde::Target& target) {
    if (!bus_.connect(target.BusName, target.Path, dde::kInterface, "Changed", this,
                      SLOT(OnChanged(QString, QString))))
        return false;
    target_ = target;
    watcher_ = std::make_unique<QDBusServiceWatcher>(target_.BusName, bus_,
                                                     QDBusServiceWatcher::WatchForUnregistration);
    connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            [this](const QString&) {
                if (gone_) gone_();
            });
    return true;
}

void DbusTopicWatch::OnChanged(const QString& item, const QString& value) {
    if (receiver_) receiver_(dde::FromWire(item), dde::FromWire(value));
}

} // namespace pv
