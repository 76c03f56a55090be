// The running window while its device is lost. Draws only when
// PORTIVOX_SCREENSHOT_DIR is set.
#include <gtest/gtest.h>

#include "framing.h"
#include "platform/posix/device_errors.h"
#include "platform/qt/run_assembly.h"
#include "ui/running_test_support.h"

namespace pv::test {
namespace {

TEST(DeviceLossScreenshots, Capture) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    const std::string device = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    RunFixture f;
    f.config.RecordStructure = DelimitedFields;
    f.config.FieldCount = 3;
    f.config.OutputMode = LogToDisk;
    f.config.LogFileName = ::testing::TempDir() + "/shots.log";
    ASSERT_TRUE(f.Start(RunNormal));
    f.Window().SetStatusDevice(device);
    f.driver->Input = "ST,GS,12.5\rST,GS,12.6\r";
    f.Tick(2);
    emit f.session->Assembly().deviceChanged(true, DescribeLoss("COM1", device, EIO));
    RunFixture::Settle();
    shots::SaveGrab(&f.Window(), "running_device_lost.png");
    f.session->Quit();
    RunFixture::Settle();
}

} // namespace
} // namespace pv::test
