#include "serial/port.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "serial/recording_driver.h"

namespace pv {
namespace {

using test::RecordingDriver;
using test::RecordingMessages;
using test::SteppingTicks;
using Strings = std::vector<std::string>;

struct PortFixture : ::testing::Test {
    Config config;
    RecordingDriver driver;
    SteppingTicks ticks;
    RecordingMessages messages;
    MemorySettingsStore store;
    SerialPort port{config, &driver, ticks, messages, &store};

    void Open() {
        ASSERT_TRUE(port.OpenPort());
        driver.Log.clear();
    }
};

// ---------------------------------------------------------------- OpenPort

TEST_F(PortFixture, OpenConfiguresTheDriverInOrder) {
    config.CommPort = 2;
    config.BaudRate = 7;
    config.DataBits = 2;
    config.Parity = 3;
    config.StopBits = 2;
    config.FlowControl = FlowOptoRs;
    config.InputBufferSize = 8192;
    config.OutputBufferSize = 512;

    ASSERT_TRUE(port.OpenPort());
    EXPECT_EQ(driver.Log, (Strings{"Open(/dev/ttyS2)", "SetQueueSizes(8192,512)", "SetTimeouts()",
                                   "GetState()", "SetState(14400,7,3,2,3)"}));
    EXPECT_EQ(config.PortName, "COM3");
    EXPECT_GE(port.CommHandle, 0);
    EXPECT_TRUE(messages.Messages.empty());
}

struct DeviceCase {
    const char* name;
    int16_t commPort;
    const char* mapped; // store entry for the port, "" for none
    const char* override_;
    const char* portName;
    const char* device;
};

class OpenDevice : public PortFixture, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(OpenDevice, PicksTheDevicePath) {
    const DeviceCase& c = GetParam();
    config.CommPort = c.commPort;
    if (*c.mapped) store.Set("Ports", c.portName, c.mapped);
    port.DeviceOverride = c.override_;
    ASSERT_TRUE(port.OpenPort());
    EXPECT_EQ(driver.Device, c.device);
    EXPECT_EQ(config.PortName, c.portName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenDevice,
    ::testing::Values(DeviceCase{"Com1IsTtyS0", 0, "", "", "COM1", "/dev/ttyS0"},
                      DeviceCase{"Com9KeepsPlainNumber", 8, "", "", "COM9", "/dev/ttyS8"},
                      DeviceCase{"Com10HasTwoDigits", 9, "", "", "COM10", "/dev/ttyS9"},
                      DeviceCase{"StoreEntryWins", 3, "/dev/ttyUSB0", "", "COM4", "/dev/ttyUSB0"},
                      DeviceCase{"OverrideBeatsStore", 3, "/dev/ttyUSB0", "/dev/pts/7", "COM4",
                                 "/dev/pts/7"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DevicePathFor, WorksWithoutAStore) {
    EXPECT_EQ(DevicePathFor(11, nullptr), "/dev/ttyS11");
}

TEST(CommPortFromName, AcceptsOnlyTheOfferedNames) {
    const std::pair<const char*, int> rows[] = {
        {"COM1", 0},   {"com10", 9}, {"Com99", 98}, {"COM0", -1}, {"COM100", -1},
        {"COM01", -1}, {"COM", -1},  {"COM1 ", -1}, {"LPT1", -1}, {"", -1}};
    for (const auto& [name, expected] : rows)
        EXPECT_EQ(CommPortFromName(name), expected) << name;
}

class OpenBaud : public PortFixture, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(OpenBaud, MapsTheIndexToARate) {
    config.BaudRate = static_cast<int16_t>(GetParam().first);
    ASSERT_TRUE(port.OpenPort());
    EXPECT_EQ(driver.State.Baud, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Table, OpenBaud,
                         ::testing::Values(std::pair{0, 110}, std::pair{7, 14400},
                                           std::pair{11, 115200}, std::pair{12, 9600},
                                           std::pair{-1, 9600}));

struct OpenFailure {
    const char* name;
    bool RecordingDriver::*knob;
    const char* text;
    const char* title;
    MsgIcon icon;
    bool closes;
};

class OpenFails : public PortFixture, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFails, ShowsOneMessageAndReturnsFalse) {
    const OpenFailure& f = GetParam();
    config.CommPort = 2;
    driver.*f.knob = true;

    EXPECT_FALSE(port.OpenPort());
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, f.text);
    EXPECT_EQ(messages.Messages[0].Title, f.title);
    EXPECT_EQ(messages.Messages[0].Icon, f.icon);
    EXPECT_EQ(messages.Messages[0].Buttons, MsgButtons::Ok);
    EXPECT_EQ(driver.Count("Close"), f.closes ? 1 : 0);
    EXPECT_FALSE(driver.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, OpenFails,
    ::testing::Values(OpenFailure{"DeviceMissing", &RecordingDriver::FailOpen,
                                  "COM3 Device Not Available.", "Device Error",
                                  MsgIcon::Exclamation, false},
                      OpenFailure{"TimeoutsRejected", &RecordingDriver::FailTimeouts,
                                  "SetComTimeouts failed", "Portivox", MsgIcon::None, true},
                      OpenFailure{"StateUnreadable", &RecordingDriver::FailGetState,
                                  "GetComState failed", "Portivox", MsgIcon::None, true},
                      OpenFailure{"StateRejected", &RecordingDriver::FailSetState,
                                  "SetComState failed", "Portivox", MsgIcon::None, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortFixture, MissingDeviceLeavesNoHandleAndTouchesNothingElse) {
    driver.FailOpen = true;
    EXPECT_FALSE(port.OpenPort());
    EXPECT_EQ(port.CommHandle, -1);
    EXPECT_EQ(driver.Log, (Strings{"Open(/dev/ttyS0)"}));
}

TEST(SerialPortNoDriver, OpenReportsTheDeviceMissing) {
    Config config;
    SteppingTicks ticks;
    RecordingMessages messages;
    SerialPort port(config, nullptr, ticks, messages);
    EXPECT_FALSE(port.OpenPort());
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, "COM1 Device Not Available.");
    EXPECT_EQ(port.ReadPortByte(), 0);
    port.PendingOutput = "x";
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput, "x");
}

// ------------------------------------------------------- run-time changes

struct LineChange {
    const char* name;
    void (SerialPort::*op)(int32_t);
    int32_t argument;
    const char* newState; // as RecordingDriver::Describe
    int16_t Settings::*setting;
    int16_t before;
    int16_t after;
};

class ChangeLine : public PortFixture, public ::testing::WithParamInterface<LineChange> {};

TEST_P(ChangeLine, AppliesToThePortAndKeepsTheSetting) {
    const LineChange& c = GetParam();
    Open();
    driver.State = LineSettings{9600, 7, 2, 0, 0};
    config.*c.setting = c.before;

    (port.*c.op)(c.argument);
    EXPECT_EQ(driver.Log, (Strings{"GetState()", std::string("SetState(") + c.newState + ")"}));
    EXPECT_EQ(config.*c.setting, c.after);
}

TEST_P(ChangeLine, KeepsTheSettingWhenTheDriverRefuses) {
    const LineChange& c = GetParam();
    Open();
    config.*c.setting = c.before;
    driver.FailSetState = true;
    (port.*c.op)(c.argument);
    EXPECT_EQ(config.*c.setting, c.before);
    EXPECT_TRUE(messages.Messages.empty());
}

TEST_P(ChangeLine, StopsSilentlyWhenTheStateCannotBeRead) {
    const LineChange& c = GetParam();
    Open();
    config.*c.setting = c.before;
    driver.FailGetState = true;
    (port.*c.op)(c.argument);
    EXPECT_EQ(driver.Count("SetState"), 0);
    EXPECT_EQ(config.*c.setting, c.before);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ChangeLine,
    ::testing::Values(LineChange{"BaudInTable", &SerialPort::SetPortBaud, 19200, "19200,7,2,0,0",
                                 &Settings::BaudRate, 6, 8},
                      LineChange{"BaudOutsideTableKeepsIndex", &SerialPort::SetPortBaud, 128000,
                                 "128000,7,2,0,0", &Settings::BaudRate, 6, 6},
                      LineChange{"BaudLowestRate", &SerialPort::SetPortBaud, 110, "110,7,2,0,0",
                                 &Settings::BaudRate, 6, 0},
                      LineChange{"ParityUsesLowByte", &SerialPort::SetPortParity, 0x104,
                                 "9600,7,4,0,0", &Settings::Parity, 2, 4},
                      LineChange{"DataBitsStoredMinusFive", &SerialPort::SetPortDataBits, 8,
                                 "9600,8,2,0,0", &Settings::DataBits, 2, 3},
                      LineChange{"StopBitsCode", &SerialPort::SetPortStopBits, 2, "9600,7,2,2,0",
                                 &Settings::StopBits, 0, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortFixture, ChangesNeedAnOpenPort) {
    port.SetPortBaud(19200);
    EXPECT_TRUE(driver.Log.empty());
    EXPECT_EQ(config.BaudRate, 6);
}

// ------------------------------------------------------------ reading

TEST_F(PortFixture, ReadDeliversEveryByteValueThenReportsNothing) {
    Open();
    driver.Input = std::string("\0\xff"
                               "A",
                               3);
    std::string got;
    while (port.ReadPortByte() == 1)
        got += static_cast<char>(port.InByte);
    EXPECT_EQ(got, std::string("\0\xff"
                               "A",
                               3));
    EXPECT_EQ(driver.Count("Read"), 4);
    EXPECT_EQ(driver.LogWithout("Read"), Strings{});
}

TEST_F(PortFixture, VirtualReadTakesFromInputBuffer) {
    config.RunMode = RunVirtual;
    port.InputBuffer = std::string("a\0", 2);
    ASSERT_EQ(port.ReadPortByte(), 1);
    EXPECT_EQ(port.InByte, 'a');
    ASSERT_EQ(port.ReadPortByte(), 1);
    EXPECT_EQ(port.InByte, 0);
    EXPECT_EQ(port.ReadPortByte(), 0);
    EXPECT_TRUE(driver.Log.empty());
}

// ----------------------------------------------------------- writing

TEST_F(PortFixture, ShortWritesKeepTheExactTailAheadOfLaterOutput) {
    Open();
    driver.AcceptPerWrite = 3;
    port.PendingOutput = "ABCDEFG";
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput, "DEFG");
    port.PendingOutput += "xy";
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput, "Gxy");
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput, "");
    EXPECT_EQ(driver.Written, "ABCDEFGxy");
    EXPECT_EQ(driver.Log, (Strings{"Write(ABCDEFG)", "Write(DEFGxy)", "Write(Gxy)"}));
}

TEST_F(PortFixture, RefusedOrFailedWritesKeepEverything) {
    Open();
    port.PendingOutput = "keep";
    driver.AcceptPerWrite = 0;
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput, "keep");
    driver.FailWrite = true;
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput, "keep");
}

TEST_F(PortFixture, NulReachesTheDeviceAsByteZero) {
    Open();
    port.PendingOutput = std::string("a\0b", 3);
    port.TransmitPending();
    EXPECT_EQ(driver.Written, std::string("a\0b", 3));
}

TEST_F(PortFixture, VirtualOutputGoesToTheWindowWithNulsMasked) {
    config.RunMode = RunVirtual;
    test::RecordingVirtualDevice window;
    port.PendingOutput = std::string("a\0", 2);
    port.TransmitPending();
    EXPECT_EQ(port.PendingOutput, std::string("a\0", 2)) << "no window yet: kept";
    port.Virtual = &window;
    port.TransmitPending();
    EXPECT_EQ(window.Shown, "a\xff");
    EXPECT_TRUE(port.PendingOutput.empty());
    EXPECT_TRUE(driver.Log.empty());
}

TEST(MaskNuls, ReplacesOnlyNul) {
    EXPECT_EQ(MaskNuls(std::string("\0a\0\x01\xff", 5)), "\xff"
                                                         "a\xff\x01\xff");
    EXPECT_EQ(MaskNuls(""), "");
}

// --------------------------------------------------------- QueueFile

struct QueueCase {
    const char* name;
    size_t pending;
    size_t fileSize;
    bool queued;
};

class QueueFileLimit : public PortFixture, public ::testing::WithParamInterface<QueueCase> {
  protected:
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("pv_queue_" + std::to_string(::getpid()) + ".bin");
    void TearDown() override { std::filesystem::remove(path); }
};

TEST_P(QueueFileLimit, RespectsTheBoundOnQueuedOutput) {
    const QueueCase& c = GetParam();
    std::string content(c.fileSize, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    std::ofstream(path, std::ios::binary).write(content.data(), content.size());
    std::string before(c.pending, 'p');
    port.PendingOutput = before;

    EXPECT_EQ(port.QueueFile(path.string()), c.queued);
    EXPECT_EQ(port.PendingOutput, c.queued ? before + content : before);
}

INSTANTIATE_TEST_SUITE_P(Sizes, QueueFileLimit,
                         ::testing::Values(QueueCase{"FullLimitWhenEmpty", 0, 131000, true},
                                           QueueCase{"OneOverWhenEmpty", 0, 131001, false},
                                           QueueCase{"FillsTheRest", 10, 130990, true},
                                           QueueCase{"OneOverTheRest", 10, 130991, false},
                                           QueueCase{"EmptyFile", 0, 0, true},
                                           QueueCase{"QueueAlreadyOverTheBound", 131005, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortFixture, QueueFileRefusesWhatCannotBeRead) {
    port.PendingOutput = "p";
    EXPECT_FALSE(port.QueueFile("/nonexistent/pv/file"));
    EXPECT_FALSE(port.QueueFile(std::filesystem::temp_directory_path().string()));
    EXPECT_FALSE(port.QueueFile(""));
    EXPECT_EQ(port.PendingOutput, "p");
}

// ------------------------------------------------------- line signals

TEST_F(PortFixture, BreakEndsOnTheSecondTick) {
    Open();
    port.StartBreak();
    EXPECT_TRUE(driver.Break);
    EXPECT_EQ(port.BreakDtrState, 2);
    port.BreakTick();
    EXPECT_TRUE(driver.Break);
    port.BreakTick();
    EXPECT_FALSE(driver.Break);
    EXPECT_EQ(port.BreakDtrState, 0);
    port.BreakTick();
    EXPECT_EQ(driver.Log, (Strings{"SetBreak(1)", "SetBreak(0)"}));
}

TEST_F(PortFixture, SecondBreakInOneTickRestartsTheCountdown) {
    Open();
    port.StartBreak();
    port.BreakTick();
    port.StartBreak();
    port.BreakTick();
    EXPECT_TRUE(driver.Break);
    port.BreakTick();
    EXPECT_FALSE(driver.Break);
    EXPECT_EQ(driver.Count("SetBreak"), 3);
}

TEST_F(PortFixture, DtrPulseHoldsTheLineLowFor155Ms) {
    Open();
    ticks.Now = 0xFFFFFFF0u; // the counter wraps during the pulse
    ticks.Step = 5;
    port.PulseDtr();
    EXPECT_EQ(driver.Log, (Strings{"SetDtr(0)", "SetDtr(1)"}));
    uint32_t elapsed = ticks.Now - ticks.Step - 0xFFFFFFF0u;
    EXPECT_GE(elapsed, 155u);
    EXPECT_LT(elapsed, 155u + ticks.Step);
}

TEST_F(PortFixture, SignalOperationsReachTheDriver) {
    Open();
    port.RaiseDtr();
    port.LowerDtr();
    port.RaiseRts();
    port.LowerRts();
    port.InputBuffer = "x";
    port.PurgePort();
    EXPECT_TRUE(port.InputBuffer.empty());
    port.ClosePort();
    EXPECT_EQ(driver.Log, (Strings{"SetDtr(1)", "SetDtr(0)", "SetRts(1)", "SetRts(0)", "Purge()",
                                   "SetDtr(0)", "SetRts(0)", "Close()"}));
    EXPECT_EQ(port.CommHandle, -1);
}

TEST_F(PortFixture, VirtualModeDrivesNoLines) {
    config.RunMode = RunVirtual;
    port.InputBuffer = "typed";
    port.PulseDtr();
    port.StartBreak();
    port.BreakTick();
    port.RaiseDtr();
    port.LowerRts();
    port.PurgePort();
    port.ClosePort();
    EXPECT_TRUE(driver.Log.empty());
    EXPECT_EQ(port.BreakDtrState, 0);
    EXPECT_TRUE(port.InputBuffer.empty());
    EXPECT_EQ(ticks.Reads, 0);
}

} // namespace
} // namespace pv
