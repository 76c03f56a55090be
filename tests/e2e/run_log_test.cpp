// portivox run end to end: a test writer on a pseudo-terminal, the runner
// in Log to disk mode, the log file compared byte for byte.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/wait.h>

#include "fakes/files.h"
#include "fakes/wait.h"
#include "platform/pty_pair.h"

namespace {

namespace fs = std::filesystem;
using pv::testing::Slurp;

// Runs a command line through the shell and returns its exit status.
int Shell(const std::string& command) {
    int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

class RunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("pve2e-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        config = (dir / "t.PV3").string();
        log = (dir / "t.log").string();
        setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir); }

    void Configure(const std::string& assignments) {
        ASSERT_EQ(Shell(std::string(PORTIVOX_BIN) + " config set '" + config +
                        "' 'LogFileName=" + log + "' OutputMode=2 " + assignments),
                  0);
    }

    // Starts `portivox run` on the pty's device.
    void StartOnPty(const std::string& extra) {
        std::string out = (dir / "stdout").string(), err = (dir / "stderr").string();
        pid = fork();
        if (pid == 0) {
            std::string cmd = "exec " + std::string(PORTIVOX_BIN) + " run '" + config +
                              "' --port " + pty.path + " " + extra + " >'" + out + "' 2>'" + err +
                              "'";
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Data sent before the runner holds the port would be lost, as with
        // a real device: wait until the runner has the device open.
        pv::testing::WaitUntil([&] { return HoldsDevice(pid, pty.path); });
    }

    int Finish() {
        int status = 0;
        if (pv::testing::WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30000))
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -2;
    }

    static bool HoldsDevice(pid_t pid, const std::string& device) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
            if (fs::read_symlink(fd.path(), ec) == device) return true;
        return false;
    }

    fs::path dir;
    std::string config, log;
    pid_t pid = -1;
    pv::test::PtyPair pty;
};

TEST_F(RunTest, TenThousandRecordsReachTheLogUnaltered) {
    Configure("BaudRate=11 Parity=0 DataBits=3 RecordStructure=1 FieldCount=3 "
              "'FieldPostamble(1)=;' 'FieldPostamble(2)=;' 'FieldPostamble(3)=|' "
              "'PreInputTable(10)=Ignore'");
    StartOnPty("--quiet --exit-after-idle=20");
    std::string input, expected;
    for (int i = 0; i < 10000; ++i) {
        char rec[64];
        std::snprintf(rec, sizeof rec, "ST,GS,+%04d.%03d g", i / 7, (i * 37) % 1000);
        input += std::string(rec) + "\r\n";
        std::string r(rec);
        // Log mode keeps the ending CR in the last field.
        expected += "ST;GS;" + r.substr(6) + "\r|\r\n";
    }
    pty.Send(input);
    EXPECT_EQ(Finish(), 0) << Slurp(dir / "stderr");
    std::string got = Slurp(log);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected)
        << "first difference at byte "
        << std::mismatch(got.begin(), got.end(), expected.begin(), expected.end()).first -
               got.begin();
}

TEST_F(RunTest, VirtualInputFromAFileAcknowledgementsOnStdoutAndTodaysDate) {
    Configure("'AckString=\\x06\\x00' 'RecordPreamble={YEAR}{MONTH}-'");
    std::ofstream(dir / "in.txt", std::ios::binary) << "12.5\r7\r";
    ASSERT_EQ(Shell(std::string(PORTIVOX_BIN) + " run '" + config +
                    "' --virtual=" + (dir / "in.txt").string() + " --exit-after-idle=3 >'" +
                    (dir / "stdout").string() + "'"),
              0);
    EXPECT_EQ(Slurp(dir / "stdout"), "1\t12.5\\x0D\n2\t7\\x0D\n>> \\x06\\xFF\\x06\\xFF\n");
    char today[8];
    const time_t now = time(nullptr);
    tm local{};
    strftime(today, sizeof today, "%y%m-", localtime_r(&now, &local));
    EXPECT_EQ(Slurp(log), today + std::string("12.5\r\r\n") + today + "7\r\r\n");
}

TEST_F(RunTest, BadArgumentsAndFilesFail) {
    EXPECT_EQ(Shell(std::string(PORTIVOX_BIN) + " run 2>/dev/null"), 2);
    EXPECT_EQ(Shell(std::string(PORTIVOX_BIN) + " run x.PV3 --bogus 2>/dev/null"), 2);
    EXPECT_EQ(Shell(std::string(PORTIVOX_BIN) + " run '" + (dir / "missing.PV3").string() +
                    "' 2>/dev/null"),
              1);
    Configure("");
    EXPECT_EQ(Shell(std::string(PORTIVOX_BIN) + " run '" + config +
                    "' --port /dev/nonexistent-tty 2>/dev/null"),
              1);
}

} // namespace
