#pragma once
// Every delivered record also goes to an MQTT broker, whatever the output
// mode, through a queue on disk: a record is appended to the queue first
// and leaves it only once the broker acknowledged it (QoS 1), so records
// survive a broker that is away and a restart of the program, and arrive
// in order. A record handed to the client but not yet acknowledged when
// the program ends is sent again by the next run (at least once, as QoS 1
// promises).
//
// Topics under the prefix: "record" (QoS 1), "state" (retained: running,
// suspended, device lost; the broker's last will sets offline), "command"
// (read when enabled) and "command/result" (with the request's
// correlation data).
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "output/mqtt_payload.h"
#include "output/mqtt_settings.h"
#include "output/record_queue.h"
#include "runtime/interfaces.h"
#include "text/messages.h"

namespace pv {

struct MqttIncoming {
    std::string Topic, Payload, Correlation;
};

/// The client library: connects in the background and keeps reconnecting;
/// nothing here blocks, except Stop's bounded wait.
class MqttTransport {
  public:
    virtual ~MqttTransport() = default;
    /// Begins connecting; the last will puts `willPayload` retained on
    /// `willTopic`. False with `why` when the settings cannot work at all.
    virtual bool Start(const MqttSettings& settings, const BrokerAddress& broker,
                       const std::string& clientId, const std::string& willTopic,
                       const std::string& willPayload, std::string& why) = 0;
    virtual bool Connected() const = 0;
    /// Connections made so far: grows with each reconnect.
    virtual uint64_t Connections() const = 0;
    /// QoS 1; the message id its acknowledgement will carry, 0 if refused.
    virtual int Publish(const std::string& topic, std::string_view payload, bool retain,
                        std::string_view correlation = {}) = 0;
    /// Kept over reconnects.
    virtual void Subscribe(const std::string& topic) = 0;
    virtual std::vector<int> TakeAcks() = 0;
    virtual std::vector<MqttIncoming> TakeMessages() = 0;
    /// Why the last connection attempt failed or dropped ("" if none).
    virtual std::string LastError() const = 0;
    /// Waits at most `ms` for the acknowledgements of `mids`, then
    /// disconnects cleanly.
    virtual void Stop(const std::set<int>& mids, int ms) = 0;
};

class MqttDelivery {
  public:
    /// Hands a command to the command language; true when accepted.
    using CommandRunner = std::function<bool(const std::string&)>;
    /// Handed-over records not yet acknowledged, at most.
    static constexpr size_t kWindow = 500;
    /// Ticks between saves of the queue's head (about a quarter second).
    static constexpr int kCommitTicks = 5;
    /// Ticks between checks that the device node still exists.

    struct Setup {
        MqttSettings Settings;
        std::string TopicPrefix; // resolved
        std::string ClientId;    // resolved
        std::string QueuePath;
        PublishContext Context;
    };

    MqttDelivery(Setup setup, MqttTransport& transport, MessageSink& messages,
                 CommandRunner commands);
    ~MqttDelivery();

    /// Opens the queue (what an earlier run left is published first) and
    /// starts connecting. False with `why`.
    bool Open(std::string& why);
    /// The run (re)started with a configuration.
    void Start(const Config& config);
    /// Queues one delivered record.
    void Publish(const Record& record);
    void SetSuspended(bool suspended);
    /// While the device is away the state says so, whatever else holds.
    void SetDeviceLost(bool lost);
    /// Acknowledgements, hand-over, commands, state, queue saves.
    void Tick();
    /// "offline" retained, a bounded wait for what is in flight, disconnect.
    void Close(int waitMs = 1000);

    size_t Waiting() const { return queue_.Size(); }
    bool Connected() const { return transport_.Connected(); }
    const std::string& State() const { return state_; }
    const Setup& Settings() const { return setup_; }
    bool CommandsAllowed() const;

  private:
    void PublishState();
    void HandleCommand(const MqttIncoming& message);
    void SetState(const std::string& state);

    Setup setup_;
    BrokerAddress broker_;
    MqttTransport& transport_;
    MessageSink& messages_;
    CommandRunner commands_;
    RecordQueue queue_;
    std::map<int, uint64_t> inFlight_; // message id -> record sequence
    std::set<uint64_t> acked_;
    std::set<int> control_;  // state and result messages in flight
    uint64_t headSeq_ = 0;   // sequence of the queue's oldest entry
    uint64_t handedSeq_ = 0; // next sequence to hand to the client
    uint64_t connections_ = 0;
    std::string state_ = "running";
    bool suspended_ = false, deviceLost_ = false;
    bool fullShown_ = false, failShown_ = false;
    int commitTicks_ = 0;
    bool open_ = false;
};

/// The output mode's sink first, then the broker with each record the
/// mode delivered. Stop reaches only the mode: the broker stays connected
/// over a configuration change.
class SinkWithBroker : public RecordSink {
  public:
    SinkWithBroker(RecordSink& mode, MqttDelivery& broker) : mode_(&mode), broker_(broker) {}
    /// Another output mode after a configuration change. The wrapper
    /// stays: a command from the broker may change it within Tick.
    void SetMode(RecordSink& mode) { mode_ = &mode; }
    void Start(const Config& config) override {
        mode_->Start(config);
        broker_.Start(config);
    }
    Delivery Deliver(const Record& record, RecordBoxes& boxes) override {
        Delivery d = mode_->Deliver(record, boxes);
        if (d == Delivery::Done) broker_.Publish(record);
        return d;
    }
    void Tick() override {
        mode_->Tick();
        broker_.Tick();
    }
    void Stop() override { mode_->Stop(); }

  private:
    RecordSink* mode_;
    MqttDelivery& broker_;
};

} // namespace pv
