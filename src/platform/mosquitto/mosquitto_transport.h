#pragma once
// The MQTT client over libmosquitto (MQTT 5): one thread of its own runs
// the network loop and reconnects; the callbacks only collect
// acknowledgements and messages under a lock, which the owner takes on its
// own thread.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "output/mqtt_delivery.h"

struct mosquitto;

namespace pv {

class MosquittoTransport : public MqttTransport {
  public:
    MosquittoTransport();
    ~MosquittoTransport() override;

    bool Start(const MqttSettings& settings, const BrokerAddress& broker,
               const std::string& clientId, const std::string& willTopic,
               const std::string& willPayload, std::string& why) override;
    bool Connected() const override { return connected_; }
    uint64_t Connections() const override { return connections_; }
    int Publish(const std::string& topic, std::string_view payload, bool retain,
                std::string_view correlation = {}) override;
    void Subscribe(const std::string& topic) override;
    std::vector<int> TakeAcks() override;
    std::vector<MqttIncoming> TakeMessages() override;
    std::string LastError() const override;
    void Stop(const std::set<int>& mids, int ms) override;

    /// Connects once and waits at most `ms` for the broker's answer:
    /// "" when it accepted, else why not. For the Test Connection button
    /// and `portivox mqtt status`; blocks its caller.
    static std::string TestConnection(const MqttSettings& settings, const std::string& clientId,
                                      int ms);

  private:
    void Loop();

    mosquitto* m_ = nullptr;
    BrokerAddress broker_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> acks_;
    std::vector<MqttIncoming> messages_;
    std::vector<std::string> topics_;
    std::string error_;
    std::atomic<bool> connected_{false}, stopping_{false};
    std::atomic<uint64_t> connections_{0};
};

} // namespace pv
