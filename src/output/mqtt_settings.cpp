#include "output/mqtt_settings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/file_io.h"
#include "text/paths.h"

namespace pv {

namespace {

std::string XdgFolder(const char* variable, const char* fallback) {
    const char* v = std::getenv(variable);
    return v && *v == '/' ? std::string(v) : ExpandHome(fallback);
}

bool Flag(SettingsStore& s, const char* key) {
    return s.Get(kMqttSection, key, "0") == "1";
}

} // namespace

bool ParseBrokerUrl(const std::string& url, BrokerAddress& out, std::string& why) {
    out = {};
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        out.Tls = true;
        out.Port = 8883;
        rest = url.substr(8);
    } else {
        why = "the broker URL must start with mqtt:// or mqtts://";
        return false;
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    std::string port;
    if (!rest.empty() && rest[0] == '[') {
        size_t close = rest.find(']');
        if (close == std::string::npos) {
            why = "the broker URL has an unclosed '['";
            return false;
        }
        out.Host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') {
                why = "the broker URL has text after ']'";
                return false;
            }
            port = rest.substr(close + 2);
        }
    } else {
        size_t colon = rest.find(':');
        out.Host = rest.substr(0, colon);
        if (colon != std::string::npos) port = rest.substr(colon + 1);
    }
    if (out.Host.empty() || out.Host.find_first_of("/@ ") != std::string::npos) {
        why = "the broker URL names no host";
        return false;
    }
    if (!port.empty() || rest.find(':') != std::string::npos) {
        char* end = nullptr;
        long p = std::strtol(port.c_str(), &end, 10);
        if (port.empty() || *end || p < 1 || p > 65535) {
            why = "the broker port must be a number from 1 to 65535";
            return false;
        }
        out.Port = static_cast<int>(p);
    }
    return true;
}

MqttSettings LoadMqttSettings(SettingsStore& s) {
    MqttSettings m;
    m.Enabled = Flag(s, "Enabled");
    m.Url = s.Get(kMqttSection, "Url", m.Url);
    m.CaFile = s.Get(kMqttSection, "CaFile");
    m.User = s.Get(kMqttSection, "User");
    m.ClientId = s.Get(kMqttSection, "ClientId");
    m.TopicPrefix = s.Get(kMqttSection, "TopicPrefix");
    m.Commands = Flag(s, "Commands");
    m.CommandsWithoutTls = Flag(s, "CommandsWithoutTls");
    long limit = std::strtol(s.Get(kMqttSection, "QueueLimit", "100000").c_str(), nullptr, 10);
    m.QueueLimit = limit > 0 ? static_cast<size_t>(limit) : 100000;
    return m;
}

void SaveMqttSettings(SettingsStore& s, const MqttSettings& m) {
    s.Set(kMqttSection, "Enabled", m.Enabled ? "1" : "0");
    s.Set(kMqttSection, "Url", m.Url);
    s.Set(kMqttSection, "CaFile", m.CaFile);
    s.Set(kMqttSection, "User", m.User);
    s.Set(kMqttSection, "ClientId", m.ClientId);
    s.Set(kMqttSection, "TopicPrefix", m.TopicPrefix);
    s.Set(kMqttSection, "Commands", m.Commands ? "1" : "0");
    s.Set(kMqttSection, "CommandsWithoutTls", m.CommandsWithoutTls ? "1" : "0");
    s.Set(kMqttSection, "QueueLimit", std::to_string(m.QueueLimit));
}

std::string TopicLevel(const std::string& text) {
    std::string out = text.empty() ? "_" : text;
    for (char& c : out)
        if (c == '/' || c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20) c = '_';
    return out;
}

std::string DefaultTopicPrefix(const std::string& host, const std::string& ddeTopic) {
    return "portivox/" + TopicLevel(host) + "/" + TopicLevel(ddeTopic);
}

std::string DefaultClientId(const std::string& host, const std::string& ddeTopic) {
    return "portivox-" + TopicLevel(host) + "-" + TopicLevel(ddeTopic);
}

std::string QueueFolder() {
    return XdgFolder("XDG_STATE_HOME", "~/.local/state") + "/portivox/mqtt";
}

std::string QueuePathFor(const std::string& clientId) {
    std::string name = clientId;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') c = '_';
    if (name.empty() || name[0] == '.') name.insert(0, "_");
    return QueueFolder() + "/" + name + ".queue";
}

std::string PasswordFile() {
    return XdgFolder("XDG_CONFIG_HOME", "~/.config") + "/Portivox/mqtt-password";
}

bool ReadPasswordFile(std::string& password) {
    std::string why;
    if (ReadRegularFile(PasswordFile(), password, why, 4096) != ReadResult::Read) return false;
    while (!password.empty() && (password.back() == '\n' || password.back() == '\r'))
        password.pop_back();
    return true;
}

bool WritePasswordFile(const std::string& password, std::string& why) {
    std::string path = PasswordFile();
    if (password.empty()) {
        if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
        why = path + ": " + std::strerror(errno);
        return false;
    }
    ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
    // Created 0600 first, so the replacement keeps the mode and no other
    // user ever reads it.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
    return ReplaceFile(path, password + "\n", why);
}

} // namespace pv
