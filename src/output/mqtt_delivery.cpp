#include "output/mqtt_delivery.h"
#include <unistd.h>
namespace pv {

MqttDelivery::MqttDelivery(Setup setup, MqttTransport& transport, MessageSink& messages,
                           CommandRunner commands)
    : setup_(std::move(setup)), transport_(transport), messages_(messages),
      commands_(std::move(commands)) {}

MqttDelivery::~MqttDelivery() {
    Close(0);
}

bool MqttDelivery::Open(std::string& why) {
    if (!ParseBrokerUrl(setup_.Settings.Url, broker_, why)) return false;
    if (!queue_.Open(setup_.QueuePath, setup_.Settings.QueueLimit, why)) return false;
    if (!transport_.Start(setup_.Settings, broker_, setup_.ClientId, setup_.TopicPrefix + "/state",
                          "offline", why)) {
        queue_.Close();
        return false;
    }
    if (setup_.Settings.Commands) transport_.Subscribe(setup_.TopicPrefix + "/command");
    open_ = true;
    return true;
}

bool MqttDelivery::CommandsAllowed() const {
    return setup_.Settings.Commands && (broker_.Tls || setup_.Settings.CommandsWithoutTls);
}

void MqttDelivery::Start(const Config& config) {
    setup_.Context.ConfigFile = config.ConfigFileName;
    // Subscribers on other machines need the whole path.
    char cwd[4096];
    if (!config.ConfigFileName.empty() && config.ConfigFileName[0] != '/' &&
        ::getcwd(cwd, sizeof cwd))
        setup_.Context.ConfigFile = std::string(cwd) + "/" + config.ConfigFileName;
}

void MqttDelivery::Publish(const Record& record) {
    if (!open_) return;
    std::string payload = RecordPayload(record, setup_.Context, UtcOffsetMinutes(record.Time));
    switch (queue_.Append(payload)) {
    case RecordQueue::Added::Queued: return;
    case RecordQueue::Added::Full:
        if (!fullShown_)
            messages_.Show("The MQTT queue is full (" + std::to_string(queue_.Limit()) +
                               " records waiting for " + setup_.Settings.Url +
                               "); records are not published until the broker takes them.",
                           "Portivox - MQTT", MsgIcon::Exclamation, MsgButtons::Ok);
        fullShown_ = true;
        return;
    case RecordQueue::Added::Failed:
        if (!failShown_)
            messages_.Show("Records cannot be written to the MQTT queue " + setup_.QueuePath +
                               "; they are not published.",
                           "Portivox - MQTT", MsgIcon::Exclamation, MsgButtons::Ok);
        failShown_ = true;
        return;
    }
}

void MqttDelivery::SetState(const std::string& state) {
    if (state == state_) return;
    state_ = state;
    PublishState();
}

void MqttDelivery::SetSuspended(bool suspended) {
    suspended_ = suspended;
    SetState(deviceLost_ ? "device lost" : suspended ? "suspended" : "running");
}

void MqttDelivery::SetDeviceLost(bool lost) {
    deviceLost_ = lost;
    SetSuspended(suspended_);
}

void MqttDelivery::PublishState() {
    if (!open_ || !transport_.Connected()) return; // each connection publishes it anew
    if (int mid = transport_.Publish(setup_.TopicPrefix + "/state", state_, true))
        control_.insert(mid);
}

void MqttDelivery::HandleCommand(const MqttIncoming& m) {
    bool accepted = false;
    std::string reason;
    if (!CommandsAllowed()) {
        reason = setup_.Settings.Commands ? "commands need a TLS connection (mqtts://)"
                                          : "commands are not enabled";
    } else {
        accepted = commands_ && commands_(m.Payload);
    }
    if (int mid = transport_.Publish(setup_.TopicPrefix + "/command/result",
                                     CommandResultPayload(m.Payload, accepted, reason), false,
                                     m.Correlation))
        control_.insert(mid);
}

void MqttDelivery::Tick() {
    if (!open_) return;
    for (int mid : transport_.TakeAcks()) {
        auto it = inFlight_.find(mid);
        if (it == inFlight_.end()) {
            control_.erase(mid);
            continue;
        }
        acked_.insert(it->second);
        inFlight_.erase(it);
    }
    size_t done = 0;
    while (!acked_.empty() && *acked_.begin() == headSeq_ + done) {
        acked_.erase(acked_.begin());
        ++done;
    }
    if (done > 0) {
        queue_.Drop(done);
        headSeq_ += done;
        if (queue_.Size() < queue_.Limit()) fullShown_ = false;
    }

    if (transport_.Connections() != connections_ && transport_.Connected()) {
        connections_ = transport_.Connections();
        PublishState();
    }
    // The client resends what it holds after a reconnect; only new records
    // are handed over, so each goes out once per run.
    if (transport_.Connected()) {
        std::string payload;
        while (handedSeq_ - headSeq_ < queue_.Size() && inFlight_.size() < kWindow &&
               queue_.Read(static_cast<size_t>(handedSeq_ - headSeq_), payload)) {
            int mid = transport_.Publish(setup_.TopicPrefix + "/record", payload, false);
            if (mid == 0) break;
            inFlight_[mid] = handedSeq_++;
        }
    }
    for (const MqttIncoming& m : transport_.TakeMessages())
        if (m.Topic == setup_.TopicPrefix + "/command") HandleCommand(m);

    if (++commitTicks_ >= kCommitTicks) {
        commitTicks_ = 0;
        std::string why;
        queue_.Commit(why);
    }
}

void MqttDelivery::Close(int waitMs) {
    if (!open_) return;
    Tick();
    SetState("offline");
    std::set<int> waiting = control_;
    for (auto& [mid, seq] : inFlight_)
        waiting.insert(mid);
    transport_.Stop(waiting, transport_.Connected() ? waitMs : 0);
    open_ = true; // the acknowledgements that came in the wait still count
    Tick();
    open_ = false;
    queue_.Close();
}

} // namespace pv
