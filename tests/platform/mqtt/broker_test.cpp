// portivox run against a real broker on a free port: records, a broker that
// goes away mid-run, a restart with records queued, commands back.
#include <gtest/gtest.h>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <regex>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fakes/files.h"
#include "fakes/wait.h"

namespace {

namespace fs = std::filesystem;
using pv::testing::WaitUntil;

using pv::testing::Slurp;

// Port 0 binds a free port and gives its number; any other tells whether it
// accepts connections.
int Loopback(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof a;
    auto* sa = reinterpret_cast<sockaddr*>(&a);
    int got = port ? ::connect(fd, sa, len) == 0
                   : (::bind(fd, sa, len), ::getsockname(fd, sa, &len), ntohs(a.sin_port));
    ::close(fd);
    return got;
}

pid_t Spawn(const std::string& command, int stdinFd = -1) {
    pid_t pid = fork();
    if (pid == 0) {
        if (stdinFd >= 0) ::dup2(stdinFd, STDIN_FILENO);
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Ends the process, by SIGTERM only after `ms` of waiting for it to exit.
int Reap(pid_t pid, int ms) {
    int status = 0;
    if (!WaitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, ms)) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A broker that keeps sessions over its restarts.
struct Broker {
    fs::path dir;
    int port = Loopback(0);
    pid_t pid = -1;
    void Start() {
        // Run as root, the broker would switch to its own user and could not
        // save the sessions in our folder.
        std::ofstream(dir / "m.conf")
            << "listener " << port << " 127.0.0.1\nallow_anonymous true\n"
            << "persistence true\npersistence_location " << dir.string() << "/\n"
            << "user " << getpwuid(getuid())->pw_name << "\n";
        pid =
            Spawn(std::string(MOSQUITTO_BIN) + " -c " + (dir / "m.conf").string() + " 2>/dev/null");
        ASSERT_TRUE(WaitUntil([&] { return Loopback(port); }));
    }
    void Stop() {
        if (pid > 0) ::kill(pid, SIGTERM), Reap(pid, 5000);
        pid = -1;
    }
};

struct Message {
    std::string topic, payload, correlation;
};

// A subscriber whose session outlives broker restarts (QoS 1, expiry 1 h).
struct Subscriber {
    Subscriber(int port, const std::string& topic) : topic_(topic) {
        mosquitto_lib_init();
        m_ = mosquitto_new("pv-test-subscriber", false, this);
        mosquitto_int_option(m_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
        mosquitto_connect_v5_callback_set(
            m_, [](mosquitto* m, void* self, int, int, const mosquitto_property*) {
                auto* s = static_cast<Subscriber*>(self);
                mosquitto_subscribe_v5(m, nullptr, s->topic_.c_str(), 1, 0, nullptr);
            });
        mosquitto_subscribe_v5_callback_set(
            m_, [](mosquitto*, void* self, int, int, const int*, const mosquitto_property*) {
                ++static_cast<Subscriber*>(self)->subscribed_;
            });
        mosquitto_message_v5_callback_set(m_, [](mosquitto*, void* self,
                                                 const mosquitto_message* msg,
                                                 const mosquitto_property* props) {
            auto* s = static_cast<Subscriber*>(self);
            Message in{
                msg->topic, std::string(static_cast<char*>(msg->payload), msg->payloadlen), {}};
            void* data = nullptr;
            uint16_t len = 0;
            if (mosquitto_property_read_binary(props, MQTT_PROP_CORRELATION_DATA, &data, &len,
                                               false)) {
                in.correlation.assign(static_cast<char*>(data), len);
                free(data);
            }
            std::lock_guard lock(s->mutex_);
            s->messages_.push_back(in);
        });
        mosquitto_property* props = nullptr;
        mosquitto_property_add_int32(&props, MQTT_PROP_SESSION_EXPIRY_INTERVAL, 3600);
        mosquitto_connect_bind_v5(m_, "127.0.0.1", port, 30, nullptr, props);
        mosquitto_property_free_all(&props);
        mosquitto_loop_start(m_);
        EXPECT_TRUE(WaitUntil([&] { return subscribed_ > 0; }));
    }
    ~Subscriber() {
        mosquitto_disconnect(m_);
        mosquitto_loop_stop(m_, false);
        mosquitto_destroy(m_);
    }
    void Publish(const std::string& topic, const std::string& payload, const std::string& corr) {
        mosquitto_property* props = nullptr;
        mosquitto_property_add_binary(&props, MQTT_PROP_CORRELATION_DATA, corr.data(),
                                      static_cast<uint16_t>(corr.size()));
        mosquitto_publish_v5(m_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), 1, false, props);
        mosquitto_property_free_all(&props);
    }
    std::vector<Message> On(const std::string& topic) {
        std::lock_guard lock(mutex_);
        std::vector<Message> out;
        for (const auto& m : messages_)
            if (m.topic == topic) out.push_back(m);
        return out;
    }
    mosquitto* m_;
    std::string topic_;
    std::atomic<int> subscribed_{0};
    std::mutex mutex_;
    std::vector<Message> messages_;
};

// Record numbers of the payloads, in arrival order.
std::vector<int> Numbers(const std::vector<Message>& records) {
    std::vector<int> out;
    for (const auto& r : records)
        out.push_back(std::stoi(r.payload.substr(std::strlen("{\"record\":"))));
    return out;
}

class BrokerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::access(MOSQUITTO_BIN, X_OK) != 0)
            GTEST_SKIP() << MOSQUITTO_BIN << " is missing: install the Debian package mosquitto";
        dir = fs::temp_directory_path() / ("pvmqtt-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "xdg" / "Portivox");
        broker.dir = dir;
        setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
        setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
        config = (dir / "t.PV3").string();
        ASSERT_EQ(std::system((std::string(PORTIVOX_BIN) + " config set " + config +
                               " OutputMode=2 LogFileName=" + (dir / "t.log").string() +
                               " RecordStructure=1 FieldCount=2 FieldDelimiter=, >/dev/null")
                                  .c_str()),
                  0);
        Settings("");
    }
    void TearDown() override {
        broker.Stop();
        fs::remove_all(dir);
    }
    void Settings(const std::string& extra) {
        std::ofstream(dir / "xdg" / "Portivox" / "Portivox.ini")
            << "[Mqtt]\nEnabled=1\nUrl=mqtt://127.0.0.1:" << broker.port << "\nTopicPrefix=lab/s1\n"
            << extra;
    }
    // A headless run on the virtual device; its input is written to `feed`.
    pid_t Run(int& feed) {
        int p[2];
        EXPECT_EQ(::pipe2(p, O_CLOEXEC), 0);
        pid_t pid = Spawn(std::string(PORTIVOX_BIN) + " run " + config +
                              " --virtual --exit-after-idle=4 >>" + (dir / "out").string() +
                              " 2>>" + (dir / "err").string(),
                          p[0]);
        ::close(p[0]);
        feed = p[1];
        return pid;
    }
    void Feed(int fd, int from, int to) {
        std::string text;
        for (int i = from; i <= to; ++i)
            text += std::to_string(i) + ",g\r";
        ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    size_t Printed() { return static_cast<size_t>(std::ranges::count(Slurp(dir / "out"), '\n')); }
    fs::path dir;
    Broker broker;
    std::string config;
};

// QoS 1 is "at least once": a record whose acknowledgement was lost with
// the broker comes again. Each arrives, and the first arrivals keep order.
TEST_F(BrokerTest, NothingIsLostWhileTheBrokerIsAwayOrTheProgramRestarts) {
    for (bool restartProgram : {false, true}) {
        SCOPED_TRACE(restartProgram ? "program_restarted" : "broker_stopped_mid_run");
        fs::remove_all(dir / "state");
        fs::remove(dir / "out");
        broker.Start();
        auto sub = std::make_unique<Subscriber>(broker.port, "lab/s1/record");
        int feed = -1;
        pid_t pid = Run(feed);
        Feed(feed, 1, 20);
        ASSERT_TRUE(WaitUntil([&] { return sub->On("lab/s1/record").size() >= 20; }, 20000));
        broker.Stop();
        Feed(feed, 21, 60);
        ASSERT_TRUE(WaitUntil([&] { return Printed() >= 60; }, 20000));
        if (restartProgram) {
            ::close(feed);
            EXPECT_EQ(Reap(pid, 20000), 0);
            std::string status = (std::string(PORTIVOX_BIN) + " mqtt status --timeout 500 >" +
                                  (dir / "status").string());
            EXPECT_EQ(std::system(status.c_str()) >> 8, 1) << "broker down: exit code 1";
            EXPECT_NE(Slurp(dir / "status").find("40 record(s) waiting"), std::string::npos);
            int before = sub->subscribed_;
            broker.Start();
            ASSERT_TRUE(WaitUntil([&] { return sub->subscribed_ > before; }));
            pid = Run(feed);
        } else {
            broker.Start();
        }
        ASSERT_TRUE(WaitUntil(
            [&] {
                auto n = Numbers(sub->On("lab/s1/record"));
                return std::set<int>(n.begin(), n.end()).size() == 60;
            },
            30000))
            << Slurp(dir / "err") << ::testing::PrintToString(Numbers(sub->On("lab/s1/record")));
        ::close(feed);
        EXPECT_EQ(Reap(pid, 20000), 0);
        std::vector<int> first;
        for (int n : Numbers(sub->On("lab/s1/record")))
            if (std::find(first.begin(), first.end(), n) == first.end()) first.push_back(n);
        EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
        sub.reset();
        broker.Stop();
    }
}

// Each run also sends two records, whose payloads must arrive whole.
TEST_F(BrokerTest, RecordsAndCommandResultsArriveWithTheirPayload) {
    struct Row {
        const char *name, *settings, *result;
        bool sent;
    };
    const Row rows[] = {
        {"plain_connection_allowed_explicitly", "Commands=1\nCommandsWithoutTls=1\n",
         R"({"command":"{SENDOUT('AB',13)}","result":"accepted"})", true},
        {"plain_connection_refused", "Commands=1\n",
         R"x({"command":"{SENDOUT('AB',13)}","result":"refused","reason":"commands need a TLS connection (mqtts://)"})x",
         false},
    };
    broker.Start();
    Subscriber sub(broker.port, "lab/s1/#");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Settings(row.settings);
        fs::remove(dir / "out");
        int feed = -1;
        pid_t pid = Run(feed);
        size_t before = sub.On("lab/s1/command/result").size();
        ASSERT_TRUE(WaitUntil([&] {
            auto s = sub.On("lab/s1/state");
            return !s.empty() && s.back().payload == "running";
        }));
        sub.Publish("lab/s1/command", "{SENDOUT('AB',13)}", row.name);
        ASSERT_TRUE(WaitUntil([&] { return sub.On("lab/s1/command/result").size() > before; }));
        Message result = sub.On("lab/s1/command/result").back();
        EXPECT_EQ(result.payload, row.result);
        EXPECT_EQ(result.correlation, row.name);
        if (row.sent) {
            EXPECT_TRUE(
                WaitUntil([&] { return Slurp(dir / "out").find(">> AB") != std::string::npos; }));
        }
        std::string records = "12.5,\xC2\xB5g\r\xFF\xFE,x\r";
        ASSERT_EQ(::write(feed, records.data(), records.size()), 14);
        ::close(feed);
        EXPECT_EQ(Reap(pid, 20000), 0);
        EXPECT_EQ(Slurp(dir / "out").find(">> AB") != std::string::npos, row.sent);
        // "offline" comes last on the program's connection, after its records.
        EXPECT_TRUE(WaitUntil([&] { return sub.On("lab/s1/state").back().payload == "offline"; }));
        auto got = sub.On("lab/s1/record");
        ASSERT_GE(got.size(), 2u);
        std::regex time(R"("time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d")");
        const std::string head = "\"device\":\"virtual\",\"config\":\"" + config + "\",";
        EXPECT_EQ(std::regex_replace(got[got.size() - 2].payload, time, "T"),
                  "{\"record\":1,T," + head + "\"fields\":[\"12.5\",\"\xC2\xB5g\\r\"]}");
        EXPECT_EQ(std::regex_replace(got.back().payload, time, "T"),
                  "{\"record\":2,T," + head +
                      "\"fields\":[\"\xC3\xBF\xC3\xBE\",\"x\\r\"],\"raw\":{\"1\":\"//4=\"}}");
        sub.Publish("lab/s1/state", "", ""); // the next run's "running" is its own
    }
}

} // namespace
