#pragma once
// Reads a tty's line settings through termios2, independently of the
// driver under test (the kernel header cannot share a file with <termios.h>).

namespace pv::test {

struct LineProbe {
    unsigned iflag = 0;
    unsigned oflag = 0;
    unsigned cflag = 0;
    unsigned lflag = 0;
    unsigned ospeed = 0;
    bool customRate = false; // BOTHER: a rate without a Bnnn constant
    unsigned char vmin = 0;
    unsigned char vtime = 0;
};

bool ProbeLine(int fd, LineProbe& out);

} // namespace pv::test
