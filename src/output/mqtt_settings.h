#pragma once
// Where records are published: the machine's settings, section "Mqtt" of
// the per-user store (never the configuration file).
//
//   Enabled=1  Url=mqtts://broker.lab:8883  CaFile=/etc/ssl/lab-ca.pem
//   User=scale7  ClientId=...  TopicPrefix=...  Commands=1
//   CommandsWithoutTls=0  QueueLimit=100000
//
// The password is not among them: it lives in the desktop's secret store,
// or in a file only the user can read (PasswordFile()).
#include <cstddef>
#include <string>

#include "config/settings_store.h"

namespace pv {

inline constexpr const char* kMqttSection = "Mqtt";

struct MqttSettings {
    bool Enabled = false;
    std::string Url = "mqtt://localhost:1883";
    std::string CaFile;
    std::string User;
    std::string Password;
    std::string ClientId;    // "" = DefaultClientId
    std::string TopicPrefix; // "" = DefaultTopicPrefix
    bool Commands = false;
    bool CommandsWithoutTls = false;
    size_t QueueLimit = 100000;
};

struct BrokerAddress {
    bool Tls = false;
    std::string Host;
    int Port = 1883;
};

/// "mqtt://host[:port]" or "mqtts://host[:port]" (ports 1883 and 8883 by
/// default); "[v6addr]" is allowed. False with `why` otherwise.
bool ParseBrokerUrl(const std::string& url, BrokerAddress& out, std::string& why);

MqttSettings LoadMqttSettings(SettingsStore& store);
/// Everything except the password.
void SaveMqttSettings(SettingsStore& store, const MqttSettings& settings);

/// A topic level made of `text`: the characters MQTT gives a meaning to
/// ('/', '+', '#') and control characters become '_'.
std::string TopicLevel(const std::string& text);
/// "portivox/<host>/<DDE topic>".
std::string DefaultTopicPrefix(const std::string& host, const std::string& ddeTopic);
/// "portivox-<host>-<DDE topic>".
std::string DefaultClientId(const std::string& host, const std::string& ddeTopic);

/// $XDG_STATE_HOME/portivox/mqtt (else ~/.local/state/portivox/mqtt).
std::string QueueFolder();
/// The queue of one client id, in QueueFolder().
std::string QueuePathFor(const std::string& clientId);

/// $XDG_CONFIG_HOME/Portivox/mqtt-password (else ~/.config/...), mode 0600.
std::string PasswordFile();
bool ReadPasswordFile(std::string& password);
/// Writes the file with mode 0600 ("" removes it).
bool WritePasswordFile(const std::string& password, std::string& why);

} // namespace pv
