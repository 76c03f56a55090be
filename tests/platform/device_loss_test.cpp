// Which errors mean the device has gone (reopen it) and which are passing.
#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "platform/posix/device_errors.h"

TEST(DeviceLoss, ErrorNumbersAreClassified) {
    using F = pv::DeviceFault;
    const std::tuple<const char*, int, F> rows[] = {
        {"a hang-up (pty master closed, adapter pulled) is a loss", EIO, F::Lost},
        {"a device gone from behind its node is a loss", ENXIO, F::Lost},
        {"a driver that let go of the device is a loss", ENODEV, F::Lost},
        {"a node removed is a loss", ENOENT, F::Lost},
        {"nothing waiting is passing", EAGAIN, F::Transient},
        {"a busy device is passing", EBUSY, F::Transient}};
    for (const auto& [rule, err, fault] : rows) {
        SCOPED_TRACE(rule);
        EXPECT_EQ(pv::ClassifyDeviceError(err), fault);
    }
}
