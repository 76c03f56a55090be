// termios2 (for arbitrary rates) lives in the kernel headers, which clash
// with glibc's <termios.h>; this file therefore uses only the former.
#include "platform/posix/serial_driver.h"

#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>

#include "platform/posix/device_errors.h"
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace pv {

namespace {

struct RateCode {
    int32_t rate;
    unsigned code;
};

constexpr RateCode kRates[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

unsigned CodeOfRate(int32_t rate) {
    for (const auto& r : kRates)
        if (r.rate == rate) return r.code;
    return BOTHER;
}

int32_t RateOfCode(unsigned code, unsigned speed) {
    for (const auto& r : kRates)
        if (r.code == code) return r.rate;
    return static_cast<int32_t>(speed);
}

bool Valid(const LineSettings& s) {
    return s.Baud > 0 && s.DataBits >= 5 && s.DataBits <= 8 && s.Parity >= 0 && s.Parity <= 4 &&
           s.StopBits >= 0 && s.StopBits <= 2 && s.FlowControl >= 0 && s.FlowControl <= 3;
}

bool GetTermios(int fd, termios2& t) {
    return ::ioctl(fd, TCGETS2, &t) == 0;
}

// The flags whose loss means the device could not do what was asked.
constexpr unsigned kCheckedCflags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
// A pseudo-terminal always reports 8 data bits without parity, whatever it is
// told; it carries bytes, not frames, so it is not a refusal.
constexpr unsigned kPtyForcedCflags = CSIZE | PARENB;

bool IsPtyDevice(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    unsigned m = major(st.st_rdev);
    return (m >= 136 && m <= 143) || m == 3; // Unix98 and legacy slaves
}

} // namespace

PosixSerialDriver::~PosixSerialDriver() {
    Close();
}

bool PosixSerialDriver::Open(const std::string& device) {
    Close();
    why_.clear();
    auto fail = [&](int fd, int err) {
        if (fd >= 0) ::close(fd);
        why_ = DescribeOpenError(device, err);
        return false;
    };
    if (device.empty()) return fail(-1, ENOENT);
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(fd, errno);
    if (!::isatty(fd)) return fail(fd, ENOTTY);
    // TIOCEXCL does not stop a privileged opener; the lock covers that case
    // for programs that take it too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(fd, EBUSY);
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    path_ = device;
    struct stat st {};
    rdev_ = ::fstat(fd, &st) == 0 ? st.st_rdev : 0;
    lost_ = 0;
    pty_ = IsPtyDevice(fd);
    applied_ = LineSettings{};
    haveApplied_ = false;
    bufferPos_ = bufferLen_ = 0;
    return true;
}

void PosixSerialDriver::SetQueueSizes(int32_t input, int32_t output) {
    inputQueue_ = input;
    outputQueue_ = output;
}

bool PosixSerialDriver::SetTimeouts() {
    if (fd_ < 0) return false;
    termios2 t{};
    if (!GetTermios(fd_, t)) return false;
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return ::ioctl(fd_, TCSETS2, &t) == 0;
}

bool PosixSerialDriver::GetState(LineSettings& out) {
    if (fd_ < 0) return false;
    termios2 t{};
    if (!GetTermios(fd_, t)) return false;
    out.Baud = RateOfCode(t.c_cflag & CBAUD, t.c_ospeed);
    if (pty_ && haveApplied_) {
        t.c_cflag &= ~kPtyForcedCflags;
        t.c_cflag |= lastCflag_ & kPtyForcedCflags;
    }
    switch (t.c_cflag & CSIZE) {
    case CS5: out.DataBits = 5; break;
    case CS6: out.DataBits = 6; break;
    case CS7: out.DataBits = 7; break;
    default: out.DataBits = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        out.Parity = 0;
    else if (t.c_cflag & CMSPAR)
        out.Parity = (t.c_cflag & PARODD) ? 3 : 4;
    else
        out.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    if (t.c_cflag & CSTOPB)
        out.StopBits = applied_.StopBits == 1 ? 1 : 2;
    else
        out.StopBits = 0;
    if (t.c_cflag & CRTSCTS)
        out.FlowControl = 2;
    else if (t.c_iflag & IXON)
        out.FlowControl = 1;
    else
        out.FlowControl = applied_.FlowControl == 3 ? 3 : 0;
    return true;
}

bool PosixSerialDriver::SetState(const LineSettings& in) {
    if (fd_ < 0 || !Valid(in)) return false;
    termios2 t{};
    if (!GetTermios(fd_, t)) return false;

    // Raw: no translation, no echo, no signals, every byte as it comes.
    // BREAKs from the device are not data and are dropped.
    t.c_iflag &= ~(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXOFF | IXANY |
                   INPCK | IMAXBEL);
    t.c_iflag |= IGNBRK;
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    t.c_cflag &=
        ~(CBAUD | (CBAUD << IBSHIFT) | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL;
    unsigned code = CodeOfRate(in.Baud);
    t.c_cflag |= code; // input speed follows output speed (CIBAUD = 0)
    t.c_ispeed = t.c_ospeed = static_cast<speed_t>(in.Baud);

    static constexpr unsigned kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[in.DataBits - 5];
    switch (in.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (in.StopBits != 0) t.c_cflag |= CSTOPB;
    if (in.FlowControl == 1) t.c_iflag |= IXON | IXOFF;
    if (in.FlowControl == 2) t.c_cflag |= CRTSCTS;

    if (::ioctl(fd_, TCSETS2, &t) != 0) return false;
    termios2 check{};
    if (!GetTermios(fd_, check)) return false;
    unsigned checked = kCheckedCflags & ~(pty_ ? kPtyForcedCflags : 0u);
    if ((check.c_cflag & checked) != (t.c_cflag & checked)) return false;

    applied_ = in;
    haveApplied_ = true;
    lastCflag_ = t.c_cflag;
    SetDtr(true);
    SetRts(in.FlowControl != 3);
    return true;
}

int PosixSerialDriver::Read(unsigned char* buffer, int size) {
    if (fd_ < 0 || size <= 0) return 0;
    if (bufferPos_ == bufferLen_) {
        ssize_t n;
        do {
            n = ::read(fd_, buffer_.data(), buffer_.size());
        } while (n < 0 && errno == EINTR);
        if (n < 0) NoteError(errno);
        if (n <= 0) return 0; // nothing waiting, hang-up or error
        bufferPos_ = 0;
        bufferLen_ = static_cast<int>(n);
    }
    int n = std::min(size, bufferLen_ - bufferPos_);
    std::memcpy(buffer, buffer_.data() + bufferPos_, static_cast<size_t>(n));
    bufferPos_ += n;
    return n;
}

int PosixSerialDriver::Write(const char* data, int size) {
    if (fd_ < 0) return -1;
    if (size <= 0) return 0;
    ssize_t n;
    do {
        n = ::write(fd_, data, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0) NoteError(errno);
    if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    return static_cast<int>(n);
}

void PosixSerialDriver::NoteError(int err) {
    if (!lost_ && ClassifyDeviceError(err) == DeviceFault::Lost) lost_ = err;
}

int PosixSerialDriver::Lost() {
    if (fd_ < 0 || lost_) return lost_;
    // A hung-up tty reads as empty: only poll tells it from an idle one.
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return lost_ = EIO;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0)
        NoteError(errno);
    else if (st.st_rdev != rdev_)
        lost_ = ENOENT; // the name now leads to another device
    return lost_;
}

void PosixSerialDriver::ModemLine(int bit, bool on) {
    if (fd_ < 0) return;
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit);
}

void PosixSerialDriver::SetDtr(bool on) {
    ModemLine(TIOCM_DTR, on);
}

void PosixSerialDriver::SetRts(bool on) {
    ModemLine(TIOCM_RTS, on);
}

void PosixSerialDriver::SetBreak(bool on) {
    if (fd_ >= 0) ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK);
}

void PosixSerialDriver::Purge() {
    bufferPos_ = bufferLen_ = 0;
    if (fd_ >= 0) ::ioctl(fd_, TCFLSH, TCIOFLUSH);
}

void PosixSerialDriver::Close() {
    if (fd_ < 0) return;
    // The exclusive flag outlives this descriptor when someone else keeps
    // the device open (a pty's other side); give it back.
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    bufferPos_ = bufferLen_ = 0;
}

} // namespace pv
