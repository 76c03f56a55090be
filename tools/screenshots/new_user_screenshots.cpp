// What a new user sees first: the setup window's configuration summary, the
// running window's status line and Port Settings' device list, in English,
// German and Japanese. Draws only when PORTIVOX_SCREENSHOT_DIR is set.
#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "framing.h"
#include "text/strings.h"
#include "ui/port_setup_dialog.h"
#include "ui/running_test_support.h"
#include "ui/setup_test_support.h"

namespace pv::test {
namespace {

void SetSampleLine(Config& c) {
    c.BaudRate = 6; // 9600 7-O-1
    c.DataBits = DataBits7;
    c.Parity = ParityOdd;
    c.KeyTargetTitle = "Receiver";
    c.KeyTargetSpecified = True;
    c.RecordStructure = DelimitedFields;
    c.FieldCount = 3;
}

void Capture(Language language, const QString& suffix) {
    SetLanguage(language);
    {
        SetupFixture f;
        f.store.Set("Ports", "COM1", "/dev/ttyUSB0");
        SetSampleLine(f.config);
        f.window->show();
        shots::SaveGrab(f.window, "setup_summary" + suffix + ".png");
        f.window->hide();
    }
    for (bool suspended : {false, true}) {
        RunFixture f;
        SetSampleLine(f.config);
        f.config.OutputMode = LogToDisk;
        f.config.LogFileName = ::testing::TempDir() + "/shots.log";
        ASSERT_TRUE(f.Start(RunTest));
        f.Window().SetStatusDevice("/dev/ttyUSB0");
        f.driver->Input = "ST,GS,12.5\rST,GS,12.6\r";
        f.Tick(2);
        if (suspended) f.Run().ToggleSuspend();
        RunFixture::Settle();
        shots::SaveGrab(&f.Window(),
                        QString(suspended ? "running_status_suspended" : "running_status") +
                            suffix + ".png");
        f.session->Quit();
        RunFixture::Settle();
    }
    {
        namespace fs = std::filesystem;
        const fs::path root = fs::path(::testing::TempDir()) / "pv-shot-devices";
        fs::create_directories(root / "dev/serial/by-id");
        for (const char* name : {"dev/ttyUSB0", "dev/ttyACM0",
                                 "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"})
            std::ofstream(root / name);
        SetupFixture f;
        f.store.Set("Ports", "COM1", "/dev/ttyUSB0");
        ui::PortSetupDialog d(f.config, f.store, f.messages);
        d.SetDeviceRoot(root.string());
        d.Fill();
        d.show();
        shots::SaveGrab(&d, "port_devices" + suffix + ".png");
        d.hide();
        fs::remove_all(root);
    }
}

TEST(NewUserScreenshots, Capture) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    Capture(Language::English, QString());
    Capture(Language::German, QStringLiteral("_de"));
    Capture(Language::Japanese, QStringLiteral("_ja"));
    SetLanguage(Language::English);
}

} // namespace
} // namespace pv::test
