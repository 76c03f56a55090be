// The running window on a session over the recording driver: its menus,
// boxes, buttons, clipboard links and unload, and the virtual device window.
#include "ui/setup_test_support.h"

namespace pv {
namespace {

using test::RunFixture;

void Release(QWidget* w, Qt::MouseButton button, QPoint at) {
    QTest::mousePress(w, button, {}, at);
    QTest::mouseRelease(w, button, {}, at);
}

QAction* EditItem(RunFixture& f, int text) {
    f.Window().RefreshEditMenu();
    for (QAction* a : f.Window().EditMenu()->actions())
        if (a->text() == ui::Tx(text)) return a;
    return nullptr;
}

TEST(RunningWindow, SuspendMenuCaptionAndResume1FollowTheRun) {
    struct Row {
        const char* name;
        int16_t mode;
        Flag activateSuspended;
        std::function<void(RunFixture&)> act;
        const char* caption;
        bool suspended;
    };
    auto trigger = [](RunFixture& f) { f.Window().SuspendAction()->trigger(); };
    auto none = [](RunFixture&) {};
    const QString vd = QString::fromUtf8(Text(5000));
    const Row rows[] = {
        {"SuspendMenuSuspends", RunTest, False, trigger, "Portivox - COM1 (S)", true},
        {"SuspendMenuResumes", RunTest, True, trigger, "Portivox - COM1", false},
        {"VirtualDeviceNamed", RunVirtual, False, none, "Portivox - COM1 Virtual Device", false},
        {"VirtualDeviceSuspended", RunVirtual, False, trigger,
         "Portivox - COM1 (S) (Virtual Device)", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RunFixture f;
        f.config.ActivateSuspended = r.activateSuspended;
        ASSERT_TRUE(f.Start(r.mode));
        r.act(f);
        EXPECT_EQ(f.Window().windowTitle().replace(vd, "Virtual Device"), r.caption);
        EXPECT_EQ(f.Run().Suspended(), r.suspended);
        EXPECT_EQ(f.Window().SuspendAction()->text(), ui::Tx(r.suspended ? 5001 : 3005));
        EXPECT_EQ(f.Window().ResumeOneAction()->isVisible(), r.suspended);
    }
}

TEST(RunningWindow, ButtonsActOnlyOnALeftReleaseInside) {
    RunFixture f;
    f.config.OutputStringCaption[2] = "Tare";
    f.config.OutputStringText[2] = std::string("T\0\r", 3);
    f.config.WindowButtons = 3;
    ASSERT_TRUE(f.Start());
    EXPECT_FALSE(f.Window().StringButton(1)->isVisible());
    PointerButton* b = f.Window().StringButton(2);
    ASSERT_TRUE(b->isVisible());
    QPoint inside = b->rect().center();
    Release(b, Qt::RightButton, inside);
    QTest::keyClick(b, Qt::Key_Space);
    QTest::mousePress(b, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(f.Run().Snapshot().PendingOutput, "");
    Release(b, Qt::LeftButton, inside);
    Release(b, Qt::LeftButton, inside);
    f.driver->Log.clear();
    for (PointerButton* line : {f.Window().BreakButton(), f.Window().DtrButton()})
        Release(line, Qt::LeftButton, line->rect().center());
    f.Tick(); // how long BREAK and the DTR pulse last is the port's business
    EXPECT_EQ(f.driver->Written, std::string("T\0\rT\0\r", 6));
    EXPECT_EQ(testing::Join(f.driver->Log), "SetBreak(1) SetDtr(0) Write(T\\x00\\x0DT\\x00\\x0D)");
}

TEST(RunningWindow, PastedLinkIsStoredAndEstablishedOnTheNextTick) {
    RunFixture f;
    ASSERT_TRUE(f.Start());
    QGuiApplication::clipboard()->setText("Sheet|Book1!R1C1");
    EXPECT_FALSE(EditItem(f, 9100)->isEnabled()) << "plain text is no link";
    QtDdeClipboard().SetLink("Sheet|Book1!R1C1", "12");
    ASSERT_TRUE(EditItem(f, 9100)->isEnabled());
    EditItem(f, 9100)->trigger();
    EXPECT_EQ(f.config.CmdLinkApp + "|" + f.config.CmdLinkTopic + "!" + f.config.CmdLinkItem,
              "Sheet|Book1!R1C1");
    EXPECT_TRUE(f.messages.shown.empty());
    f.Tick();
    ASSERT_EQ(f.messages.shown.size(), 1u) << "no such server: the link attempt is reported";
    EXPECT_NE(f.messages.shown[0].text.find("Sheet,Book1,R1C1"), std::string::npos);
}

TEST(RunningWindow, ClosingStoresThePositionPerPortUnlessMinimized) {
    struct Row {
        const char* name;
        int16_t mode, commPort;
        bool minimize;
        const char *left1, *left2;
        int16_t runModeAfter;
    };
    const Row rows[] = {{"TestModeStoresForItsPort", RunTest, 1, false, "", "set", NotRunning},
                        {"MinimizedKeepsTheOldPosition", RunTest, 0, true, "4321", "", NotRunning},
                        {"NormalModeKeepsRunMode", RunNormal, 0, false, "set", "", RunNormal}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RunFixture f;
        f.config.CommPort = r.commPort;
        if (r.minimize) f.store.Set("Portivox - COM1/Settings", "MainLeft", "4321");
        ASSERT_TRUE(f.Start(r.mode));
        if (r.minimize) {
            f.Window().showMinimized();
            EXPECT_TRUE(QTest::qWaitFor([&] { return f.Window().isMinimized(); }));
        }
        f.Window().move(300, 150);
        f.session->Quit();
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.finished; }));
        EXPECT_EQ(f.config.RunMode, r.runModeAfter);
        EXPECT_FALSE(f.driver->Opened) << "port closed";
        auto left = [&](const char* port) {
            std::string v =
                f.store.Get(std::string("Portivox - ") + port + "/Settings", "MainLeft");
            return v.empty() || v == "4321" ? v : std::string("set");
        };
        EXPECT_EQ(left("COM1"), r.left1);
        EXPECT_EQ(left("COM2"), r.left2);
    }
}

} // namespace
} // namespace pv
