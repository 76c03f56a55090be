// The port test terminal on a pseudo-terminal opened by Port > Analyze, and
// the virtual device window playing the instrument of a Virtual Instrument run.
#include "ui/setup_test_support.h"

#include "platform/pty_pair.h"

namespace pv {
namespace {

TEST(PortTestWindow, AnalyzeShowsWhatThePtySendsAndQuitFreesThePort) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    test::SetupFixture f;
    f.store.Set("Ports", "COM1", pty.path);
    f.config.PreInputTable['X'] = "Ignore";
    f.window->PortAnalyze();
    ui::PortTestWindow* w = f.window->PortTest();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Port Analyze - COM1:9600,Odd,7,1");
    EXPECT_TRUE(IsSet(f.config.PortTestActive));
    emit f.window->Menu("PortPullDown")->aboutToShow();
    EXPECT_FALSE(f.window->Action("PortTest")->isEnabled());
    EXPECT_FALSE(w->Button("AnalyzeButton")->isEnabled()) << "nothing to analyze yet";

    pty.Send(std::string("12,\0X\r", 6));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ByteCount()->text() == "6"; }));
    EXPECT_EQ(w->Buffer()->Bytes(), "12,\xFFX\r") << "NUL shows as 255";
    EXPECT_TRUE(w->Button("AnalyzeButton")->isEnabled());
    w->TranslateBox()->setChecked(true);
    pty.Send("XY");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Buffer()->Bytes().size() == 7; }));
    EXPECT_EQ(w->Buffer()->Bytes().back(), 'Y') << "the Ignore entry hides X";

    w->Button("BufferClearButton")->click();
    EXPECT_EQ(w->ByteCount()->text(), "0");

    w->OutputBuffer()->SetRaw(std::string("P\0\r", 3));
    w->Button("SendButton")->click();
    std::string sent;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        char b[8];
        const ssize_t n = ::read(pty.master, b, sizeof b);
        if (n > 0) sent.append(b, static_cast<size_t>(n));
        return sent.size() >= 3;
    }));
    EXPECT_EQ(sent, std::string("P\0\r", 3)) << "written by the next tick";

    w->Button("QuitButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.window->PortTest() == nullptr; }));
    EXPECT_FALSE(IsSet(f.config.PortTestActive));
    f.window->PortAnalyze();
    ASSERT_NE(f.window->PortTest(), nullptr) << "the port was closed and opens again";
    f.window->PortTest()->close();
}

TEST(PortTestWindow, VirtualDeviceFeedsTheRunShowsItsOutputAndQuitEndsIt) {
    test::RunFixture f;
    f.config.AckString = std::string("\x06\0", 2);
    ASSERT_TRUE(f.Start(RunVirtual));
    VirtualDeviceWindow* device = f.session->VirtualWindow();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->windowTitle(), "Portivox - Virtual Serial Device");
    EXPECT_TRUE(device->Button("AnalyzeButton")->isHidden());
    device->OutputBuffer()->SetRaw("12.5\r");
    device->Button("SendButton")->click();
    f.Tick(2);
    EXPECT_TRUE(f.Window().FieldBox(1)->text().startsWith("12.5"));
    EXPECT_EQ(device->Buffer()->Bytes(), "\x06\xFF") << "what the run sent, NUL as 255";
    device->Button("QuitButton")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.finished; }));
    EXPECT_EQ(f.config.RunMode, NotRunning);
}

} // namespace
} // namespace pv
