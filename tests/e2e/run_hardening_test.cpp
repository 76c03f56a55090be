// portivox run under hostile surroundings: a log nobody reads, stop signals,
// standard input far faster than the virtual device takes it.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "fakes/files.h"
#include "fakes/wait.h"

namespace {

namespace fs = std::filesystem;
using pv::testing::Slurp;

// kB of a /proc/PID/status line such as "VmHWM:".
long StatusKb(pid_t pid, const std::string& key) {
    std::istringstream in(Slurp("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    return -1;
}

struct Row {
    const char* name;
    bool fifoLog; // LogFileName names a FIFO nobody opens for reading
    bool endless; // standard input never ends and never waits
    int signal;
    long maxHwmKb; // resident high-water mark allowed, 0: not checked
};

class StopTest : public ::testing::TestWithParam<Row> {};

TEST_P(StopTest, RunEndsOnSignalWithBoundedMemory) {
    const Row& row = GetParam();
    fs::path dir = fs::temp_directory_path() / ("pvhard-" + std::to_string(getpid()) + row.name);
    fs::create_directories(dir);
    std::string config = (dir / "t.PV3").string(), log = (dir / "t.log").string();
    ASSERT_TRUE(!row.fifoLog || mkfifo(log.c_str(), 0600) == 0);
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    ASSERT_EQ(std::system((std::string(PORTIVOX_BIN) + " config set '" + config +
                           "' 'LogFileName=" + log + "' OutputMode=2")
                              .c_str()),
              0);
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    std::string err = (dir / "stderr").string();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        close(in[0]);
        close(in[1]);
        freopen("/dev/null", "w", stdout);
        freopen(err.c_str(), "w", stderr);
        execl(PORTIVOX_BIN, PORTIVOX_BIN, "run", config.c_str(), "--virtual", "--quiet",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    std::signal(SIGPIPE, SIG_IGN);
    std::atomic<bool> stop{false};
    std::atomic<long long> sent{0};
    std::thread writer([&] {
        std::string chunk;
        for (int i = 0; chunk.size() < 65536; ++i)
            chunk += std::to_string(i % 1000) + "\r";
        do {
            ssize_t n = write(in[1], chunk.data(), chunk.size());
            if (n <= 0) break;
            sent += n;
        } while (row.endless && !stop && sent < (200LL << 20));
    });
    if (row.fifoLog) // the first record's line meets the FIFO
        pv::testing::WaitUntil([&] { return Slurp(err).find("retrying") != std::string::npos; },
                               10000);
    else // standard input has had every chance to run ahead
        pv::testing::WaitUntil([&] { return sent >= (200LL << 20); }, 3000);
    long hwm = StatusKb(pid, "VmHWM:");
    kill(pid, row.signal);
    int status = 0;
    bool ended =
        pv::testing::WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5000);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    stop = true;
    close(in[1]);
    writer.join();
    EXPECT_TRUE(ended) << "still running 5 s after the signal";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(!row.fifoLog || Slurp(err).find("retrying") != std::string::npos) << Slurp(err);
    EXPECT_TRUE(row.maxHwmKb == 0 || hwm < row.maxHwmKb) << hwm << " kB, " << sent << " sent";
    std::printf("[ figures ] %s: %lld bytes taken, VmHWM %ld kB\n", row.name,
                static_cast<long long>(sent), hwm);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StopTest,
    ::testing::Values(Row{"TermEndsARunWhoseLogIsAFifoWithNoReader", true, false, SIGTERM, 0},
                      Row{"IntEndsARunWhoseLogIsAFifoWithNoReader", true, false, SIGINT, 0},
                      Row{"StdinIsNotReadFarAheadOfTheVirtualDevice", false, true, SIGTERM,
                          100 * 1024}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
