#pragma once
// A pseudo-terminal pair for driving the serial driver as a real device:
// the driver opens `path` (the slave); the test plays the instrument on
// `master`.
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace pv::test {

class PtyPair {
  public:
    PtyPair() {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
        path = name;
        // The slave starts cooked and echoing; bytes written by the test
        // before the driver configures it must not come back.
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master >= 0 && slave >= 0; }

    /// Plays the instrument: writes everything to the master side.
    void Send(const std::string& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else {
                pollfd writable{master, POLLOUT, 0};
                ::poll(&writable, 1, 100); // until the driver has read some
            }
        }
    }

    /// What the driver wrote, collected until `count` bytes arrived or
    /// `timeoutMs` passed.
    std::string Receive(size_t count, int timeoutMs = 2000) const {
        std::string got;
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        char buffer[4096];
        while (got.size() < count && std::chrono::steady_clock::now() < until) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

    /// Waits until the slave side has input to read.
    bool SlaveReadable(int timeoutMs = 2000) const {
        pollfd p{slave, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) > 0;
    }

    int master = -1;
    int slave = -1;
    std::string path;
};

} // namespace pv::test
