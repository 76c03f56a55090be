// End to end: `portivox run` reads the simulated balance on a pseudo-
// terminal and types its records into a window found by its title.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_windows.h"

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include "x11/x11_helpers.h"

namespace pv {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Runs a command line to its end; its output goes to `out` (appended).
int RunToEnd(const std::vector<std::string>& argv, const std::string& out) {
    std::string command;
    for (const auto& a : argv)
        command += "'" + a + "' ";
    const int rc = std::system((command + ">>'" + out + "' 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(RunnerE2E, SimulatedBalanceIsTypedIntoTheTargetWindow) {
    const std::string portivox = Env("PV_PORTIVOX"), sim = Env("PV_SIM");
    if (Env("DISPLAY").empty() || portivox.empty() || sim.empty() ||
        access(portivox.c_str(), X_OK) != 0 || access(sim.c_str(), X_OK) != 0)
        GTEST_SKIP() << "needs DISPLAY, PV_PORTIVOX and PV_SIM (set by CTest)";
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    x11::X11Windows windows(dpy);
    test::TempDir dir;
    test::KeyWindow target(windows, "Balance Sheet - Calc", dir.File("typed"));
    test::KeyWindow front(windows, "Front Editor", dir.File("front"));
    ASSERT_NE(target.Id(), 0u);

    const std::string config = dir.File("balance.PV3"), log = dir.File("log");
    ASSERT_EQ(RunToEnd({portivox, "config", "new", config}, log), 0);
    ASSERT_EQ(
        RunToEnd({portivox, "config", "set", config, "OutputMode=0", "KeyTargetTitle=balance sheet",
                  "KeyTargetSpecified=-1", "InterCharDelay=0"},
                 log),
        0);

    // The simulator prints its pseudo-terminal first, then plays 8 records.
    const std::string simOut = dir.File("sim");
    const std::string simCmd = "'" + sim + "' --profile balance --interval 150 --count 8 " +
                               "--linger 4000 --seed 5 > '" + simOut + "' 2>/dev/null &";
    ASSERT_EQ(std::system(simCmd.c_str()), 0);
    std::string device;
    testing::WaitUntil([&] {
        const std::string out = testing::Slurp(simOut);
        device = out.find('\n') == out.npos ? "" : out.substr(0, out.find('\n'));
        return !device.empty();
    });
    ASSERT_FALSE(device.empty());

    const std::string runLog = dir.File("run");
    RunToEnd({portivox, "run", config, "--port", device, "--quiet", "--exit-after-idle=40"},
             runLog);
    const std::string said = testing::Slurp(runLog);
    if (said.find("types nothing") != std::string::npos)
        GTEST_SKIP() << "this runner does not type keystrokes: " << said;

    const std::string typed = target.Received(std::string(8 * 19, 'x'), 2000);
    const std::regex record("(ST|US),GS,[+-][0-9]{4}\\.[0-9]{3} g\r");
    size_t count = 0;
    for (auto it = std::sregex_iterator(typed.begin(), typed.end(), record);
         it != std::sregex_iterator(); ++it)
        ++count;
    EXPECT_EQ(count, 8u) << typed << "\n" << said;
    std::string why;
    auto desktop = x11::Desktop::Open(nullptr, why);
    ASSERT_TRUE(desktop) << why;
    EXPECT_EQ(front.ReceivedBeforeMarker(windows, desktop->Keys()), "");
    XCloseDisplay(dpy);
}

} // namespace
} // namespace pv
