// A Test-mode run on a real pseudo-terminal: records written by the device
// show up in the field boxes, and queued output reaches the device.
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "ui/running_test_support.h"

namespace pv {
namespace {

struct PtyRun {
    Config config;
    MemorySettingsStore store;
    SilentMessages messages;
    std::unique_ptr<RunSession> session;

    explicit PtyRun(const std::string& device) {
        test::EnsureApp();
        store.Set("Ports", "COM1", device);
        config.RunMode = RunTest;
        config.RecordStructure = DelimitedFields; // delimited by commas, ended by CR
        config.FieldCount = 3;
        config.OutputMode = LogToDisk;
        config.LogFileName = ::testing::TempDir() + "/running_pty_test.log";
        session = std::make_unique<RunSession>(config, store, messages);
    }
    ReadOnlyBox* Box(int n) { return session->Window()->FieldBox(n); }
    QString Number() { return session->Window()->RecordNumberBox()->text(); }
};

TEST(RunningPty, RecordsFromThePortReachTheFieldBoxes) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    PtyRun run(name);
    ASSERT_TRUE(run.session->OpenPort());
    run.session->Show();
    const char record[] = "ST,GS,+0012.345 g\r\n";
    ASSERT_EQ(write(master, record, sizeof record - 1), ssize_t(sizeof record - 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.Number() == "1"; }, 5000));
    EXPECT_EQ(run.Box(1)->text(), "ST");
    EXPECT_EQ(run.Box(2)->text(), "GS");
    EXPECT_TRUE(run.Box(3)->text().startsWith("+0012.345 g"));

    // Bytes the device sends back (a string button) reach the device.
    run.session->RunState().QueueOutput("P\r");
    char back[8] = {};
    ASSERT_TRUE(QTest::qWaitFor([&] { return back[0] != 0 || read(master, back, sizeof back) > 0; }, 3000));
    EXPECT_EQ(back[0], 'P');

    run.session->Quit();
    close(slave);
    close(master);
}

} // namespace
} // namespace pv
