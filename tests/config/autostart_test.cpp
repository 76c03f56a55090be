// The "Start at login" entry: where it goes, how the command line is quoted
// for the launcher, and that ticking and unticking write and remove it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/autostart.h"

namespace pv {
namespace {

TEST(Autostart, EntryFollowsXdgQuotesItsCommandAndComesAndGoesWithTheMark) {
    struct Row {
        const char *name, *xdg, *home, *path, *program, *file, *exec;
    };
    const Row rows[] = {
        {"XdgConfigHomeWins", "/x", "/h", "/x/autostart/portivox.desktop", "/usr/bin/portivox",
         "/h/a.PV3", "Exec=/usr/bin/portivox /h/a.PV3\n"},
        {"RelativeXdgIsIgnoredAndNoFileNoArgument", "rel", "/h",
         "/h/.config/autostart/portivox.desktop", "p", "", "Exec=p\n"},
        {"NoHomeNoEntry", nullptr, nullptr, "", "p", "", "Exec=p\n"},
        {"SpecialCharactersQuotedEscapedAndPercentDoubled", "", "/h",
         "/h/.config/autostart/portivox.desktop", "/opt/my app/portivox", "/h/50% $x\\y\".PV3",
         "Exec=\"/opt/my app/portivox\" \"/h/50%% \\\\$x\\\\\\\\y\\\\\".PV3\"\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(AutostartPath(r.xdg, r.home), r.path);
        EXPECT_NE(AutostartEntry(r.program, r.file).find(r.exec), std::string::npos);
    }
    const auto dir = std::filesystem::path(::testing::TempDir()) / "pv_autostart";
    std::filesystem::remove_all(dir);
    const std::string path = AutostartPath(dir.c_str(), nullptr);
    std::string why;
    for (bool on : {true, true, false, false}) { // the folder is made; removing twice is fine
        EXPECT_TRUE(SetAutostart(path, on, "p", "/h/b.PV3", why)) << why;
        EXPECT_EQ(AutostartEnabled(path), on);
    }
    std::filesystem::remove_all(dir);
    std::ofstream(dir.string()) << "a file where the folder goes";
    EXPECT_FALSE(SetAutostart(path, true, "p", "", why) || why.empty());
    std::filesystem::remove(dir);
}

} // namespace
} // namespace pv
