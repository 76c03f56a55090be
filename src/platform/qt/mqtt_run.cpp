#include "platform/qt/mqtt_run.h"

#include "platform/qt/secret_store.h"

#include <QString>
#include <QSysInfo>

#ifdef PV_HAVE_MOSQUITTO
#include "platform/mosquitto/mosquitto_transport.h"
#endif

namespace pv {

std::string MqttHostName() {
    std::string host = QSysInfo::machineHostName().toStdString();
    return host.empty() ? "localhost" : host;
}

MqttSettings LoadMqttSettingsWithPassword(SettingsStore& store) {
    MqttSettings s = LoadMqttSettings(store);
    LoadMqttPassword(s.Password);
    return s;
}

std::string TestMqttConnection(const MqttSettings& settings, int ms) {
#ifdef PV_HAVE_MOSQUITTO
    std::string id = settings.ClientId.empty() ? "portivox-test-" + TopicLevel(MqttHostName())
                                               : settings.ClientId + "-test";
    return MosquittoTransport::TestConnection(settings, id, ms);
#else
    (void)settings;
    (void)ms;
    return "this build has no MQTT client (libmosquitto)";
#endif
}

std::unique_ptr<MqttRun> MqttRun::Open(SettingsStore& store, MessageSink& messages,
                                       const Where& where, MqttDelivery::CommandRunner commands) {
    MqttSettings settings = LoadMqttSettings(store);
    if (!settings.Enabled) return nullptr;
#ifdef PV_HAVE_MOSQUITTO
    settings = LoadMqttSettingsWithPassword(store);
    MqttDelivery::Setup setup;
    std::string host = MqttHostName();
    setup.TopicPrefix = settings.TopicPrefix.empty() ? DefaultTopicPrefix(host, where.DdeTopic)
                                                     : settings.TopicPrefix;
    setup.ClientId =
        settings.ClientId.empty() ? DefaultClientId(host, where.DdeTopic) : settings.ClientId;
    setup.QueuePath = QueuePathFor(setup.ClientId);
    setup.Context.Device = where.Device.empty() ? "virtual" : where.Device;
    setup.Settings = std::move(settings);
    std::unique_ptr<MqttRun> run(new MqttRun);
    run->transport_ = std::make_unique<MosquittoTransport>();
    run->delivery_ = std::make_unique<MqttDelivery>(std::move(setup), *run->transport_, messages,
                                                    std::move(commands));
    std::string why;
    if (!run->delivery_->Open(why)) {
        messages.Show("Records are not published to the MQTT broker: " + why, "Portivox - MQTT",
                      MsgIcon::Exclamation, MsgButtons::Ok);
        return nullptr;
    }
    return run;
#else
    (void)where;
    (void)commands;
    messages.Show("Records are not published to the MQTT broker: this build has no MQTT client.",
                  "Portivox - MQTT", MsgIcon::Exclamation, MsgButtons::Ok);
    return nullptr;
#endif
}

MqttRun::~MqttRun() {
    if (delivery_) delivery_->Close();
}

RecordSink& MqttRun::Wrap(RecordSink& mode) {
    if (wrapped_)
        wrapped_->SetMode(mode);
    else
        wrapped_ = std::make_unique<SinkWithBroker>(mode, *delivery_);
    return *wrapped_;
}

} // namespace pv
