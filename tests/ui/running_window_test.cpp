// The running window's commands, boxes, buttons and unload, on a session
// over a recording driver.
#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "text/strings.h"
#include "ui/clipboard_link.h"
#include "ui/resource_texts_qt.h"
#include "ui/running_test_support.h"

namespace pv {
namespace {

using test::RunFixture;

QString Caption(RunFixture& f) {
    return f.Window().windowTitle();
}

TEST(RunningWindow, SuspendToggleChangesCaptionMenuAndResume1) {
    RunFixture f;
    ASSERT_TRUE(f.Start());
    EXPECT_EQ(Caption(f), "Portivox - COM1");
    EXPECT_FALSE(f.Window().ResumeOneAction()->isVisible());

    f.Window().SuspendAction()->trigger();
    EXPECT_TRUE(f.Run().Suspended);
    EXPECT_EQ(Caption(f), "Portivox - COM1 (S)");
    EXPECT_EQ(f.Window().SuspendAction()->text(), ui::Tx(5001));
    EXPECT_TRUE(f.Window().ResumeOneAction()->isVisible());

    f.Window().SuspendAction()->trigger();
    EXPECT_FALSE(f.Run().Suspended);
    EXPECT_EQ(Caption(f), "Portivox - COM1");
    EXPECT_EQ(f.Window().SuspendAction()->text(), ui::Tx(3005));
    EXPECT_FALSE(f.Window().ResumeOneAction()->isVisible());
}

TEST(RunningWindow, VirtualInstrumentCaptionNamesTheVirtualDevice) {
    RunFixture f;
    ASSERT_TRUE(f.Start(RunVirtual));
    QString vd = QString::fromUtf8(Text(5000));
    EXPECT_EQ(Caption(f), "Portivox - COM1 " + vd);
    f.Window().SuspendAction()->trigger();
    EXPECT_EQ(Caption(f), "Portivox - COM1 (S) (" + vd + ")");
}

TEST(RunningWindow, ActivateSuspendedStartsSuspended) {
    RunFixture f;
    f.config.ActivateSuspended = True;
    ASSERT_TRUE(f.Start());
    EXPECT_TRUE(f.Run().Suspended);
    EXPECT_TRUE(Caption(f).endsWith(" (S)"));
    f.driver->Input = "1\r";
    f.Tick();
    EXPECT_EQ(f.Window().FieldBox(1)->text(), "") << "nothing is read while suspended";
}

struct ResetCase {
    const char* name;
    bool activateSuspended;
    bool suspendedBefore;
    bool suspendedAfter;
};

class ResetRule : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ResetRule, ResetClearsBoxesAndLeavesTheSuspendState) {
    const auto& p = GetParam();
    RunFixture f;
    f.config.FieldCount = 2;
    f.config.RecordStructure = DelimitedFields;
    ASSERT_TRUE(f.Start());
    f.driver->Input = "4,5\r";
    f.Tick();
    ASSERT_EQ(f.Window().FieldBox(1)->text(), "4");
    ASSERT_EQ(f.Window().RecordNumberBox()->text(), "1");
    f.config.ActivateSuspended = p.activateSuspended ? True : False;
    if (p.suspendedBefore) f.Window().SuspendAction()->trigger();

    f.Window().ResetAction()->trigger();
    EXPECT_EQ(f.Window().FieldBox(1)->text(), "");
    EXPECT_EQ(f.Window().FieldBox(2)->text(), "");
    EXPECT_EQ(f.Window().RecordNumberBox()->text(), "");
    EXPECT_EQ(f.Run().Suspended, p.suspendedAfter);
    EXPECT_EQ(f.Window().ResumeOneAction()->isVisible(), p.suspendedAfter);
    EXPECT_EQ(Caption(f).endsWith(" (S)"), p.suspendedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    RunningWindow, ResetRule,
    ::testing::Values(ResetCase{"RunningStaysRunning", false, false, false},
                      ResetCase{"SuspendedResumesWithoutActivateSuspended", false, true, false},
                      ResetCase{"SuspendedStaysSuspendedWithActivateSuspended", true, true, true},
                      ResetCase{"RunningEndsSuspendedWithActivateSuspended", true, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunningWindow, ResumeForOneRecordTakesExactlyOneRecord) {
    RunFixture f;
    f.config.ActivateSuspended = True;
    ASSERT_TRUE(f.Start());
    f.driver->Input = "first\rsecond\r";
    f.Window().ResumeOneAction()->trigger();
    EXPECT_FALSE(f.Run().Suspended);
    f.Tick();
    EXPECT_TRUE(f.Window().FieldBox(1)->text().startsWith("first"));
    EXPECT_TRUE(f.Run().Suspended) << "suspended again after one record";
    EXPECT_TRUE(f.Window().ResumeOneAction()->isVisible());
    f.Tick(3);
    EXPECT_EQ(f.Window().RecordNumberBox()->text(), "1") << "second record waits";
    f.Window().SuspendAction()->trigger();
    f.Tick();
    EXPECT_TRUE(f.Window().FieldBox(1)->text().startsWith("second"));
    EXPECT_EQ(f.Window().RecordNumberBox()->text(), "2");
}

TEST(RunningWindow, TimedOutputMenuNamesTheNextAction) {
    RunFixture f;
    f.config.TimerInterval = 1000;
    f.config.TimerFlags = TimerEnableOnStart | TimerActionString;
    ASSERT_TRUE(f.Start());
    QAction* t = f.Window().TimedOutputAction();
    EXPECT_TRUE(t->isVisible());
    EXPECT_EQ(t->text(), ui::Tx(3007));
    t->trigger();
    EXPECT_EQ(t->text(), ui::Tx(3008));
    EXPECT_EQ(f.Run().TimerState & 1, 0);
}

TEST(RunningWindow, TimedOutputMenuHiddenWithoutInterval) {
    RunFixture f;
    f.config.TimerFlags = TimerEnableOnStart | TimerActionString;
    ASSERT_TRUE(f.Start());
    EXPECT_FALSE(f.Window().TimedOutputAction()->isVisible());
}

void Release(QWidget* w, Qt::MouseButton button, QPoint at) {
    QTest::mousePress(w, button, {}, at);
    QTest::mouseRelease(w, button, {}, at);
}

TEST(RunningWindow, StringButtonsQueueTheirTextOnlyOnLeftReleaseInside) {
    RunFixture f;
    f.config.OutputStringCaption[2] = "Tare";
    f.config.OutputStringText[2] = std::string("T\0\r", 3);
    ASSERT_TRUE(f.Start());
    EXPECT_FALSE(f.Window().StringButton(1)->isVisible());
    PointerButton* b = f.Window().StringButton(2);
    ASSERT_TRUE(b->isVisible());
    EXPECT_EQ(b->text(), "Tare");

    QPoint inside = b->rect().center();
    Release(b, Qt::RightButton, inside);
    QTest::keyClick(b, Qt::Key_Space);
    // Pressed inside, released outside.
    QTest::mousePress(b, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(f.session->Port().PendingOutput, "");

    Release(b, Qt::LeftButton, inside);
    Release(b, Qt::LeftButton, inside);
    EXPECT_EQ(f.session->Port().PendingOutput, std::string("T\0\rT\0\r", 6));
    f.Tick();
    EXPECT_EQ(f.driver->Written, std::string("T\0\rT\0\r", 6)) << "both clicks in one write";
}

TEST(RunningWindow, StringButtonFocusDisablesCopyAndFieldFocusEnablesIt) {
    RunFixture f;
    f.config.OutputStringText[1] = "x";
    ASSERT_TRUE(f.Start());
    f.Window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Window()));
    f.Window().StringButton(1)->setFocus();
    EXPECT_FALSE(f.Window().EditCopyAction()->isEnabled());
    f.Window().FieldBox(1)->setFocus();
    EXPECT_TRUE(f.Window().EditCopyAction()->isEnabled());
}

TEST(RunningWindow, LineButtonsDriveDtrAndBreak) {
    RunFixture f;
    f.config.WindowButtons = 3;
    ASSERT_TRUE(f.Start());
    auto* dtr = f.Window().DtrButton();
    auto* brk = f.Window().BreakButton();
    ASSERT_TRUE(dtr->isVisible());
    ASSERT_TRUE(brk->isVisible());
    f.driver->Log.clear();
    Release(brk, Qt::LeftButton, brk->rect().center());
    EXPECT_TRUE(f.driver->Break);
    EXPECT_EQ(f.session->Port().BreakDtrState, 2);
    f.Tick(2);
    EXPECT_FALSE(f.driver->Break) << "the tick clears BREAK after two ticks";
    size_t before = f.driver->Log.size();
    Release(dtr, Qt::LeftButton, dtr->rect().center());
    bool sawDtr = false;
    for (size_t i = before; i < f.driver->Log.size(); ++i)
        sawDtr |= f.driver->Log[i].rfind("SetDtr", 0) == 0;
    EXPECT_TRUE(sawDtr);
}

TEST(RunningWindow, FieldBoxesIgnoreTypingButKeepNavigation) {
    RunFixture f;
    f.config.FieldCount = 3;
    f.config.RecordStructure = DelimitedFields;
    ASSERT_TRUE(f.Start());
    f.driver->Input = "12.5,OK,x\r";
    f.Tick();
    ReadOnlyBox* box = f.Window().FieldBox(1);
    box->setFocus();
    QTest::keyClicks(box, "abc");
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "12.5");
    QTest::keyClick(box, Qt::Key_Home);
    EXPECT_EQ(box->cursorPosition(), 0);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_EQ(box->cursorPosition(), 1);
}

TEST(RunningWindow, KeyFilterPassesOnlyNavigationKeys) {
    for (int key : {Qt::Key_Tab, Qt::Key_End, Qt::Key_Home, Qt::Key_Left, Qt::Key_Right, Qt::Key_F1,
                    Qt::Key_F4})
        EXPECT_TRUE(ReadOnlyBox::KeyPasses(key)) << key;
    for (int key : {Qt::Key_A, Qt::Key_Up, Qt::Key_Down, Qt::Key_Delete, Qt::Key_Backspace,
                    Qt::Key_Return, Qt::Key_F2, Qt::Key_Space})
        EXPECT_FALSE(ReadOnlyBox::KeyPasses(key)) << key;
}

TEST(RunningWindow, EditCopyPutsLinkAndTextOnTheClipboard) {
    RunFixture f;
    f.config.FieldCount = 2;
    f.config.RecordStructure = DelimitedFields;
    f.config.DDETopicName = "Scale";
    ASSERT_TRUE(f.Start());
    f.driver->Input = "7,kg\r";
    f.Tick();
    f.Window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Window()));
    f.Window().FieldBox(2)->setFocus();
    f.Window().EditCopyAction()->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data(kLinkMimeType), QByteArray("Portivox|Scale!Field(2)"));
    EXPECT_EQ(data->text().left(2), "kg");
}

TEST(RunningWindow, PastedLinkIsStoredAndEstablishedOnTheNextTick) {
    RunFixture f;
    ASSERT_TRUE(f.Start());
    QtDdeClipboard().SetLink("Sheet|Book1!R1C1", "12");
    f.Window().RefreshEditMenu();
    auto actions = f.Window().EditMenu()->actions();
    QAction* paste = nullptr;
    for (QAction* a : actions)
        if (a->text() == ui::Tx(9100)) paste = a;
    ASSERT_NE(paste, nullptr);
    ASSERT_TRUE(paste->isEnabled());
    paste->trigger();
    EXPECT_EQ(f.config.CmdLinkApp, "Sheet");
    EXPECT_EQ(f.config.CmdLinkTopic, "Book1");
    EXPECT_EQ(f.config.CmdLinkItem, "R1C1");
    EXPECT_TRUE(f.Run().DDEFieldPasteFlag);
    f.Tick();
    EXPECT_FALSE(f.Run().DDEFieldPasteFlag) << "the tick establishes the link";
}

TEST(RunningWindow, PasteDisabledWithoutLinkFormat) {
    RunFixture f;
    ASSERT_TRUE(f.Start());
    QGuiApplication::clipboard()->setText("Sheet|Book1!R1C1");
    f.Window().RefreshEditMenu();
    for (QAction* a : f.Window().EditMenu()->actions()) {
        if (a->text() == ui::Tx(9100) || a->text() == ui::Tx(9103)) {
            EXPECT_FALSE(a->isEnabled());
        }
    }
}

TEST(RunningWindow, ClosingStoresPositionPerPortAndFinishes) {
    RunFixture f;
    f.config.CommPort = 1;
    ASSERT_TRUE(f.Start());
    f.Window().move(300, 150);
    f.session->Quit();
    RunFixture::Settle();
    EXPECT_TRUE(f.finished);
    EXPECT_EQ(f.config.RunMode, NotRunning) << "Test mode ends with RunMode 0";
    EXPECT_FALSE(f.driver->Opened) << "port closed";
    EXPECT_FALSE(f.store.Get("Portivox - COM2/Settings", "MainLeft").empty());
    EXPECT_TRUE(f.store.Get("Portivox - COM1/Settings", "MainLeft").empty());
}

TEST(RunningWindow, ClosedWhileMinimizedKeepsThePreviousPosition) {
    RunFixture f;
    f.store.Set("Portivox - COM1/Settings", "MainLeft", "4321");
    f.store.Set("Portivox - COM1/Settings", "MainTop", "1234");
    ASSERT_TRUE(f.Start());
    f.Window().showMinimized();
    RunFixture::Settle();
    f.Window().move(10, 10);
    f.session->Quit();
    RunFixture::Settle();
    EXPECT_EQ(f.store.Get("Portivox - COM1/Settings", "MainLeft"), "4321");
    EXPECT_EQ(f.store.Get("Portivox - COM1/Settings", "MainTop"), "1234");
}

TEST(RunningWindow, NormalModeKeepsRunModeAfterClose) {
    RunFixture f;
    ASSERT_TRUE(f.Start(RunNormal));
    f.session->Quit();
    RunFixture::Settle();
    EXPECT_TRUE(f.finished);
    EXPECT_EQ(f.config.RunMode, RunNormal);
}

TEST(RunningWindow, FailedOpenShowsNothing) {
    RunFixture f;
    f.config.RunMode = RunTest;
    RunSession::Parts parts;
    auto d = std::make_unique<test::RecordingDriver>();
    d->FailOpen = true;
    parts.Driver = std::move(d);
    RunSession s(f.config, f.store, f.messages, std::move(parts));
    EXPECT_FALSE(s.OpenPort());
    EXPECT_EQ(s.Window(), nullptr);
    EXPECT_FALSE(s.IsRunning());
}

TEST(RunningWindow, AppExitClosesTheWindowAfterTwoTicks) {
    RunFixture f;
    ASSERT_TRUE(f.Start());
    f.Run().RequestExit();
    f.Tick();
    RunFixture::Settle();
    EXPECT_FALSE(f.finished);
    f.Tick();
    RunFixture::Settle();
    EXPECT_TRUE(f.finished);
}

} // namespace
} // namespace pv

namespace pv {
namespace {

TEST(VirtualDevice, TypedLineBecomesARecordAndOutputIsShown) {
    test::RunFixture f;
    f.config.AckString = "\x06";
    ASSERT_TRUE(f.Start(RunVirtual));
    VirtualDeviceWindow* device = f.session->VirtualWindow();
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(f.driver->Log.empty()) << "no port in Virtual Instrument mode";
    device->InputBox()->setText("12.5");
    device->SendButton()->click();
    f.Tick();
    EXPECT_TRUE(f.Window().FieldBox(1)->text().startsWith("12.5"));
    f.Tick();
    EXPECT_EQ(device->OutputBox()->toPlainText(), "\\x06") << "acknowledgement shown";
}

struct InputCase {
    const char* name;
    const char* typed;
    bool addCr;
    std::string bytes;
};

class VirtualInput : public ::testing::TestWithParam<InputCase> {};

TEST_P(VirtualInput, TypedTextToBytes) {
    const auto& p = GetParam();
    EXPECT_EQ(VirtualDeviceWindow::InputBytes(QString::fromUtf8(p.typed), p.addCr), p.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    VirtualDevice, VirtualInput,
    ::testing::Values(InputCase{"PlainWithCr", "ab", true, "ab\r"},
                      InputCase{"PlainWithoutCr", "ab", false, "ab"},
                      InputCase{"EscapesDecode", "\\x02x\\x03", false, "\x02x\x03"},
                      InputCase{"NulSurvives", "\\x00", false, std::string(1, '\0')},
                      InputCase{"BadEscapeKeptAsTyped", "a\\q", false, "a\\q"},
                      InputCase{"LatinOneByte", "\xC3\xA9", false, "\xE9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualDevice, ClosingTheDeviceWindowEndsTheRun) {
    test::RunFixture f;
    ASSERT_TRUE(f.Start(RunVirtual));
    f.session->VirtualWindow()->close();
    test::RunFixture::Settle();
    EXPECT_TRUE(f.finished);
    EXPECT_EQ(f.config.RunMode, NotRunning);
}

} // namespace
} // namespace pv
