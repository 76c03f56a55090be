// The simulated instrument, driven through the real port layer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/posix/serial_driver.h"
#include "platform/posix/ticks.h"
#include "serial/port.h"
#include "serial/recording_driver.h"
#include "text/escape.h"

#ifdef PV_SIM_PATH
#include "records.h"
#endif

extern char** environ;

namespace pv {
namespace {

#ifdef PV_SIM_PATH

/// Runs portivox-sim with `args`; the first line of its stdout is the device.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        args.insert(args.begin(), PV_SIM_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, PV_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        FILE* f = ::fdopen(out[0], "r");
        char line[256] = {};
        if (f && std::fgets(line, sizeof line, f))
            device = std::string(line, std::strcspn(line, "\n"));
        if (f) std::fclose(f);
    }
    ~SimProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    /// Waits up to `ms` for the simulator to end by itself.
    bool Exited(int ms) {
        for (int i = 0; i < ms / 10; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    std::string device;

  private:
    pid_t pid_ = -1;
};

/// `shape` spells the record: '#' a digit, '~' a sign, '@' a capital letter,
/// anything else itself.
bool HasShape(const std::string& record, const std::string& shape) {
    if (record.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        char r = record[i];
        bool ok = shape[i] == '#'   ? (r >= '0' && r <= '9')
                  : shape[i] == '~' ? (r == '+' || r == '-')
                  : shape[i] == '@' ? (r >= 'A' && r <= 'Z')
                                    : r == shape[i];
        if (!ok) return false;
    }
    return true;
}

std::vector<std::string> ReadRecords(SerialPort& port, size_t count, char end) {
    std::vector<std::string> records;
    std::string current;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (records.size() < count && std::chrono::steady_clock::now() < until) {
        if (port.ReadPortByte() != 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        current += static_cast<char>(port.InByte);
        if (port.InByte == static_cast<unsigned char>(end)) {
            records.push_back(current);
            current.clear();
        }
    }
    return records;
}

struct SimCase {
    const char* profile;
    const char* shape; // one whole record, see HasShape
    char end;
};

class Simulator : public ::testing::TestWithParam<SimCase> {};

TEST_P(Simulator, SendsRecordsOfItsProfileThroughTheDriver) {
    const SimCase& c = GetParam();
    SimProcess sim({"--profile", c.profile, "--interval", "20", "--count", "3"});
    ASSERT_FALSE(sim.device.empty());

    Config config;
    PosixSerialDriver driver;
    MonotonicTicks ticks;
    test::RecordingMessages messages;
    SerialPort port(config, &driver, ticks, messages);
    port.DeviceOverride = sim.device;
    ASSERT_TRUE(port.OpenPort());

    auto records = ReadRecords(port, 3, c.end);
    ASSERT_EQ(records.size(), 3u);
    for (const auto& r : records)
        EXPECT_TRUE(HasShape(r, c.shape)) << EscapeBytes(r);

    port.ClosePort();
    EXPECT_TRUE(sim.Exited(3000)) << "the simulator ends once its records are read";
}

INSTANTIATE_TEST_SUITE_P(Profiles, Simulator,
                         ::testing::Values(SimCase{"balance", "@@,GS,~####.### g\r\n", '\n'},
                                           SimCase{"scanner", "40###########\r", '\r'},
                                           SimCase{"meter", "M0#  ####.##V\r\n", '\n'}),
                         [](const auto& info) { return std::string(info.param.profile); });

TEST(Simulator, AnswersAPrintCommandAndEchoesNothingBack) {
    SimProcess sim({"--interval", "0"});
    ASSERT_FALSE(sim.device.empty());
    Config config;
    PosixSerialDriver driver;
    MonotonicTicks ticks;
    test::RecordingMessages messages;
    SerialPort port(config, &driver, ticks, messages);
    port.DeviceOverride = sim.device;
    ASSERT_TRUE(port.OpenPort());

    port.PendingOutput = "P\r\n";
    port.TransmitPending();
    auto records = ReadRecords(port, 1, '\n');
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].substr(2, 4), ",GS,");
}

TEST(SimRecords, ScannerCodesCarryAValidCheckDigit) {
    EXPECT_EQ(sim::Ean13CheckDigit("400638133393"), '1');
    EXPECT_EQ(sim::Ean13CheckDigit("590123412345"), '7');
    sim::RecordSource source(sim::Profile::Scanner, 7);
    for (int i = 0; i < 20; ++i) {
        std::string code = source.Next();
        EXPECT_EQ(code[12], sim::Ean13CheckDigit(code.substr(0, 12))) << code;
    }
}

TEST(SimRecords, MeterRecordsAreFixedLength) {
    sim::RecordSource source(sim::Profile::Meter, 3);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(source.Next().size(), 15u);
}

#endif

} // namespace
} // namespace pv
