// portivox mqtt: the broker settings of this machine, whether the broker
// takes a connection, and the records waiting in the queues.
#include <QCoreApplication>

#include <cstdio>
#include <dirent.h>
#include <iostream>
#include <string>

#include "app/commands.h"
#include "output/record_queue.h"
#include "platform/qt/mqtt_run.h"
#include "platform/qt/secret_store.h"
#include "platform/qt/settings_store.h"

namespace pv::app {

namespace {

const char kMqttUsage[] =
    "usage: portivox mqtt status [--timeout MS]   settings, broker connection, queued records\n"
    "       portivox mqtt set KEY=VALUE...        change the Mqtt settings (Enabled, Url,\n"
    "                                             CaFile, User, ClientId, TopicPrefix, Commands,\n"
    "                                             CommandsWithoutTls, QueueLimit)\n"
    "       portivox mqtt password                read the broker password from stdin\n"
    "exit codes: 0 done (status: the broker accepted a connection), 1 the broker refused or\n"
    "was not reached, or a queue or setting could not be read or saved, 2 usage,\n"
    "3 (status) publishing is not enabled\n";

int Status(const Args& args) {
    int timeout = 5000;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--timeout" && i + 1 < args.size()) {
            timeout = std::atoi(args[++i].c_str());
        } else {
            std::fputs(kMqttUsage, stderr);
            return 2;
        }
    }
    QtSettingsStore store;
    MqttSettings s = LoadMqttSettingsWithPassword(store);
    BrokerAddress broker;
    std::string why;
    bool urlOk = ParseBrokerUrl(s.Url, broker, why);
    std::printf("publishing:   %s\n", s.Enabled ? "enabled" : "not enabled");
    std::printf("broker:       %s (%s)\n", s.Url.c_str(),
                !urlOk       ? why.c_str()
                : broker.Tls ? "TLS"
                             : "plain, not encrypted");
    std::printf("user:         %s%s\n", s.User.empty() ? "(none)" : s.User.c_str(),
                s.Password.empty() ? "" : ", password set");
    std::printf("client id:    %s\n",
                s.ClientId.empty() ? "portivox-<host>-<DDE topic>" : s.ClientId.c_str());
    std::printf("topic prefix: %s\n",
                s.TopicPrefix.empty() ? "portivox/<host>/<DDE topic>" : s.TopicPrefix.c_str());
    std::printf("commands:     %s\n", !s.Commands            ? "off"
                                      : s.CommandsWithoutTls ? "on, also without TLS"
                                                             : "on over TLS only");
    int rc = 0;
    std::string folder = QueueFolder();
    std::printf("queues:       %s\n", folder.c_str());
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name.size() < 7 || name.compare(name.size() - 6, 6, ".queue") != 0) continue;
            size_t count = 0;
            bool inUse = false;
            if (!RecordQueue::Count(folder + "/" + name, count, inUse, why)) {
                std::printf("  %s: %s\n", name.c_str(), why.c_str());
                rc = 1;
                continue;
            }
            std::printf("  %s: %zu record(s) waiting%s\n", name.c_str(), count,
                        inUse ? ", in use by a running Portivox" : "");
        }
        ::closedir(dir);
    }
    if (!s.Enabled) return 3;
    if (!urlOk) return 1;
    std::string failure = TestMqttConnection(s, timeout);
    std::printf("connection:   %s\n", failure.empty() ? "accepted" : failure.c_str());
    return failure.empty() ? rc : 1;
}

int Set(const Args& args) {
    QtSettingsStore store;
    static const char* const kKeys[] = {
        "Enabled",   "Url",         "CaFile",   "User",
        "ClientId",  "TopicPrefix", "Commands", "CommandsWithoutTls",
        "QueueLimit"};
    for (size_t i = 1; i < args.size(); ++i) {
        size_t eq = args[i].find('=');
        std::string key = args[i].substr(0, eq);
        bool known = false;
        for (const char* k : kKeys)
            known = known || key == k;
        if (eq == std::string::npos || !known) {
            std::fprintf(stderr, "portivox mqtt: not a KEY=VALUE of the Mqtt settings: %s\n",
                         args[i].c_str());
            return 2;
        }
        std::string value = args[i].substr(eq + 1);
        BrokerAddress broker;
        std::string why;
        if (key == "Url" && !ParseBrokerUrl(value, broker, why)) {
            std::fprintf(stderr, "portivox mqtt: %s\n", why.c_str());
            return 2;
        }
        store.Set(kMqttSection, key, value);
    }
    if (args.size() < 2) {
        std::fputs(kMqttUsage, stderr);
        return 2;
    }
    if (!store.Saved()) {
        std::fprintf(stderr, "portivox mqtt: nothing saved to %s\n", store.FileName().c_str());
        return 1;
    }
    return 0;
}

int Password() {
    std::string password;
    std::getline(std::cin, password);
    std::string where, why;
    if (!StoreMqttPassword(password, where, why)) {
        std::fprintf(stderr, "portivox mqtt: the password was not saved: %s\n", why.c_str());
        return 1;
    }
    std::printf("password %s in %s\n", password.empty() ? "removed" : "saved", where.c_str());
    return 0;
}

} // namespace

int MqttCommand(const Args& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kMqttUsage, stdout);
        return 0;
    }
    // The secret store is reached over D-Bus, which wants an application.
    int argc = 1;
    char name[] = "portivox";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    if (!args.empty() && args[0] == "status") return Status(args);
    if (!args.empty() && args[0] == "set") return Set(args);
    if (args.size() == 1 && args[0] == "password") return Password();
    std::fputs(kMqttUsage, stderr);
    return 2;
}

} // namespace pv::app
