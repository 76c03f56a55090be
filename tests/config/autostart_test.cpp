// The "Start at login" entry: where it goes, how the command line is
// quoted for the launcher, and that ticking and unticking write and remove it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/autostart.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

TEST(Autostart, EntryPathFollowsXdgAndExecLineQuotesWhatTheLauncherWouldSplit) {
    struct Row {
        const char *name, *xdg, *home, *path, *program, *file, *exec;
    };
    const Row rows[] = {
        {"XdgConfigHomeWins", "/x", "/h", "/x/autostart/portivox.desktop", "/usr/bin/portivox",
         "/h/a.PV3", "Exec=/usr/bin/portivox /h/a.PV3\n"},
        {"RelativeXdgIsIgnored", "rel", "/h", "/h/.config/autostart/portivox.desktop", "p", "",
         "Exec=p\n"},
        {"NoHomeNoEntry", nullptr, nullptr, "", "p", "", "Exec=p\n"},
        {"SpecialCharactersQuotedEscapedAndPercentDoubled", "", "/h",
         "/h/.config/autostart/portivox.desktop", "/opt/my app/portivox", "/h/50% $x\\y\".PV3",
         "Exec=\"/opt/my app/portivox\" \"/h/50%% \\\\$x\\\\\\\\y\\\\\".PV3\"\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(AutostartPath(r.xdg, r.home), r.path);
        EXPECT_NE(AutostartEntry(r.program, r.file).find(r.exec), std::string::npos)
            << AutostartEntry(r.program, r.file);
    }
}

TEST(Autostart, TickingWritesTheEntryAndUntickingRemovesIt) {
    const fs::path dir = fs::path(::testing::TempDir()) / "pv_autostart";
    fs::remove_all(dir);
    const std::string path = AutostartPath(dir.c_str(), nullptr);
    struct Row {
        const char* name;
        bool on, ok, present;
    };
    const Row rows[] = {
        {"OnCreatesFolderAndEntry", true, true, true},
        {"OnAgainReplacesIt", true, true, true},
        {"OffRemovesIt", false, true, false},
        {"OffWithoutEntryIsFine", false, true, false},
    };
    std::string why;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(SetAutostart(path, r.on, "/usr/bin/portivox", "/h/b.PV3", why), r.ok) << why;
        EXPECT_EQ(AutostartEnabled(path), r.present);
    }
    ASSERT_TRUE(SetAutostart(path, true, "/usr/bin/portivox", "/h/b.PV3", why));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), AutostartEntry("/usr/bin/portivox", "/h/b.PV3"));
    fs::remove_all(dir);
    std::ofstream(dir.string()) << "a file where the folder goes";
    EXPECT_FALSE(SetAutostart(path, true, "p", "", why));
    EXPECT_FALSE(why.empty());
    fs::remove(dir);
}

} // namespace
} // namespace pv
