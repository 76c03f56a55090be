#pragma once
// The broker side of one run: the settings of the "Mqtt" section with the
// password from the secret store, the libmosquitto client and the
// delivery, wrapped around whichever sink the output mode has.
#include <memory>
#include <string>

#include "config/settings_store.h"
#include "output/mqtt_delivery.h"
#include "text/messages.h"

namespace pv {

class MqttRun {
  public:
    struct Where {
        std::string DdeTopic;
        std::string Device; // device node, or "" in Virtual Instrument mode
    };
    /// Null when publishing is off, or when it cannot start (a message said
    /// why; the run goes on without it).
    static std::unique_ptr<MqttRun> Open(SettingsStore& store, MessageSink& messages,
                                         const Where& where, MqttDelivery::CommandRunner commands);
    ~MqttRun();

    /// The output mode's sink with the broker after it.
    RecordSink& Wrap(RecordSink& mode);
    MqttDelivery& Delivery() { return *delivery_; }

  private:
    MqttRun() = default;
    std::unique_ptr<MqttTransport> transport_;
    std::unique_ptr<MqttDelivery> delivery_;
    std::unique_ptr<SinkWithBroker> wrapped_;
};

/// The settings with the password filled in (secret store, else the file).
MqttSettings LoadMqttSettingsWithPassword(SettingsStore& store);
/// The host name used in default topics and client ids.
std::string MqttHostName();
/// Connects once with `settings`; "" when the broker accepted, else why not.
std::string TestMqttConnection(const MqttSettings& settings, int ms);

} // namespace pv
