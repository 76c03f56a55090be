// Which errors mean the device has gone (reopen it) and which are passing.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/posix/device_errors.h"

namespace {

using pv::DeviceFault;

TEST(DeviceLoss, ErrorNumbersAreClassified) {
    struct Row {
        const char* rule;
        int err;
        DeviceFault fault;
    };
    const Row rows[] = {
        {"a hang-up (pty master closed, adapter pulled) is a loss", EIO, DeviceFault::Lost},
        {"a device gone from behind its node is a loss", ENXIO, DeviceFault::Lost},
        {"a driver that let go of the device is a loss", ENODEV, DeviceFault::Lost},
        {"a node removed is a loss", ENOENT, DeviceFault::Lost},
        {"nothing waiting is passing", EAGAIN, DeviceFault::Transient},
        {"a signal during the call is passing", EINTR, DeviceFault::Transient},
        {"a short memory is passing", ENOMEM, DeviceFault::Transient},
        {"a busy device is passing", EBUSY, DeviceFault::Transient},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(pv::ClassifyDeviceError(row.err), row.fault);
    }
}

} // namespace
