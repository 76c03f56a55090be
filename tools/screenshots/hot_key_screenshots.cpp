// Pictures of the output string editor and the hot key dialog, and a pair of
// whole-screen pictures of a hot key sending its string while another
// program has the focus. The dialogs draw on the offscreen platform; the
// pair needs an X server with a window manager:
//   QT_QPA_PLATFORM=xcb PORTIVOX_SCREENSHOT_DIR=docs/screenshots
//     tests/x11/run_x11_tests.sh build/tools/screenshots/portivox-screenshots
//     --gtest_filter='HotKeyScreenshots.FocusPair'
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

#include "framing.h"
#include "hotkeys/hot_keys.h"
#include "platform/x11/x11_desktop.h"
#include "ui/hot_key_dialog.h"
#include "ui/raw_text_edit.h"
#include "ui/running_test_support.h"
#include "ui/send_string_dialog.h"
#include "ui/virtual_device.h"

namespace pv {
namespace {

TEST(HotKeyScreenshots, Dialogs) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    test::EnsureApp();
    Config config;
    testing::RecordingMessages messages;
    config.OutputStringText[1] = "T\r\n";
    config.OutputStringCaption[1] = "Tare";
    config.OutputStringText[2] = "P\r\n";
    config.OutputStringCaption[2] = "Print";
    config.AckString = std::string("\x06", 1);
    config.TimerString = "W\r\n";
    config.TimerInterval = 5000;
    config.TimerFlags = 1 + 2;
    ui::SendStringDialog strings(config, messages);
    strings.Fill();
    shots::SaveWidget(&strings, "setup_output_strings.png");

    config.HotKeyCode[0] = 2 * 256 + 116; // CTRL+F5
    config.HotKeyAction[0] = HkTransmitString;
    config.HotKeyString[0] = "P\r\n";
    config.HotKeyCode[1] = 3 * 256 + 118; // SHIFT+CTRL+F7
    config.HotKeyAction[1] = HkSuspend;
    config.HotKeyCode[2] = 6 * 256 + 'T'; // CTRL+ALT+T, often the desktop's terminal key
    config.HotKeyAction[2] = HkBreak;
    TakenHotKeys() = {config.HotKeyCode[2]};
    ui::HotKeyDialog keys(config);
    keys.Fill();
    keys.show();
    keys.StringBox()->setFocus();
    QCoreApplication::processEvents();
    shots::SaveWidget(&keys, "setup_hot_keys.png");
    TakenHotKeys().clear();
}

// Runs the event loop until `done` holds (at most a few seconds).
bool Until(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < end)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(HotKeyScreenshots, FocusPair) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    test::EnsureApp();
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
    std::string why;
    auto desktop = x11::Desktop::Open(nullptr, why);
    ASSERT_TRUE(desktop) << why;

    test::RunFixture f;
    f.config.HotKeyCode[0] = 2 * 256 + 116; // CTRL+F5
    f.config.HotKeyAction[0] = HkTransmitString;
    f.config.HotKeyString[0] = "P\r\n";
    f.config.OutputMode = LogToDisk;
    f.config.LogFileName = ::testing::TempDir() + "/focus.log";
    ASSERT_TRUE(f.Start(RunVirtual));
    f.Window().move(40, 40);
    VirtualDeviceWindow* device = f.session->VirtualWindow();
    device->move(40, 260);

    QPlainTextEdit editor;
    editor.setWindowTitle(QStringLiteral("Notes - Text Editor"));
    editor.setPlainText(QStringLiteral("Batch 17 weighed:\n"));
    editor.resize(420, 300);
    editor.move(560, 60);
    editor.show();
    editor.moveCursor(QTextCursor::End);
    ASSERT_TRUE(Until([&] {
        desktop->Windows().Activate(static_cast<WindowId>(editor.winId()));
        return editor.isActiveWindow();
    }));
    const QRect area(0, 0, 1010, 590);
    auto shoot = [&](const char* name) {
        // Let the window manager draw its frames.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        ASSERT_TRUE(screen.copy(area).save(shots::Dir() + "/" + name));
    };
    shoot("hotkey_before.png");

    desktop->Keys().KeyEvent(17, true);
    desktop->Keys().KeyEvent(116, true);
    desktop->Keys().KeyEvent(116, false);
    desktop->Keys().KeyEvent(17, false);
    ASSERT_TRUE(Until([&] {
        f.Tick();
        return device->Buffer()->toPlainText().contains('P');
    }));
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("Batch 17 weighed:\n"));
    EXPECT_TRUE(editor.isActiveWindow());
    shoot("hotkey_after.png");
    f.session->Quit();
    test::RunFixture::Settle();
}

} // namespace
} // namespace pv
