#include "platform/qt/dde_topic.h"

#include <QDBusConnectionInterface>

#include "platform/qt/dde_wire.h"

namespace pv {

bool DdeTopicObject::Execute(const QString& command) {
    return handler_.OnExecute(dde::FromWire(command));
}

QString DdeTopicObject::Request(const QString& item) {
    std::string value;
    if (!handler_.OnRequest(dde::FromWire(item), value)) {
        if (calledFromDBus())
            sendErrorReply("org.portivox.Dde1.Error.NoSuchItem", "no item " + item);
        return {};
    }
    return dde::ToWire(value);
}

QStringList DdeTopicObject::Items() {
    QStringList out;
    for (const auto& name : handler_.OnItems())
        out << dde::ToWire(name);
    return out;
}

bool DdeTopicObject::Poke(const QString& item, const QString& value) {
    return handler_.OnPoke(dde::FromWire(item), dde::FromWire(value));
}

DdeBusServer::DdeBusServer(DdeTopicHandler& handler, QDBusConnection bus)
    : handler_(handler), bus_(std::move(bus)) {}

DdeBusServer::~DdeBusServer() {
    Stop();
}

bool DdeBusServer::Start(const std::string& service, const std::string& topic) {
    Stop();
    if (!bus_.isConnected()) return false;
    object_ = std::make_unique<DdeTopicObject>(handler_);
    path_ = dde::ObjectPathFor(topic);
    if (!bus_.registerObject(path_, object_.get(), QDBusConnection::ExportScriptableContents)) {
        object_.reset();
        return false;
    }
    QDBusConnectionInterface* iface = bus_.interface();
    for (const QString& name : {dde::BusNameFor(service), dde::TopicBusNameFor(service, topic)}) {
        auto reply = iface->registerService(name, QDBusConnectionInterface::DontQueueService,
                                            QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            busName_ = name;
            service_ = service;
            topic_ = topic;
            return true;
        }
    }
    bus_.unregisterObject(path_);
    object_.reset();
    return false;
}

void DdeBusServer::Stop() {
    if (!busName_.isEmpty()) bus_.unregisterService(busName_);
    if (object_) bus_.unregisterObject(path_);
    object_.reset();
    busName_.clear();
}

void DdeBusServer::Announce(const std::string& item, const std::string& value) {
    if (object_) emit object_->Changed(dde::ToWire(item), dde::ToWire(value));
}

} // namespace pv
