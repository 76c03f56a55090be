// portivox run on a device unplugged mid-run that comes back behind the
// name it was given: a pty whose master closes, then a new pty behind the
// same symlink.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "fakes/wait.h"
#include "platform/pty_pair.h"

namespace fs = std::filesystem;
using pv::testing::WaitUntil;

TEST(DeviceLoss, RunReopensTheDeviceBehindItsNameAndLosesNothingQueued) {
    constexpr int kAfter = 500;
    const fs::path dir = fs::temp_directory_path() / ("pvloss-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string config = dir / "t.PV3", log = dir / "t.log", err = dir / "stderr",
                      link = dir / "by-id-adapter";
    auto has = [](const std::string& path, const std::string& s) {
        std::ostringstream all;
        all << std::ifstream(path, std::ios::binary).rdbuf();
        return all.str().find(s) != std::string::npos;
    };
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    setenv("LANGUAGE", "en", 1);
    ASSERT_EQ(std::system((std::string(PORTIVOX_BIN) + " config set " + config +
                           " LogFileName=" + log + " OutputMode=2 AckString=K FlowControl=1")
                              .c_str()),
              0);
    auto first = std::make_unique<pv::test::PtyPair>();
    fs::create_symlink(first->path, link);
    pid_t pid = fork();
    if (pid == 0) {
        close(first->master); // else unplugging leaves the device to this child
        freopen("/dev/null", "w", stdout);
        freopen(err.c_str(), "w", stderr);
        execl(PORTIVOX_BIN, PORTIVOX_BIN, "run", config.c_str(), "--port", link.c_str(), "--quiet",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    first->Send("R0\r");
    EXPECT_EQ(first->Receive(1, 5000), "K") << "the run never configured the device";
    first->Send("\x13R1\r"); // XOFF: R1's acknowledgement waits until the device is back
    EXPECT_TRUE(WaitUntil([&] { return has(log, "R1\r"); }));
    first.reset(); // unplugged
    EXPECT_TRUE(WaitUntil([&] { return has(err, link + " was lost ("); }));

    pv::test::PtyPair second;
    fs::remove(link);
    fs::create_symlink(second.path, link);
    const auto back = std::chrono::steady_clock::now();
    for (int i = 2; i < 2 + kAfter; ++i)
        second.Send("R" + std::to_string(i) + "\r");
    EXPECT_TRUE(WaitUntil([&] { return has(log, "R2\r"); }));
    const auto firstRead = std::chrono::steady_clock::now();
    EXPECT_EQ(second.Receive(1 + kAfter, 5000), std::string(1 + kAfter, 'K'))
        << "the held acknowledgement, then one for each record after the return";
    int lost = 0;
    for (int i = 2; i < 2 + kAfter; ++i)
        lost += !has(log, "R" + std::to_string(i) + "\r");
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(WaitUntil([&] { return has(err, link + " is back"); }));
    std::printf("[ figures ] lost %d of %d sent after the return; first read %lld ms after it\n",
                lost, kAfter,
                static_cast<long long>((firstRead - back) / std::chrono::milliseconds(1)));
    kill(pid, SIGTERM);
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }))
        kill(pid, SIGKILL), waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    fs::remove_all(dir);
}
