#include "line_probe.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace pv::test {

bool ProbeLine(int fd, LineProbe& out) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    out.iflag = t.c_iflag;
    out.oflag = t.c_oflag;
    out.cflag = t.c_cflag;
    out.lflag = t.c_lflag;
    out.ospeed = t.c_ospeed;
    out.customRate = (t.c_cflag & CBAUD) == BOTHER;
    out.vmin = t.c_cc[VMIN];
    out.vtime = t.c_cc[VTIME];
    return true;
}

} // namespace pv::test
