// portivox dde: talk to DDE servers on the session bus from a shell, and a
// small stand-in server for trying out DDE commands.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "app/commands.h"
#include "platform/qt/dde_link.h"
#include "platform/qt/dde_topic.h"
#include "platform/qt/dde_wire.h"
#include "text/escape.h"

namespace pv::app {
namespace {

constexpr int kAccepted = 0, kRefused = 1, kNoServer = 2, kUsage = 3;

volatile std::sig_atomic_t g_stop = 0;
extern "C" void OnDdeStopSignal(int) {
    g_stop = 1;
}

const char* const kUsageText =
    "Usage: portivox dde execute SERVICE TOPIC COMMAND\n"
    "       portivox dde request SERVICE TOPIC ITEM\n"
    "       portivox dde poke SERVICE TOPIC ITEM VALUE\n"
    "       portivox dde watch SERVICE TOPIC [ITEM] [--count=N]\n"
    "       portivox dde list\n"
    "       portivox dde serve SERVICE TOPIC [--delay=MS]\n"
    "COMMAND and VALUE may hold \\xHH escapes; output shows bytes the same way.\n"
    "Exit status: 0 done/accepted, 1 refused (or no such item), 2 no such\n"
    "service or topic (or no session bus), 3 usage error.\n";

int Usage(const char* problem = nullptr) {
    if (problem) std::fprintf(stderr, "portivox dde: %s\n", problem);
    std::fputs(kUsageText, stderr);
    return kUsage;
}

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::optional<std::string> Unescaped(const std::string& text) {
    return UnescapeBytes(text);
}

/// Quits the event loop on SIGINT or SIGTERM.
void QuitOnSignals(QTimer& poll) {
    std::signal(SIGINT, OnDdeStopSignal);
    std::signal(SIGTERM, OnDdeStopSignal);
    QObject::connect(&poll, &QTimer::timeout, [] {
        if (g_stop) QCoreApplication::quit();
    });
    poll.start(50);
}

QDBusMessage Call(QDBusConnection& bus, const dde::Target& t, const char* method,
                  const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(t.BusName, t.Path, dde::kInterface, method);
    call.setArguments(args);
    return bus.call(call, QDBus::Block, dde::kCallTimeoutMs);
}

bool Find(QDBusConnection& bus, const std::string& service, const std::string& topic,
          dde::Target& t) {
    if (!bus.isConnected()) {
        std::fprintf(stderr, "portivox dde: no session bus\n");
        return false;
    }
    if (dde::ResolveTarget(bus, service, topic, t)) return true;
    std::fprintf(stderr, "portivox dde: no server %s|%s\n", service.c_str(), topic.c_str());
    return false;
}

int BoolReply(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "portivox dde: %s\n", reply.errorMessage().toLocal8Bit().constData());
        return kRefused;
    }
    return !reply.arguments().isEmpty() && reply.arguments().first().toBool() ? kAccepted
                                                                              : kRefused;
}

// A stand-in server: every execute is printed and accepted; items hold
// whatever was poked (or "" when never poked).
class PrintingTopic : public DdeTopicHandler {
  public:
    DdeBusServer* Server = nullptr;
    long DelayMs = 0; // a slow target, for trying out time-outs
    bool OnExecute(const std::string& command) override {
        PrintLine("execute " + EscapeBytes(command));
        if (DelayMs > 0) QThread::msleep(static_cast<unsigned long>(DelayMs));
        return true;
    }
    bool OnRequest(const std::string& item, std::string& value) override {
        auto it = items_.find(item);
        value = it == items_.end() ? std::string() : it->second;
        return true;
    }
    std::vector<std::string> OnItems() override {
        std::vector<std::string> names;
        for (const auto& [name, value] : items_)
            names.push_back(name);
        return names;
    }
    bool OnPoke(const std::string& item, const std::string& value) override {
        items_[item] = value;
        PrintLine("poke " + EscapeBytes(item) + " " + EscapeBytes(value));
        if (Server) Server->Announce(item, value);
        return true;
    }

  private:
    std::map<std::string, std::string> items_;
};

int Serve(QDBusConnection& bus, const std::string& service, const std::string& topic,
          long delayMs) {
    PrintingTopic topicHandler;
    topicHandler.DelayMs = delayMs;
    DdeBusServer server(topicHandler, bus);
    topicHandler.Server = &server;
    if (!server.Start(service, topic)) {
        std::fprintf(stderr, "portivox dde: cannot serve %s|%s on the session bus\n",
                     service.c_str(), topic.c_str());
        return kNoServer;
    }
    std::fprintf(stderr, "portivox dde: serving %s|%s as %s\n", service.c_str(), topic.c_str(),
                 server.BusName().toLatin1().constData());
    std::fflush(stderr);
    QTimer poll;
    QuitOnSignals(poll);
    QCoreApplication::exec();
    return kAccepted;
}

int Watch(QDBusConnection& bus, const dde::Target& t, const std::string& item, long count) {
    long left = count;
    int status = kAccepted;
    DbusTopicWatch watch(
        [&](const std::string& name, const std::string& value) {
            if (!item.empty()) {
                if (QString::fromLatin1(name.c_str())
                        .compare(QString::fromLatin1(item.c_str()), Qt::CaseInsensitive) != 0)
                    return;
                PrintLine(EscapeBytes(value));
            } else {
                PrintLine(EscapeBytes(name) + "\t" + EscapeBytes(value));
            }
            if (left > 0 && --left == 0) QCoreApplication::quit();
        },
        [&] {
            std::fprintf(stderr, "portivox dde: the server has gone\n");
            status = kNoServer;
            QCoreApplication::quit();
        },
        bus);
    if (!watch.Watch(t)) {
        std::fprintf(stderr, "portivox dde: cannot subscribe to the server's changes\n");
        return kNoServer;
    }
    std::fprintf(stderr, "portivox dde: watching\n");
    std::fflush(stderr);
    QTimer poll;
    QuitOnSignals(poll);
    QCoreApplication::exec();
    return status;
}

} // namespace

int DdeCommand(const Args& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        if (!args.empty()) {
            std::fputs(kUsageText, stdout);
            return 0;
        }
        return Usage();
    }
    const std::string& verb = args[0];
    std::vector<std::string> rest;
    long count = 0, delay = 0;
    for (size_t i = 1; i < args.size(); ++i) {
        if (verb == "watch" && args[i].rfind("--count=", 0) == 0) {
            char* end = nullptr;
            count = std::strtol(args[i].c_str() + 8, &end, 10);
            if (*end || count <= 0) return Usage("--count wants a positive number");
            continue;
        }
        if (verb == "serve" && args[i].rfind("--delay=", 0) == 0) {
            char* end = nullptr;
            delay = std::strtol(args[i].c_str() + 8, &end, 10);
            if (*end || delay < 0 || delay > 600000) return Usage("--delay wants milliseconds");
            continue;
        }
        rest.push_back(args[i]);
    }

    int argc = 1;
    char name[] = "portivox";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();

    if (verb == "list") {
        if (!rest.empty()) return Usage("list takes no arguments");
        if (!bus.isConnected()) {
            std::fprintf(stderr, "portivox dde: no session bus\n");
            return kNoServer;
        }
        for (const auto& [service, topic] : dde::ListServers(bus))
            PrintLine(service + " " + topic);
        return kAccepted;
    }
    if (verb == "serve") {
        if (rest.size() != 2) return Usage("serve wants SERVICE TOPIC");
        if (!bus.isConnected()) {
            std::fprintf(stderr, "portivox dde: no session bus\n");
            return kNoServer;
        }
        return Serve(bus, rest[0], rest[1], delay);
    }

    size_t wanted = verb == "execute" || verb == "request" ? 3 : verb == "poke" ? 4 : 0;
    if (verb == "watch") {
        if (rest.size() != 2 && rest.size() != 3) return Usage("watch wants SERVICE TOPIC [ITEM]");
    } else if (wanted == 0) {
        return Usage(("unknown dde command " + verb).c_str());
    } else if (rest.size() != wanted) {
        return Usage((verb + " wants " + std::to_string(wanted) + " arguments").c_str());
    }

    dde::Target target;
    if (!Find(bus, rest[0], rest[1], target)) return kNoServer;

    if (verb == "execute") {
        auto command = Unescaped(rest[2]);
        if (!command) return Usage("bad \\x escape in COMMAND");
        return BoolReply(Call(bus, target, "Execute", {dde::ToWire(*command)}));
    }
    if (verb == "poke") {
        auto value = Unescaped(rest[3]);
        if (!value) return Usage("bad \\x escape in VALUE");
        return BoolReply(Call(bus, target, "Poke", {dde::ToWire(rest[2]), dde::ToWire(*value)}));
    }
    if (verb == "request") {
        QDBusMessage reply = Call(bus, target, "Request", {dde::ToWire(rest[2])});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            std::fprintf(stderr, "portivox dde: %s\n",
                         reply.errorMessage().toLocal8Bit().constData());
            return kRefused;
        }
        PrintLine(EscapeBytes(dde::FromWire(reply.arguments().first().toString())));
        return kAccepted;
    }
    return Watch(bus, target, rest.size() == 3 ? rest[2] : std::string(), count);
}

} // namespace pv::app
