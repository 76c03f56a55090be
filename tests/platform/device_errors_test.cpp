// A device that cannot be opened is named with the cause and what to do.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/posix/serial_driver.h"
#include "platform/pty_pair.h"
#include "text/strings.h"

namespace pv {
namespace {

TEST(DeviceErrors, FailedOpenNamesTheDeviceTheCauseAndTheRemedy) {
    SetLanguage(Language::English);
    const std::string file = ::testing::TempDir() + "/pv_not_a_tty";
    std::ofstream(file) << "x";
    enum Setup { Missing, PlainFile, Held, NoPermission };
    const struct {
        Setup setup;
        std::vector<std::string> says;
    } rows[] = {
        {Missing, {"/dev/ttyUSB97 does not exist", "portivox ports"}},
        {PlainFile, {file + " is not a serial device"}},
        {Held, {" is busy", "(" + std::to_string(::getpid()) + ")"}},
        {NoPermission, {"permission denied", "sudo usermod -aG ", "log in again"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.says[0]);
        test::PtyPair pty;
        PosixSerialDriver holder, driver;
        const std::string path = row.setup == Missing     ? "/dev/ttyUSB97"
                                 : row.setup == PlainFile ? file
                                                          : pty.path;
        if (row.setup == Held) holder.Open(path);
        if (row.setup == NoPermission) {
            if (::geteuid() == 0) {
                std::printf("row skipped: root bypasses permission checks\n");
                continue;
            }
            ::chmod(path.c_str(), 0);
        }
        ASSERT_FALSE(driver.Open(path));
        EXPECT_EQ(driver.Write("x", 1), -1) << "a driver that did not open takes nothing";
        for (const auto& part : row.says)
            EXPECT_NE(driver.WhyNotOpen().find(part), std::string::npos) << driver.WhyNotOpen();
    }
}

} // namespace
} // namespace pv
