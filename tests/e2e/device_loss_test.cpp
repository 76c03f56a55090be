// portivox run on a device that is unplugged mid-run and comes back behind
// the same name: a pty whose master closes, then a new pty behind the
// symlink the run was given.
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

namespace {

namespace fs = std::filesystem;
using pv::testing::WaitUntil;

std::string Slurp(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

TEST(DeviceLoss, RunReopensTheDeviceBehindItsNameAndLosesNothingQueued) {
    constexpr int kAfter = 500;
    fs::path dir = fs::temp_directory_path() / ("pvloss-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string config = (dir / "t.PV3").string(), log = (dir / "t.log").string(),
                      err = (dir / "stderr").string(), link = (dir / "by-id-adapter").string();
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    setenv("LANGUAGE", "en", 1);
    ASSERT_EQ(std::system((std::string(PORTIVOX_BIN) + " config set '" + config +
                           "' 'LogFileName=" + log + "' OutputMode=2 AckString=K FlowControl=1")
                              .c_str()),
              0);
    auto first = std::make_unique<pv::test::PtyPair>();
    ASSERT_TRUE(first->ok());
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
    auto logHas = [&](const std::string& s) { return Slurp(log).find(s) != std::string::npos; };
    auto errHas = [&](const char* s) { return Slurp(err).find(s) != std::string::npos; };
    first->Send("R0\r");
    EXPECT_EQ(first->Receive(1, 5000), "K") << "the run never configured the device";
    // XOFF: the acknowledgement of R1 stays queued until the device is back.
    first->Send("\x13R1\r");
    EXPECT_TRUE(WaitUntil([&] { return logHas("R1"); }));
    first.reset(); // unplugged
    EXPECT_TRUE(WaitUntil([&] { return errHas(" was lost ("); })) << Slurp(err);

    pv::test::PtyPair second;
    fs::remove(link);
    fs::create_symlink(second.path, link);
    const auto back = std::chrono::steady_clock::now();
    std::string records;
    for (int i = 2; i < 2 + kAfter; ++i)
        records += "R" + std::to_string(i) + "\r";
    second.Send(records);
    EXPECT_TRUE(WaitUntil([&] { return logHas("R2"); }));
    const auto firstRead = std::chrono::steady_clock::now();
    const std::string last = "R" + std::to_string(1 + kAfter);
    EXPECT_TRUE(WaitUntil([&] { return logHas(last); }));
    EXPECT_EQ(second.Receive(1 + kAfter, 5000), std::string(1 + kAfter, 'K'))
        << "the held acknowledgement and one for each record after the return";
    EXPECT_TRUE(WaitUntil([&] { return errHas(" is back"); })) << Slurp(err);
    EXPECT_NE(Slurp(err).find(link), std::string::npos) << "the name the user gave";
    std::istringstream lines(Slurp(log));
    int logged = 0;
    for (std::string line; std::getline(lines, line);)
        logged += line.find('R') != std::string::npos;
    EXPECT_EQ(logged, 2 + kAfter) << Slurp(log);
    std::printf(
        "[ figures ] lost %d of %d sent after the return; first record read %lld ms after "
        "the return\n",
        2 + kAfter - logged, kAfter,
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(firstRead - back).count()));
    kill(pid, SIGTERM);
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }))
        kill(pid, SIGKILL), waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    fs::remove_all(dir);
}

} // namespace
