// Keystrokes never land in the program's own menus, dialogs or windows,
// on a real X server with a window manager (run_x11_tests.sh).
#include "ui/running_test_support.h"
#ifdef PV_KEY_WINDOW

#include "runtime/runtime.h"
// Xlib last: its macros clash with names of the tree.
#include "x11/x11_helpers.h"

namespace pv {
namespace {

// The test's own display connection is left open until the process ends.
struct X11Run : test::RunFixture {
    Display* dpy = QGuiApplication::platformName() == "xcb" ? XOpenDisplay(nullptr) : nullptr;
    std::unique_ptr<x11::X11Windows> windows;
    X11Run() {
        if (dpy) windows = std::make_unique<x11::X11Windows>(dpy);
        config.OutputMode = SendKeystrokes;
    }
    ~X11Run() {
        windows.reset();
        if (dpy) XCloseDisplay(dpy);
    }
    bool Active(QWidget& w) { return windows->IsActive(WindowId(w.window()->winId())); }
};

TEST(OwnWindowsX11, NamedTargetGetsTheRecordWhileTheRunningWindowsMenuIsOpen) {
    X11Run run;
    if (!run.windows) GTEST_SKIP() << "needs the xcb platform on an X server";
    test::TempDir dir;
    test::KeyWindow target(*run.windows, "Receiver", dir.File("typed"));
    run.config.KeyTargetTitle = "Receiver";
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.Active(run.Window()); }, 5000));
    run.Window().QuitMenu()->popup(run.Window().mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.Window().QuitMenu()->isVisible(); }, 5000));
    run.driver->Input = "S\r";
    run.Tick(2);
    EXPECT_EQ(target.Received("S\r"), "S\r");
    EXPECT_FALSE(run.Run().Suspended()) << "the record's S reached the menu";
}

TEST(OwnWindowsX11, FocusedWindowTargetTypesNothingIntoTheProgramsDialog) {
    X11Run run;
    if (!run.windows) GTEST_SKIP() << "needs the xcb platform on an X server";
    run.config.KeyTargetSpecified = False;
    ASSERT_TRUE(run.Start());
    QDialog dialog(&run.Window());
    auto* box = new QLineEdit(&dialog);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.Active(dialog) && box->hasFocus(); }, 5000));
    run.driver->Input = "ab\r";
    run.Tick(2);
    EXPECT_TRUE(run.Window().FieldBox(1)->text().startsWith("ab")) << "the record was taken";
    QApplication::processEvents();
    EXPECT_EQ(box->text(), "") << "the record was typed into the dialog";
}

} // namespace
} // namespace pv
#endif
