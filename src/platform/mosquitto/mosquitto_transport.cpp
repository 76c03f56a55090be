#include "platform/mosquitto/mosquitto_transport.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <chrono>
#include <cstring>
#include <utility>

namespace pv {

namespace {

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string ConnackText(int rc) {
    return rc == 0 ? "" : mosquitto_reason_string(rc);
}

// A client configured from the settings, without callbacks or a loop yet.
mosquitto* NewClient(const MqttSettings& s, const BrokerAddress& b, const std::string& clientId,
                     void* self, std::string& why) {
    InitLibrary();
    mosquitto* m = mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), true, self);
    if (!m) {
        why = "the MQTT client could not be created";
        return nullptr;
    }
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    int rc = MOSQ_ERR_SUCCESS;
    if (!s.User.empty())
        rc = mosquitto_username_pw_set(m, s.User.c_str(),
                                       s.Password.empty() ? nullptr : s.Password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && b.Tls) {
        // Without a CA file the system's trusted certificates apply.
        rc = s.CaFile.empty()
                 ? mosquitto_int_option(m, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                 : mosquitto_tls_set(m, s.CaFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        why = std::string("MQTT settings: ") + mosquitto_strerror(rc);
        mosquitto_destroy(m);
        return nullptr;
    }
    return m;
}

} // namespace

MosquittoTransport::MosquittoTransport() = default;

MosquittoTransport::~MosquittoTransport() {
    Stop({}, 0);
}

bool MosquittoTransport::Start(const MqttSettings& settings, const BrokerAddress& broker,
                               const std::string& clientId, const std::string& willTopic,
                               const std::string& willPayload, std::string& why) {
    if (m_) return true;
    broker_ = broker;
    m_ = NewClient(settings, broker, clientId, this, why);
    if (!m_) return false;
    mosquitto_threaded_set(m_, true);
    mosquitto_reconnect_delay_set(m_, 1, 5, false);
    int rc = mosquitto_will_set_v5(m_, willTopic.c_str(), static_cast<int>(willPayload.size()),
                                   willPayload.data(), 1, true, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        why = std::string("MQTT last will: ") + mosquitto_strerror(rc);
        mosquitto_destroy(m_);
        m_ = nullptr;
        return false;
    }
    mosquitto_connect_v5_callback_set(
        m_, [](mosquitto* m, void* obj, int rc, int, const mosquitto_property*) {
            auto* self = static_cast<MosquittoTransport*>(obj);
            std::vector<std::string> topics;
            {
                std::lock_guard lock(self->mutex_);
                self->error_ = ConnackText(rc);
                topics = self->topics_;
            }
            if (rc != 0) return;
            for (const std::string& t : topics)
                mosquitto_subscribe_v5(m, nullptr, t.c_str(), 1, 0, nullptr);
            ++self->connections_;
            self->connected_ = true;
            self->changed_.notify_all();
        });
    mosquitto_disconnect_v5_callback_set(
        m_, [](mosquitto*, void* obj, int rc, const mosquitto_property*) {
            auto* self = static_cast<MosquittoTransport*>(obj);
            self->connected_ = false;
            std::lock_guard lock(self->mutex_);
            if (rc != 0) self->error_ = mosquitto_strerror(rc);
            self->changed_.notify_all();
        });
    mosquitto_publish_v5_callback_set(
        m_, [](mosquitto*, void* obj, int mid, int, const mosquitto_property*) {
            auto* self = static_cast<MosquittoTransport*>(obj);
            std::lock_guard lock(self->mutex_);
            self->acks_.push_back(mid);
            self->changed_.notify_all();
        });
    mosquitto_message_v5_callback_set(m_, [](mosquitto*, void* obj, const mosquitto_message* msg,
                                             const mosquitto_property* props) {
        auto* self = static_cast<MosquittoTransport*>(obj);
        MqttIncoming in;
        in.Topic = msg->topic ? msg->topic : "";
        if (msg->payload && msg->payloadlen > 0)
            in.Payload.assign(static_cast<const char*>(msg->payload),
                              static_cast<size_t>(msg->payloadlen));
        void* data = nullptr;
        uint16_t length = 0;
        if (mosquitto_property_read_binary(props, MQTT_PROP_CORRELATION_DATA, &data, &length,
                                           false)) {
            in.Correlation.assign(static_cast<const char*>(data), length);
            free(data);
        }
        std::lock_guard lock(self->mutex_);
        // Commands are few; a flood beyond this bound is dropped.
        if (self->messages_.size() < 1000) self->messages_.push_back(std::move(in));
    });
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void MosquittoTransport::Loop() {
    // Name resolution and connecting happen here, never on the caller's
    // thread; the loop reconnects by itself after a drop.
    bool first = true;
    while (!stopping_) {
        int rc = first ? mosquitto_connect_async(m_, broker_.Host.c_str(), broker_.Port, 30)
                       : mosquitto_reconnect_async(m_);
        if (rc == MOSQ_ERR_SUCCESS) {
            first = false;
            rc = mosquitto_loop_forever(m_, 200, 1);
        } else {
            std::lock_guard lock(mutex_);
            error_ = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
        }
        connected_ = false;
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_.load(); });
    }
}

int MosquittoTransport::Publish(const std::string& topic, std::string_view payload, bool retain,
                                std::string_view correlation) {
    if (!m_) return 0;
    mosquitto_property* props = nullptr;
    if (!correlation.empty())
        mosquitto_property_add_binary(
            &props, MQTT_PROP_CORRELATION_DATA, correlation.data(),
            static_cast<uint16_t>(std::min<size_t>(correlation.size(), 65535)));
    int mid = 0;
    int rc = mosquitto_publish_v5(m_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                  payload.data(), 1, retain, props);
    mosquitto_property_free_all(&props);
    return rc == MOSQ_ERR_SUCCESS ? mid : 0;
}

void MosquittoTransport::Subscribe(const std::string& topic) {
    {
        std::lock_guard lock(mutex_);
        topics_.push_back(topic);
    }
    if (m_ && connected_) mosquitto_subscribe_v5(m_, nullptr, topic.c_str(), 1, 0, nullptr);
}

std::vector<int> MosquittoTransport::TakeAcks() {
    std::lock_guard lock(mutex_);
    return std::exchange(acks_, {});
}

std::vector<MqttIncoming> MosquittoTransport::TakeMessages() {
    std::lock_guard lock(mutex_);
    return std::exchange(messages_, {});
}

std::string MosquittoTransport::LastError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void MosquittoTransport::Stop(const std::set<int>& mids, int ms) {
    if (!m_) return;
    if (ms > 0) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            size_t seen = 0;
            for (int mid : acks_)
                seen += mids.count(mid);
            return seen >= mids.size() || !connected_;
        });
    }
    stopping_ = true;
    mosquitto_disconnect_v5(m_, 0, nullptr);
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    mosquitto_destroy(m_);
    m_ = nullptr;
    connected_ = false;
}

std::string MosquittoTransport::TestConnection(const MqttSettings& settings,
                                               const std::string& clientId, int ms) {
    BrokerAddress broker;
    std::string why;
    if (!ParseBrokerUrl(settings.Url, broker, why)) return why;
    struct Answer {
        bool answered = false;
        int rc = 0;
    } answer;
    mosquitto* m = NewClient(settings, broker, clientId, &answer, why);
    if (!m) return why;
    mosquitto_connect_v5_callback_set(
        m, [](mosquitto*, void* obj, int rc, int, const mosquitto_property*) {
            auto* a = static_cast<Answer*>(obj);
            a->answered = true;
            a->rc = rc;
        });
    // Blocking: a refused or unknown host is told at once, without retries.
    int rc = mosquitto_connect(m, broker.Host.c_str(), broker.Port, 10);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (rc == MOSQ_ERR_SUCCESS && !answer.answered && std::chrono::steady_clock::now() < until)
        rc = mosquitto_loop(m, 100, 1);
    if (answer.answered)
        why = ConnackText(answer.rc);
    else if (rc != MOSQ_ERR_SUCCESS)
        why = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    else
        why = "no answer from " + settings.Url;
    mosquitto_disconnect(m);
    mosquitto_destroy(m);
    return why;
}

} // namespace pv
