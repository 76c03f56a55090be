// portivox-sim: plays a serial instrument on a pseudo-terminal. The first
// line on stdout is the device to open; everything else goes to stderr.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "line_watch.h"
#include "records.h"
#include "text/escape.h"

namespace {

using Clock = std::chrono::steady_clock;
using pv::sim::LineView;
using pv::sim::Profile;

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) {
    gStop = 1;
}

struct Options {
    Profile profile = Profile::Balance;
    long intervalMs = 1000;
    long count = 0; // 0: until stopped
    long lingerMs = 2000;
    unsigned baud = 9600;
    unsigned seed = 1;
    bool verbose = false;
    std::string link;
};

const char kUsage[] =
    "usage: portivox-sim [--profile balance|scanner|meter] [--interval MS] [--count N]\n"
    "                    [--link PATH] [--baud RATE] [--seed N] [--linger MS] [--verbose]\n"
    "Plays an instrument on a pseudo-terminal; prints the device path to open first.\n";

bool ParseNumber(const char* text, long min, long& out) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < min) return false;
    out = v;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--verbose" || arg == "-v") {
            o.verbose = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") return false;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "portivox-sim: %s needs a value\n", arg.c_str());
            return false;
        }
        const char* value = argv[++i];
        long n = 0;
        bool ok = true;
        if (arg == "--profile")
            ok = pv::sim::ParseProfile(value, o.profile);
        else if (arg == "--interval")
            ok = ParseNumber(value, 0, o.intervalMs);
        else if (arg == "--count")
            ok = ParseNumber(value, 0, o.count);
        else if (arg == "--linger")
            ok = ParseNumber(value, 0, o.lingerMs);
        else if (arg == "--link")
            o.link = value;
        else if (arg == "--baud") {
            ok = ParseNumber(value, 1, n) && n <= 4000000;
            o.baud = static_cast<unsigned>(n);
        } else if (arg == "--seed") {
            ok = ParseNumber(value, 0, n);
            o.seed = static_cast<unsigned>(n);
        } else {
            std::fprintf(stderr, "portivox-sim: unknown option %s\n", arg.c_str());
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "portivox-sim: bad value for %s: %s\n", arg.c_str(), value);
            return false;
        }
    }
    return true;
}

void Note(const std::string& text) {
    std::fprintf(stderr, "# %s\n", text.c_str());
}

// A replaced symlink is fine; anything else at PATH is the user's file.
bool MakeLink(const std::string& path, const std::string& target) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "portivox-sim: %s exists and is not a symlink\n", path.c_str());
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::symlink(target.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "portivox-sim: cannot link %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

void RemoveLink(const std::string& path, const std::string& target) {
    char buffer[4096];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n > 0 && std::string(buffer, static_cast<size_t>(n)) == target) ::unlink(path.c_str());
}

class Instrument {
  public:
    Instrument(const Options& o, int master)
        : o_(o), master_(master), records_(o.profile, o.seed) {}

    int Run() {
        auto nextRecord = Clock::now();
        Clock::time_point lingerUntil{};
        bool lingering = false;
        while (!gStop) {
            pollfd p{master_, POLLIN, 0};
            if (!out_.empty()) p.events |= POLLOUT;
            ::poll(&p, 1, 20);
            bool connected = !(p.revents & POLLHUP);
            if (connected != connected_) {
                connected_ = connected;
                Note(connected ? "port opened" : "port closed");
                if (!connected) out_.clear(); // a closed port loses what was on the wire
                nextRecord = Clock::now() + std::chrono::milliseconds(o_.intervalMs);
            }
            if (lingering && (!connected || Clock::now() >= lingerUntil)) break;
            if (!connected) {
                ::poll(nullptr, 0, 20); // POLLHUP does not wait
                continue;
            }
            if (p.revents & POLLIN) Receive();
            WatchLine();

            bool due = o_.intervalMs > 0 && Clock::now() >= nextRecord;
            if (due) nextRecord += std::chrono::milliseconds(o_.intervalMs);
            if (Clock::now() > nextRecord) nextRecord = Clock::now();
            if (!lingering && !paused_ && (due || requested_ > 0)) {
                if (!due) --requested_;
                Send(records_.Next());
                if (o_.count > 0 && ++sent_ >= o_.count) {
                    lingering = true;
                    lingerUntil = Clock::now() + std::chrono::milliseconds(o_.lingerMs);
                }
            }
            Flush();
        }
        Flush();
        return 0;
    }

  private:
    void Send(std::string record) {
        if (o_.verbose) std::fprintf(stderr, "> %s\n", pv::EscapeBytes(record).c_str());
        if (line_.baud != 0 && line_.baud != o_.baud) {
            // The receiver samples at the wrong rate: it sees noise.
            for (char& c : record)
                c = static_cast<char>((c * 37 + 0x5A) | 0x80);
        }
        if (out_.size() > 65536) {
            Note("nobody reads the port: record dropped");
            return;
        }
        out_ += record;
    }

    void Flush() {
        while (!out_.empty()) {
            ssize_t n = ::write(master_, out_.data(), out_.size());
            if (n <= 0) return;
            out_.erase(0, static_cast<size_t>(n));
        }
    }

    void Receive() {
        char buffer[4096];
        ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) return;
        // Packet mode: a status byte leads every read.
        unsigned char status = static_cast<unsigned char>(buffer[0]);
        if (status != TIOCPKT_DATA) {
            if (status & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) Note("port purged");
            return;
        }
        std::string data(buffer + 1, static_cast<size_t>(n - 1));
        std::fprintf(stderr, "< %s\n", pv::EscapeBytes(data).c_str());
        for (char c : data) {
            if (c == '\x13') {
                if (!paused_) Note("XOFF: sending paused");
                paused_ = true;
            } else if (c == '\x11') {
                if (paused_) Note("XON: sending resumed");
                paused_ = false;
            } else if (c == '\r' || c == '\n') {
                if (command_ == "P" || command_ == "Q" || command_ == "S" || command_ == "SI")
                    ++requested_;
                command_.clear();
            } else if (command_.size() < 32) {
                command_ += c;
            }
        }
    }

    void WatchLine() {
        LineView now;
        if (!pv::sim::ReadLineView(master_, now) || now == line_) return;
        line_ = now;
        std::string text = "port set to " + pv::sim::Describe(now);
        if (now.baud != o_.baud)
            text += " (the instrument runs at " + std::to_string(o_.baud) + ": garbled)";
        Note(text);
    }

    const Options& o_;
    int master_;
    pv::sim::RecordSource records_;
    std::string out_;
    std::string command_;
    LineView line_;
    bool connected_ = false;
    bool paused_ = false;
    int requested_ = 0;
    long sent_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "portivox-sim: openpty: %s\n", std::strerror(errno));
        return 1;
    }
    // Raw until the program configures it, so nothing is echoed back to us.
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    pv::sim::SetLineSpeed(slave, o.baud);
    int one = 1;
    ::ioctl(master, TIOCPKT, &one);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    // Not holding the slave lets us see when the port is opened and closed.
    ::close(slave);

    std::string device = name;
    if (!o.link.empty() && !MakeLink(o.link, device)) return 1;
    std::printf("%s\n", device.c_str());
    std::fflush(stdout);

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Note("device " + device + (o.link.empty() ? "" : ", linked at " + o.link) +
         "; waiting for the port to be opened");
    int rc = Instrument(o, master).Run();
    if (!o.link.empty()) RemoveLink(o.link, device);
    ::close(master);
    return rc;
}
