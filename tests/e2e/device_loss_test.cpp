// portivox run on a device unplugged mid-run that comes back behind the
// name it was given: a pty whose master closes, then a new pty behind the
// same symlink.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "fakes/wait.h"
#include "platform/pty_pair.h"

using pv::testing::WaitUntil;

TEST(DeviceLoss, RunReopensTheDeviceBehindItsNameAndLosesNothingQueued) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("pvloss-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string config = dir / "t.PV3", log = dir / "t.log", err = dir / "err",
                      link = dir / "by-id-adapter", set = " OutputMode=2 AckString=K FlowControl=1";
    auto has = [](const std::string& path, const std::string& s) {
        std::ostringstream all;
        all << std::ifstream(path).rdbuf();
        return all.str().find(s) != std::string::npos;
    };
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    setenv("LANGUAGE", "en", 1);
    ASSERT_EQ(
        std::system((PORTIVOX_BIN " config set " + config + " LogFileName=" + log + set).c_str()),
        0);
    auto first = std::make_unique<pv::test::PtyPair>();
    fs::create_symlink(first->path, link);
    const pid_t pid = fork();
    if (pid == 0) {
        close(first->master); // else unplugging leaves the device to this child
        freopen(err.c_str(), "w", stderr);
        execl(PORTIVOX_BIN, PORTIVOX_BIN, "run", config.c_str(), "--port", link.c_str(), "--quiet",
              nullptr);
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
    for (int i = 2; i < 502; ++i)
        second.Send("R" + std::to_string(i) + "\r");
    EXPECT_TRUE(WaitUntil([&] { return has(log, "R2\r"); }));
    const auto firstRead = std::chrono::steady_clock::now();
    EXPECT_EQ(second.Receive(501, 5000), std::string(501, 'K'))
        << "the held acknowledgement, then one for each record after the return";
    int lost = 0;
    for (int i = 2; i < 502; ++i)
        lost += !has(log, "R" + std::to_string(i) + "\r");
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(has(err, link + " is back"));
    std::printf("[ figures ] lost %d of 500 sent after the return; first read %lld ms after it\n",
                lost, static_cast<long long>((firstRead - back) / std::chrono::milliseconds(1)));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    fs::remove_all(dir);
}
