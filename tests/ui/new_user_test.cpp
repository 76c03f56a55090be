// What a new user sees first: the devices that exist in Port Settings.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "fakes/recording_messages.h"
#include "ui/port_setup_dialog.h"
#include "ui/running_test_support.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(PortDevices, ListedByIdFirstRefreshedWhilePluggedAndChosenForTheSelectedCom) {
    test::EnsureApp();
    const fs::path root = fs::path(::testing::TempDir()) / ("pv-devs-" + std::to_string(getpid()));
    fs::create_directories(root / "dev/serial/by-id");
    std::ofstream(root / "dev/ttyUSB0");
    std::ofstream(root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5-if00-port0");
    Config config;
    config.CommPort = 1;
    MemorySettingsStore store;
    store.Set("Ports", "COM2", "/dev/pts/1");
    testing::RecordingMessages messages;
    ui::PortSetupDialog d(config, store, messages);
    d.SetDeviceRoot(root.string());
    d.Fill();
    d.show();
    EXPECT_EQ(d.Device()->text(), "/dev/pts/1") << "opens on the device COM2 maps to now";
    QComboBox* choice = d.DeviceChoice();
    ASSERT_EQ(choice->count(), 2);
    EXPECT_TRUE(choice->itemText(0).endsWith("(FTDI FT232R USB UART A5)"));
    EXPECT_EQ(choice->itemData(1).toString(), "/dev/ttyUSB0");

    std::ofstream(root / "dev/ttyACM0");
    EXPECT_TRUE(WaitUntil([&] { return choice->count() == 3; })) << "a plugged adapter shows up";
    fs::remove(root / "dev/ttyUSB0");
    EXPECT_TRUE(WaitUntil([&] { return choice->findData("/dev/ttyUSB0") < 0; }))
        << "an unplugged adapter goes";

    emit choice->activated(choice->findData("/dev/ttyACM0"));
    d.Ok();
    EXPECT_EQ(store.Get("Ports", "COM2"), "/dev/ttyACM0");
    fs::remove_all(root);
}

} // namespace
} // namespace pv
