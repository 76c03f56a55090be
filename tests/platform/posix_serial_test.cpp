#include "platform/posix/serial_driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <poll.h>

#include "fakes/run_fakes.h"
#include "line_probe.h"
#include "pty_pair.h"
#include "serial/port.h"

namespace pv {
namespace {

using test::LineProbe;
using test::ProbeLine;
using test::PtyPair;

/// Reads through the driver until `count` bytes arrived or time runs out.
std::string ReadAll(PosixSerialDriver& driver, size_t count, int timeoutMs = 2000) {
    std::string got;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count && std::chrono::steady_clock::now() < until) {
        unsigned char byte;
        if (driver.Read(&byte, 1) == 1) {
            got += static_cast<char>(byte);
        } else {
            pollfd readable{driver.Handle(), POLLIN, 0};
            ::poll(&readable, 1, 100); // until more bytes come
        }
    }
    return got;
}

struct PosixDriverTest : ::testing::Test {
    PtyPair pty;
    PosixSerialDriver driver;

    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(driver.Open(pty.path));
        ASSERT_TRUE(driver.SetTimeouts());
    }
    LineProbe Probe() {
        LineProbe p;
        EXPECT_TRUE(ProbeLine(pty.slave, p));
        return p;
    }
};

// ------------------------------------------------------------- line setup

struct LineCase {
    const char* name;
    LineSettings line;
    unsigned cflagSet;   // must be set
    unsigned cflagClear; // must be clear
    unsigned iflagSet;
    bool customRate;
};

class PosixLine : public PosixDriverTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(PosixLine, AppliesAndReadsBack) {
    const LineCase& c = GetParam();
    ASSERT_TRUE(driver.IsPseudoTerminal());
    ASSERT_TRUE(driver.SetState(c.line));
    LineProbe p = Probe();
    // A pty reports CS8 without PARENB whatever it is given; the rest sticks.
    const unsigned visible = ~static_cast<unsigned>(CSIZE | PARENB);
    EXPECT_EQ(p.ospeed, static_cast<unsigned>(c.line.Baud));
    EXPECT_EQ(p.customRate, c.customRate);
    EXPECT_EQ(p.cflag & c.cflagSet & visible, c.cflagSet & visible);
    EXPECT_EQ(p.cflag & c.cflagClear & visible, 0u);
    EXPECT_EQ(p.iflag & c.iflagSet, c.iflagSet);

    LineSettings back;
    ASSERT_TRUE(driver.GetState(back));
    EXPECT_EQ(testing::RecordingDriver::Describe(back), testing::RecordingDriver::Describe(c.line));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Settings, PosixLine,
    ::testing::Values(
        LineCase{"Even7Data1Stop", {9600, 7, 2, 0, 0}, CS7 | PARENB, PARODD | CMSPAR | CSTOPB, 0, false},
        LineCase{"Odd8Data2Stop", {115200, 8, 1, 2, 0}, CS8 | PARENB | PARODD | CSTOPB, CMSPAR, 0, false},
        LineCase{"MarkParity", {1200, 8, 3, 0, 0}, PARENB | PARODD | CMSPAR, 0, 0, false},
        LineCase{"SpaceParity", {2400, 8, 4, 0, 0}, PARENB | CMSPAR, PARODD, 0, false},
        LineCase{"FiveDataBitsNoParity", {110, 5, 0, 0, 0}, CS5, PARENB, 0, false},
        LineCase{"RateWithoutConstant", {14400, 8, 0, 0, 0}, 0, 0, 0, true},
        LineCase{"RateOutsideTable", {128000, 8, 0, 0, 0}, 0, 0, 0, true},
        LineCase{"OneAndAHalfStopBitsAsTwo", {9600, 8, 0, 1, 0}, CSTOPB, 0, 0, false},
        LineCase{"XonXoff", {9600, 8, 0, 0, 1}, 0, CRTSCTS, IXON | IXOFF, false},
        LineCase{"Hardware", {9600, 8, 0, 0, 2}, CRTSCTS, 0, 0, false},
        LineCase{"OptoRs", {9600, 8, 0, 0, 3}, 0, CRTSCTS, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct BadLine {
    const char* name;
    LineSettings line;
};

class PosixBadLine : public PosixDriverTest, public ::testing::WithParamInterface<BadLine> {};

TEST_P(PosixBadLine, IsRefusedAndChangesNothing) {
    ASSERT_TRUE(driver.SetState({4800, 7, 2, 0, 0}));
    LineProbe before = Probe();
    EXPECT_FALSE(driver.SetState(GetParam().line));
    LineProbe after = Probe();
    EXPECT_EQ(after.cflag, before.cflag);
    EXPECT_EQ(after.ospeed, before.ospeed);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, PosixBadLine,
                         ::testing::Values(BadLine{"NineDataBits", {9600, 9, 0, 0, 0}}, BadLine{"FourDataBits", {9600, 4, 0, 0, 0}},
                                           BadLine{"ParityFive", {9600, 8, 5, 0, 0}}, BadLine{"StopBitsThree", {9600, 8, 0, 3, 0}},
                                           BadLine{"FlowFour", {9600, 8, 0, 0, 4}}, BadLine{"ZeroRate", {0, 8, 0, 0, 0}},
                                           BadLine{"NegativeRate", {-9600, 8, 0, 0, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ------------------------------------------------------------- bytes

TEST_F(PosixDriverTest, BytesInArriveUnchangedOneAtATime) {
    ASSERT_TRUE(driver.SetState({9600, 8, 0, 0, 0}));
    std::string data;
    for (int i = 0; i < 256; ++i)
        data += static_cast<char>(i);
    data += "\r\n\r";
    pty.Send(data);
    EXPECT_EQ(ReadAll(driver, data.size()), data);
    unsigned char byte;
    EXPECT_EQ(driver.Read(&byte, 1), 0);
}

TEST_F(PosixDriverTest, PurgeDropsWaitingInput) {
    ASSERT_TRUE(driver.SetState({9600, 8, 0, 0, 0}));
    pty.Send("stale");
    ASSERT_TRUE(pty.SlaveReadable());
    unsigned char byte;
    ASSERT_EQ(driver.Read(&byte, 1), 1); // the rest now sits in the driver's buffer
    driver.Purge();
    EXPECT_EQ(driver.Read(&byte, 1), 0);
    pty.Send("new");
    EXPECT_EQ(ReadAll(driver, 3), "new");
}

// ------------------------------------------------------------- open

TEST_F(PosixDriverTest, SecondOpenIsRefusedUntilClosed) {
    PosixSerialDriver other;
    EXPECT_FALSE(other.Open(pty.path));
    driver.Close();
    EXPECT_TRUE(other.Open(pty.path)) << "the device is free again once closed";
}

// ------------------------------------------------- the port layer on a pty

struct PtyPortTest : ::testing::Test {
    PtyPair pty;
    PosixSerialDriver driver;
    testing::FakeClock clock;
    testing::RecordingMessages messages;
    SerialPort port{driver, clock, messages};
    PortSettings settings{"COM1", "", {9600, 8, 0, 0, 0}, 4096, 1024};

    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        settings.Device = pty.path;
    }
};

TEST_F(PtyPortTest, AFullDeviceQueueKeepsTheTailUntilLater) {
    ASSERT_TRUE(port.OpenPort(settings));
    std::string data(1 << 20, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i % 251);
    port.Queue(data);
    std::string received;
    bool sawShortWrite = false;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((!port.PendingOutput().empty() || received.size() < data.size()) &&
           std::chrono::steady_clock::now() < until) {
        port.TransmitPending();
        if (!port.PendingOutput().empty()) sawShortWrite = true;
        received += pty.Receive(1, 5);
    }
    EXPECT_TRUE(sawShortWrite);
    ASSERT_EQ(received.size(), data.size());
    EXPECT_TRUE(received == data);
}

} // namespace
} // namespace pv
