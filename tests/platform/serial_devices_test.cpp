#include "platform/posix/serial_devices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace pv {
namespace {

namespace fs = std::filesystem;

TEST(ListSerialDevices, StableNamesFirstNumbersNaturalUartsOnlyWithHardware) {
    fs::path root = fs::temp_directory_path() / ("pv_devs_" + std::to_string(getpid()));
    auto touch = [&](const std::string& rel) {
        fs::create_directories((root / rel).parent_path());
        std::ofstream(root / rel) << "";
    };
    for (const char* f :
         {"dev/ttyUSB10", "dev/ttyUSB2", "dev/ttyACM0", "dev/ttyS0", "dev/ttyS1", "dev/tty1",
          "dev/null", "dev/serial/by-id/usb-FTDI_A1-if00-port0", "sys/class/tty/ttyS1/device"})
        touch(f);

    EXPECT_EQ(ListSerialDevices(root.string()),
              (std::vector<std::string>{"/dev/serial/by-id/usb-FTDI_A1-if00-port0", "/dev/ttyUSB2",
                                        "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS1"}));
    fs::remove_all(root);
}

TEST(ListSerialDevices, MissingDirectoriesGiveAnEmptyList) {
    EXPECT_TRUE(ListSerialDevices("/nonexistent/pv-root").empty());
}

} // namespace
} // namespace pv
