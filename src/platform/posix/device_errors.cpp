#include "platform/posix/device_errors.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

namespace fs = std::filesystem;

namespace {

std::string Fill(int number, const std::string& a, const std::string& b = {}) {
    std::string s = Text(number);
    for (auto [key, value] : {std::pair{"%1", &a}, std::pair{"%2", &b}})
        for (size_t at = s.find(key); at != std::string::npos; at = s.find(key, at + value->size()))
            s.replace(at, 2, *value);
    return s;
}

std::string ProcessName(const std::string& root, const std::string& pid) {
    std::ifstream in(root + "/proc/" + pid + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "?" : name;
}

std::string Holder(const std::string& root, const std::string& pid) {
    return ProcessName(root, pid) + " (" + pid + ")";
}

bool IsNumber(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::string DeviceHolder(const std::string& device, const std::string& root) {
    std::error_code ec;
    // UUCP-style lock files hold the owner's process id as text.
    const std::string base = fs::path(device).filename().string();
    for (const char* dir : {"/var/lock/", "/run/lock/"}) {
        std::ifstream lock(root + dir + "LCK.." + base);
        std::string pid;
        if (lock >> pid && IsNumber(pid) && fs::exists(root + "/proc/" + pid, ec))
            return Holder(root, pid);
    }
    const fs::path real = fs::weakly_canonical(root + device, ec);
    for (fs::directory_iterator p(root + "/proc", ec), end; !ec && p != end; p.increment(ec)) {
        const std::string pid = p->path().filename().string();
        if (!IsNumber(pid)) continue;
        std::error_code fdErr;
        for (fs::directory_iterator f(p->path() / "fd", fdErr), fend; !fdErr && f != fend;
             f.increment(fdErr)) {
            std::error_code linkErr;
            fs::path target = fs::read_symlink(f->path(), linkErr);
            if (!linkErr && target == real) return Holder(root, pid);
        }
    }
    return {};
}

std::string DescribeOpenError(const std::string& device, int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return Fill(txt::DeviceMissing, device);
    case EACCES:
    case EPERM: {
        struct stat st {};
        std::string owner = "dialout";
        if (::stat(device.c_str(), &st) == 0)
            if (const struct group* g = ::getgrgid(st.st_gid); g && g->gr_name && st.st_gid != 0)
                owner = g->gr_name;
        return Fill(txt::DevicePermissionDenied, device, owner);
    }
    case EBUSY:
    case EWOULDBLOCK: {
        std::string who = DeviceHolder(device);
        return who.empty() ? Fill(txt::DeviceBusy, device) : Fill(txt::DeviceBusyBy, device, who);
    }
    case ENOTTY: return Fill(txt::DeviceNotSerial, device);
    default: return Fill(txt::DeviceOtherError, device, std::strerror(err));
    }
}

DeviceFault ClassifyDeviceError(int err) {
    switch (err) {
    case EIO:    // a hang-up: a pty's other side closed, an adapter pulled
    case ENXIO:  // the device behind the node is gone
    case ENODEV: // the driver let go of it
    case ENOENT: // the node itself is gone
    case EBADF:
    case EPIPE: return DeviceFault::Lost;
    default: return DeviceFault::Transient; // EAGAIN, EINTR, ENOMEM, ...
    }
}

std::string DescribeLoss(const std::string& port, const std::string& device, int err) {
    std::string cause = err == EIO      ? Text(txt::DeviceHungUp)
                        : err == ENOENT ? Text(txt::DeviceNodeGone)
                                        : std::string(std::strerror(err));
    return Fill(txt::DeviceLostLine, port + ": " + device, cause);
}

std::string DescribeReturn(const std::string& port, const std::string& device) {
    return Fill(txt::DeviceBackLine, port + ": " + device);
}

} // namespace pv
