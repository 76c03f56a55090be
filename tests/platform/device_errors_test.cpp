// A device that cannot be opened is named with the cause and what to do.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "platform/posix/serial_driver.h"
#include "platform/pty_pair.h"
#include "text/strings.h"

namespace pv {
namespace {

struct OpenErrorRow {
    const char* rule;
    // Prepares the device; returns the path, or "" with `skip` set.
    std::function<std::string(test::PtyPair&, PosixSerialDriver&, std::string& skip)> device;
    std::vector<std::string> says;
};

TEST(DeviceErrors, FailedOpenNamesTheDeviceTheCauseAndTheRemedy) {
    SetLanguage(Language::English);
    const std::string scratch = ::testing::TempDir() + "/pv_not_a_tty";
    std::ofstream(scratch) << "x";
    const std::vector<OpenErrorRow> rows = {
        {"a missing device points to the device list",
         [](auto&, auto&, auto&) { return std::string("/dev/ttyUSB97-missing"); },
         {"/dev/ttyUSB97-missing does not exist", "portivox ports"}},
        {"a plain file is not a serial device",
         [&](auto&, auto&, auto&) { return scratch; },
         {scratch + " is not a serial device"}},
        {"a device held by another opener is busy and names the holder",
         [](test::PtyPair& pty, PosixSerialDriver& holder, auto&) {
             holder.Open(pty.path);
             return pty.path;
         },
         {" is busy", "(" + std::to_string(::getpid()) + ")"}},
        {"a device without permission gives the group command and the re-login",
         [](test::PtyPair& pty, auto&, std::string& skip) {
             if (::geteuid() == 0) skip = "root bypasses permission checks";
             ::chmod(pty.path.c_str(), 0);
             return pty.path;
         },
         {"permission denied", "sudo usermod -aG ", "log in again"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        test::PtyPair pty;
        PosixSerialDriver holder, driver;
        std::string skip;
        const std::string path = row.device(pty, holder, skip);
        if (!skip.empty()) {
            std::printf("skipped row '%s': %s\n", row.rule, skip.c_str());
            continue;
        }
        ASSERT_FALSE(driver.Open(path));
        for (const auto& part : row.says)
            EXPECT_NE(driver.WhyNotOpen().find(part), std::string::npos) << driver.WhyNotOpen();
    }
}

} // namespace
} // namespace pv
