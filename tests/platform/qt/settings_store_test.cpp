#include "platform/qt/settings_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "serial/port.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

fs::path ScratchDir() {
    static fs::path dir = fs::temp_directory_path() / ("pv_settings_" + std::to_string(getpid()));
    return dir;
}

// The user's store is located once per process, so the environment has to
// point at the scratch directory before any test touches it.
class ScratchConfigHome : public ::testing::Environment {
  public:
    void SetUp() override {
        fs::create_directories(ScratchDir() / "xdg");
        setenv("XDG_CONFIG_HOME", (ScratchDir() / "xdg").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(ScratchDir()); }
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new ScratchConfigHome);

std::string Ini(const char* name) {
    return (ScratchDir() / name).string();
}

TEST(QtSettingsStore, UserStoreLivesUnderXdgConfigHome) {
    QtSettingsStore store;
    EXPECT_EQ(store.FileName(), (ScratchDir() / "xdg" / "Portivox" / "Portivox.ini").string());
    store.Set("Ports", "COM1", "/dev/ttyUSB0");
    EXPECT_TRUE(fs::exists(store.FileName())) << "written through at once";
}

class ByteValues : public ::testing::TestWithParam<std::string> {};

TEST_P(ByteValues, SurviveTheFile) {
    std::string path = Ini("bytes.ini");
    {
        QtSettingsStore store(path);
        store.Set("Settings", "Value", GetParam());
    }
    QtSettingsStore reopened(path);
    EXPECT_EQ(reopened.Get("Settings", "Value", "missing"), GetParam());
}

std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s += static_cast<char>(i);
    return s;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, ByteValues,
                         ::testing::Values(std::string("/dev/serial/by-id/usb-FTDI_A1-if00"), std::string(""),
                                           std::string("  padded  "), std::string("a=b;c,\"q\"\\#"),
                                           std::string("line\r\nnext\0nul", 15), std::string("\xe9\xff\x80"), AllBytes()));
// clang-format on

TEST(QtSettingsStore, KeysAreKeptApartRemovedAndMapComNumbersToDevices) {
    QtSettingsStore store(Ini("keys.ini"));
    EXPECT_EQ(store.Get("Ports", "COM2", "none"), "none");
    store.Set("Ports", "COM3", "/dev/ttyACM0");
    EXPECT_EQ(DevicePathFor(2, &store), "/dev/ttyACM0");
    EXPECT_EQ(DevicePathFor(1, &store), "/dev/ttyS1");
    store.Remove("Ports", "COM3");
    EXPECT_EQ(store.Get("Ports", "COM3", "none"), "none");
    store.Set("A/B", "k", "1"); // a slash opens no new section
    store.Set("A", "B/k", "2");
    EXPECT_EQ(store.Get("A/B", "k"), "1");
    EXPECT_EQ(store.Get("A", "B/k"), "2");
    EXPECT_TRUE(store.Saved());
    fs::create_directories(Ini("folder.ini"));
    QtSettingsStore folder(Ini("folder.ini"));
    folder.Set("Ports", "COM1", "/dev/ttyUSB0");
    EXPECT_FALSE(folder.Saved()) << "a folder in place of the file";
}

} // namespace
} // namespace pv
