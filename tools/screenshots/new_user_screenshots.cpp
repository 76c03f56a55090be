// What a new user sees first: the setup window's configuration summary, the
// running window's status line and Port Settings' device list, in English,
// German and Japanese. Draws only when PORTIVOX_SCREENSHOT_DIR is set.
#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "text/strings.h"
#include "ui/port_setup_dialog.h"
#include "ui/running_test_support.h"
#include "ui/setup_test_support.h"

namespace pv::test {
namespace {

QString Dir() {
    return QString::fromLocal8Bit(qgetenv("PORTIVOX_SCREENSHOT_DIR"));
}

// The window's caption drawn above its client area, as a window manager would.
void SaveFramed(QWidget* w, const QString& name) {
    QCoreApplication::processEvents();
    const QPixmap client = w->grab();
    const int bar = 26;
    QImage image(client.width() + 2, client.height() + bar + 1, QImage::Format_RGB32);
    image.fill(QColor(0x5a, 0x6e, 0x8c));
    QPainter p(&image);
    QFont f = w->font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(8, 0, image.width() - 16, bar), Qt::AlignVCenter, w->windowTitle());
    p.drawPixmap(1, bar, client);
    p.end();
    QDir().mkpath(Dir());
    ASSERT_TRUE(image.save(QDir(Dir()).filePath(name), "PNG")) << name.toStdString();
}

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
        SaveFramed(f.window, "setup_summary" + suffix + ".png");
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
        SaveFramed(&f.Window(), QString(suspended ? "running_status_suspended" : "running_status") +
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
        SaveFramed(&d, "port_devices" + suffix + ".png");
        d.hide();
        fs::remove_all(root);
    }
}

TEST(NewUserScreenshots, Capture) {
    if (Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    Capture(Language::English, QString());
    Capture(Language::German, QStringLiteral("_de"));
    Capture(Language::Japanese, QStringLiteral("_ja"));
    SetLanguage(Language::English);
}

} // namespace
} // namespace pv::test
