// Measures `portivox run` from outside, as a user's script would see it:
//   runner_bench latency [N]   record's last byte into the pty -> its line in the log
//   runner_bench idle [SECONDS] CPU of a runner with the port open and no data
// Both print the runner's peak resident memory (VmHWM) at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Runner {
    pid_t pid = -1;
    int master = -1;
};

std::string g_dir;

Runner Start(const std::string& config) {
    Runner r;
    int slave = -1;
    char name[128];
    if (openpty(&r.master, &slave, name, nullptr, nullptr) != 0) std::exit(1);
    termios raw{};
    tcgetattr(r.master, &raw);
    cfmakeraw(&raw);
    tcsetattr(r.master, TCSANOW, &raw);
    close(slave);
    r.pid = fork();
    if (r.pid == 0) {
        close(r.master);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execl(PORTIVOX_BIN, PORTIVOX_BIN, "run", config.c_str(), "--quiet", "--port", name,
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return r;
}

long ProcField(pid_t pid, const char* key) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

double CpuSeconds(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string s((std::istreambuf_iterator<char>(f)), {});
    auto close = s.rfind(')');
    std::vector<std::string> fields;
    size_t pos = close + 2;
    while (pos < s.size()) {
        size_t sp = s.find(' ', pos);
        fields.push_back(s.substr(pos, sp - pos));
        if (sp == std::string::npos) break;
        pos = sp + 1;
    }
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after ')'.
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / sysconf(_SC_CLK_TCK);
}

void Stop(Runner& r) {
    std::printf("peak resident memory (VmHWM): %ld kB\n", ProcField(r.pid, "VmHWM:"));
    kill(r.pid, SIGTERM);
    int status = 0;
    waitpid(r.pid, &status, 0);
    close(r.master);
}

std::string MakeConfig(const std::string& log) {
    std::string config = g_dir + "/bench.PV3";
    std::string cmd = std::string(PORTIVOX_BIN) + " config set " + config +
                      " OutputMode=2 RecordStructure=1 FieldCount=3 'LogFileName=" + log + "'";
    if (std::system(cmd.c_str()) != 0) std::exit(1);
    return config;
}

off_t SizeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

int Latency(int n) {
    std::string log = g_dir + "/bench.log";
    Runner r = Start(MakeConfig(log));
    std::vector<double> ms;
    const std::string record = "ST,GS,+0012.345 g\r\n";
    const off_t lineSize = std::string("STGS+0012.345 g\r\n").size();
    for (int i = 0; i < n; ++i) {
        off_t want = SizeOf(log) + lineSize;
        // Spread the writes over the tick so the figure is not phase-locked.
        std::this_thread::sleep_for(std::chrono::microseconds(5000 + (i * 7919) % 50000));
        if (write(r.master, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
            return 1;
        auto t0 = Clock::now();
        while (SizeOf(log) < want) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            if (Clock::now() - t0 > std::chrono::seconds(5)) {
                std::fprintf(stderr, "record %d never reached the log\n", i);
                return 1;
            }
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "records: %d\nlatency median: %.1f ms\nlatency p99: %.1f ms\nlatency max: %.1f ms\n", n,
        ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
    Stop(r);
    return 0;
}

int Idle(int seconds) {
    Runner r = Start(MakeConfig(g_dir + "/idle.log"));
    double before = CpuSeconds(r.pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double used = CpuSeconds(r.pid) - before;
    std::printf("idle for %d s: %.3f s CPU = %.3f%% of one core\n", seconds, used,
                100.0 * used / seconds);
    Stop(r);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "latency";
    char tmpl[] = "/tmp/pvbench-XXXXXX";
    g_dir = mkdtemp(tmpl);
    setenv("XDG_CONFIG_HOME", (g_dir + "/xdg").c_str(), 1);
    int rc = mode == "idle" ? Idle(argc > 2 ? std::atoi(argv[2]) : 60)
                            : Latency(argc > 2 ? std::atoi(argv[2]) : 1000);
    fs::remove_all(g_dir);
    return rc;
}
