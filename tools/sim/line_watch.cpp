// The kernel's termios2 cannot share a file with glibc's <termios.h>.
#include "line_watch.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace pv::sim {

namespace {

unsigned RateOf(const termios2& t) {
    static constexpr struct {
        unsigned code, rate;
    } kRates[] = {{B110, 110},     {B300, 300},     {B600, 600},       {B1200, 1200},
                  {B2400, 2400},   {B4800, 4800},   {B9600, 9600},     {B19200, 19200},
                  {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    unsigned code = t.c_cflag & CBAUD;
    for (const auto& r : kRates)
        if (r.code == code) return r.rate;
    return t.c_ospeed;
}

} // namespace

bool ReadLineView(int fd, LineView& out) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    out.baud = RateOf(t);
    out.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    out.xonXoff = (t.c_iflag & IXOFF) != 0;
    out.hardware = (t.c_cflag & CRTSCTS) != 0;
    return true;
}

bool SetLineSpeed(int fd, unsigned baud) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER;
    t.c_ispeed = t.c_ospeed = baud;
    return ::ioctl(fd, TCSETS2, &t) == 0;
}

std::string Describe(const LineView& view) {
    std::string s = std::to_string(view.baud) + " baud, " + (view.twoStopBits ? "2" : "1") +
                    " stop bit" + (view.twoStopBits ? "s" : "") + ", flow control ";
    if (view.hardware)
        s += "RTS/CTS";
    else if (view.xonXoff)
        s += "XON/XOFF";
    else
        s += "none";
    return s;
}

} // namespace pv::sim
