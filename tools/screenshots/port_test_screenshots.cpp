// Pictures of the port test terminal in both roles for docs/port-test.md:
// the port test on data from a recording driver (text and hex view) and the
// virtual device of a Virtual Instrument run. Draws only when
// PORTIVOX_SCREENSHOT_DIR names the directory to write to.
#include <QCheckBox>
#include <QPixmap>
#include <gtest/gtest.h>

#include "framing.h"
#include "ui/port_test_window.h"
#include "ui/raw_text_edit.h"
#include "ui/running_test_support.h"

namespace pv {
namespace {

void Save(QWidget& w, const char* name) {
    w.show();
    test::RunFixture::Settle();
    const QString path = shots::Dir() + "/" + name + ".png";
    ASSERT_TRUE(w.grab().save(path)) << path.toStdString();
}

TEST(PortTestScreenshots, PortTestTextAndHex) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    test::EnsureApp();
    Config config;
    MemorySettingsStore store;
    testing::RecordingMessages messages;
    auto driver = std::make_unique<testing::RecordingDriver>();
    auto* d = driver.get();
    auto clock = std::make_unique<testing::FakeClock>();
    auto* c = clock.get();
    ui::PortTestWindow w(config, store, messages, std::move(driver), std::move(clock));
    ASSERT_TRUE(w.OpenPort("/dev/ttyS0"));
    for (const char* burst :
         {"ST,GS,+0012.345 g\r\n", "ST,GS,+0012.350 g\r\n", "US,GS,+0009.870 g\r\n"}) {
        d->Input = burst;
        c->Ticks += 50;
        w.Tick();
        c->Ticks += 400;
        c->Time.Second += 1;
    }
    w.Tick(); // the counters follow on the next tick
    w.OutputBuffer()->SetRaw("P\r\n");
    Save(w, "port_test_text");
    w.HexViewBox()->setChecked(true);
    Save(w, "port_test_hex");
    w.close();
}

TEST(PortTestScreenshots, VirtualDevice) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    test::RunFixture f;
    f.config.AckString = "ACK\r\n";
    f.config.RecordStructure = DelimitedFields;
    f.config.FieldCount = 2;
    f.config.OutputMode = LogToDisk;
    f.config.LogFileName = ::testing::TempDir() + "/shots.log";
    ASSERT_TRUE(f.Start(RunVirtual));
    VirtualDeviceWindow* device = f.session->VirtualWindow();
    ASSERT_NE(device, nullptr);
    for (const char* record : {"12.5,g\r", "13.0,g\r"}) {
        device->OutputBuffer()->SetRaw(record);
        device->Send();
        f.Tick(2);
    }
    Save(*device, "virtual_device");
    f.session->Quit();
    test::RunFixture::Settle();
}

} // namespace
} // namespace pv
