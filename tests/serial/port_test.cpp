// The port layer against a recording driver and the virtual device: open,
// run-time line changes, queued output, line signals and their countdowns.
#include "serial/port.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

#include "fakes/files.h"
#include "fakes/run_fakes.h"
#include "serial/virtual_driver.h"

namespace pv::testing {
namespace {

using Strings = std::vector<std::string>;

struct PortFixture {
    RecordingDriver driver;
    FakeClock clock;
    RecordingMessages messages;
    SerialPort port{driver, clock, messages};
    void Open() {
        ASSERT_TRUE(port.OpenPort({"COM1", "/dev/ttyS0", {}, 4096, 1024}));
        driver.Log.clear();
    }
};

TEST(PortOpen, ConfiguresTheDriverInOrderOrReportsTheFailingStep) {
    struct Row {
        const char* name;
        void (*fail)(RecordingDriver&);
        const char* log;     // the driver's calls after Open, without "Open(/dev/ttyUSB0)"
        std::string message; // "" when opened
    };
    using D = RecordingDriver&;
    // clang-format off
    const Row rows[] = {
        {"Opened", [](D) {}, "SetQueueSizes(8192,512) SetTimeouts() GetState() SetState(14400,7,3,2,3)", ""},
        {"DeviceMissing", [](D d) { d.FailOpen = true; }, "", "COM3 Device Not Available."},
        {"TimeoutsRefused", [](D d) { d.FailTimeouts = true; }, "SetQueueSizes(8192,512) SetTimeouts() Close()",
         "SetComTimeouts failed"},
        {"StateUnreadable", [](D d) { d.FailGetState = true; }, "SetQueueSizes(8192,512) SetTimeouts() GetState() Close()",
         "GetComState failed"},
        {"StateRefused", [](D d) { d.FailSetState = true; },
         "SetQueueSizes(8192,512) SetTimeouts() GetState() SetState(14400,7,3,2,3) Close()", "SetComState failed"},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PortFixture f;
        r.fail(f.driver);
        bool opened = f.port.OpenPort({"COM3", "/dev/ttyUSB0", {14400, 7, 3, 2, 3}, 8192, 512});
        EXPECT_EQ(opened, r.message.empty());
        EXPECT_EQ(Join(f.driver.Log),
                  "Open(/dev/ttyUSB0)" + std::string(*r.log ? " " : "") + r.log);
        ASSERT_EQ(f.messages.shown.size(), r.message.empty() ? 0u : 1u);
        if (!r.message.empty()) {
            EXPECT_EQ(f.messages.shown[0].text, r.message);
        }
    }
}

TEST(PortOpen, SettingsOfAConfigurationMapTheComNumberAndTheBaudIndex) {
    struct Row {
        const char* name;
        int16_t commPort, baudRate;
        const char *mapped, *override_, *device;
        int32_t baud;
    };
    const Row rows[] = {
        {"Com9ByPlainNumber", 8, 6, "", "", "/dev/ttyS8", 9600},
        {"StoreMapsTheComNumber", 9, 11, "/dev/ttyUSB0", "", "/dev/ttyUSB0", 115200},
        {"OverrideWins", 0, 0, "/dev/ttyUSB0", "/dev/pts/7", "/dev/pts/7", 110},
        {"IndexOutsideTheTableIs9600", 0, 12, "", "", "/dev/ttyS0", 9600},
        {"Index10Is57600", 0, 10, "", "", "/dev/ttyS0", 57600},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Config c;
        MemorySettingsStore store;
        c.CommPort = r.commPort;
        c.BaudRate = r.baudRate;
        if (*r.mapped) store.Set("Ports", PortNameOf(r.commPort), r.mapped);
        PortSettings s = PortSettingsOf(c, &store, r.override_);
        EXPECT_EQ(s.Device, r.device);
        EXPECT_EQ(s.Line.Baud, r.baud);
        EXPECT_EQ(s.Name, PortNameOf(r.commPort));
    }
    EXPECT_EQ(DevicePathFor(3, nullptr), "/dev/ttyS3");
}

TEST(PortOpen, OnlyTheOfferedComNamesAreTaken) {
    const std::pair<const char*, int> rows[] = {
        {"COM1", 0},    {"com12", 11}, {"COM99", 98}, {"COM0", -1},  {"COM01", -1},
        {"COM100", -1}, {"LPT1", -1},  {"COM", -1},   {"COM1x", -1}, {"XOM1", -1}};
    for (auto [name, port] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(CommPortFromName(name), port);
    }
}

TEST(PortLine, ChangesAreTakenOnlyWhenTheDriverTakesThem) {
    struct Row {
        const char* name;
        LineParameter parameter;
        int32_t value;
        void (*fail)(RecordingDriver&);
        const char* state; // "" when nothing may be set
        bool taken;
    };
    auto none = [](RecordingDriver&) {};
    const Row rows[] = {
        {"Baud", LineParameter::Baud, 128000, none, "128000,7,2,0,0", true},
        {"ParityLowByte", LineParameter::Parity, 0x104, none, "9600,7,4,0,0", true},
        {"DataBits", LineParameter::DataBits, 8, none, "9600,8,2,0,0", true},
        {"StopBitsLowByte", LineParameter::StopBits, 0x102, none, "9600,7,2,2,0", true},
        {"Refused", LineParameter::Baud, 300, [](RecordingDriver& d) { d.FailSetState = true; },
         "300,7,2,0,0", false},
        {"Unreadable", LineParameter::Baud, 300, [](RecordingDriver& d) { d.FailGetState = true; },
         "", false},
        {"NotOpen", LineParameter::Baud, 300, [](RecordingDriver& d) { d.Opened = false; }, "",
         false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PortFixture f;
        f.Open();
        f.driver.State = LineSettings{9600, 7, 2, 0, 0};
        r.fail(f.driver);
        EXPECT_EQ(f.port.ChangeLine(r.parameter, r.value), r.taken);
        bool set = std::count(f.driver.Log.begin(), f.driver.Log.end(),
                              std::string("SetState(") + r.state + ")") == 1;
        EXPECT_EQ(set, *r.state != 0);
        EXPECT_TRUE(f.messages.shown.empty());
    }
}

TEST(PortOutput, ShortWritesKeepTheExactTailAheadOfLaterOutput) {
    PortFixture f;
    f.Open();
    f.driver.AcceptPerWrite = 2;
    f.port.Queue(std::string("AB\0D", 4));
    f.port.TransmitPending();
    f.port.Queue("E");
    EXPECT_EQ(f.port.PendingOutput(), std::string("\0DE", 3));
    f.port.TransmitPending();
    f.driver.AcceptPerWrite = -1;
    f.port.TransmitPending();
    EXPECT_EQ(f.driver.Written, std::string("AB\0DE", 5));
    EXPECT_EQ(f.port.PendingOutput(), "");
    EXPECT_FALSE(f.port.Queue(std::string(kPendingOutputLimit + 1, 'x')));
}

TEST(PortOutput, QueueFileRespectsTheBoundOnQueuedOutput) {
    struct Row {
        const char* name;
        size_t pending, fileSize;
        bool queued;
    };
    const Row rows[] = {{"FullLimitWhenEmpty", 0, 131000, true},
                        {"OneOverWhenEmpty", 0, 131001, false},
                        {"FillsTheRest", 10, 130990, true},
                        {"OneOverTheRest", 10, 130991, false},
                        {"EmptyFile", 0, 0, true},
                        {"QueueAlreadyOverTheBound", 131005, 1, false}};
    auto path = std::filesystem::temp_directory_path() /
                ("pv_queue_" + std::to_string(::getpid()) + ".bin");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PortFixture f;
        std::string content(r.fileSize, '\0');
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>(i * 7);
        std::ofstream(path, std::ios::binary).write(content.data(), std::streamsize(r.fileSize));
        std::string before(r.pending, 'p');
        f.port.Queue(before);
        EXPECT_EQ(f.port.QueueFile(path.string()), r.queued);
        EXPECT_EQ(f.port.PendingOutput(), r.queued ? before + content : before);
    }
    std::filesystem::remove(path);
    PortFixture f;
    for (const char* unreadable : {"/nonexistent/pv/file", "/tmp", ""})
        EXPECT_FALSE(f.port.QueueFile(unreadable)) << unreadable;
}

// Steps: B break, P pulse DTR, R raise DTR, L lower DTR, r/s raise/lower RTS,
// U purge, C close, W clock just before the wrap, tN a tick N ms later, - a mark.
TEST(PortSignals, CountdownsEndBreakAndDtrPulseOnLaterTicks) {
    const struct {
        const char *name, *steps, *log;
    } rows[] = {
        {"BreakEndsOnTheSecondTick", "B t50 - t50 t50", "SetBreak(1) - SetBreak(0)"},
        {"SecondBreakRestartsTheCountdown", "B t50 B t50 - t50",
         "SetBreak(1) SetBreak(1) - SetBreak(0)"},
        {"DtrPulseLastsAtLeast155MsAcrossTheWrap", "W P t154 - t1 -", "SetDtr(0) - SetDtr(1) -"},
        {"RaisingDtrEndsAPulse", "P R t200", "SetDtr(0) SetDtr(1)"},
        {"LoweringDtrEndsAPulse", "P L t200", "SetDtr(0) SetDtr(0)"},
        {"LinesPurgeAndClose", "L r s U C C",
         "SetDtr(0) SetRts(1) SetRts(0) Purge() SetDtr(0) SetRts(0) Close()"},
    };
    const std::map<char, LineSignal> signals{
        {'B', LineSignal::Break},    {'P', LineSignal::PulseDtr}, {'R', LineSignal::RaiseDtr},
        {'L', LineSignal::LowerDtr}, {'r', LineSignal::RaiseRts}, {'s', LineSignal::LowerRts}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        PortFixture f;
        f.Open();
        std::istringstream steps(r.steps);
        for (std::string step; steps >> step;) {
            if (signals.count(step[0])) f.port.Signal(signals.at(step[0]));
            if (step == "W") f.clock.Ticks = 0xFFFFFFF0u;
            if (step == "U") f.port.PurgePort();
            if (step == "C") f.port.ClosePort();
            if (step == "-") f.driver.Log.push_back("-");
            if (step[0] == 't') {
                f.clock.Ticks += std::stoul(step.substr(1));
                f.port.Tick();
            }
        }
        EXPECT_EQ(Join(f.driver.Log), r.log);
    }
}

TEST(VirtualDevice, PlaysTheDeviceWithoutLines) {
    VirtualSerialDriver device;
    FakeClock clock;
    RecordingMessages messages;
    SerialPort port(device, clock, messages);
    std::string shown;
    port.Queue(std::string("A\0", 2));
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput().size(), 2u); // nobody listens yet: kept
    device.SetListener([&](const std::string& text) { shown += text; });
    port.TransmitPending();
    EXPECT_EQ(shown, "A\xFF"); // NUL masked
    for (LineSignal s : {LineSignal::PulseDtr, LineSignal::Break, LineSignal::RaiseRts})
        EXPECT_FALSE(port.Signal(s));
    EXPECT_FALSE(port.HasLineSignals());
    device.Push("xy");
    // The bound counts what still waits.
    EXPECT_FALSE(device.Push(std::string(VirtualSerialDriver::kInputLimit - 1, 'z')));
    unsigned char byte = 0;
    ASSERT_TRUE(port.ReadPortByte(byte));
    EXPECT_EQ(byte, 'x');
    port.PurgePort();
    EXPECT_FALSE(port.ReadPortByte(byte));
    device.Push("abcd");
    for (int i = 0; i < 3; ++i)
        port.ReadPortByte(byte);
    device.Push("ef"); // makes room by dropping what was read
    std::string rest;
    while (port.ReadPortByte(byte))
        rest += char(byte);
    EXPECT_EQ(rest, "def");
    EXPECT_EQ(MaskNuls(std::string("\0a\xFF", 3)), "\xFF"
                                                   "a\xFF");
}

} // namespace
} // namespace pv::testing
