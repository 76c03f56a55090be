#pragma once
// Why a serial device could not be opened, in a sentence that says what to
// do about it: the second line of the "Device Not Available" message.
#include <string>

namespace pv {

/// The cause of a failed open of `device` with error number `err`
/// (ENOENT, EACCES, EBUSY, ENOTTY and the rest), naming the device.
std::string DescribeOpenError(const std::string& device, int err);

/// What an error number met on an open device means: Lost (the device went
/// away: hang-up, unplugged, its node removed) or Transient (try again).
enum class DeviceFault { Transient, Lost };
DeviceFault ClassifyDeviceError(int err);

/// The lines said when the device of port `port` ("COM1") at `device` was
/// lost with error number `err`, and when it is back.
std::string DescribeLoss(const std::string& port, const std::string& device, int err);
std::string DescribeReturn(const std::string& port, const std::string& device);

/// "name (process 1234)" of a process holding `device` open, found through
/// a lock file under /var/lock or the open files in /proc; "" if unknown.
/// `root` is prefixed to the paths looked at (tests).
std::string DeviceHolder(const std::string& device, const std::string& root = "");

} // namespace pv
