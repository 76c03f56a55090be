#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "config/config_file.h"
#include "config/file_io.h"
#include "config/settings_table.h"
#include "fakes/files.h"
#include "fakes/recording_messages.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
using testing::RecordingMessages;

struct TempDir {
    fs::path path = fs::temp_directory_path() /
                    ("pvcfg-" + std::to_string(::getpid()) + "-" + std::to_string(next++));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
    static inline int next = 0;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Data(const std::string& name) {
    return testing::Slurp(PORTIVOX_SOURCE_DIR "/" + name);
}

std::string Show(const Settings& s) {
    std::string out;
    ForEachSetting([&](const SettingDef& d, int i) {
        out += d.name + (i < 0 ? "" : "(" + std::to_string(i) + ")") + "=";
        out += ShowSetting(s, d, i) + "\n";
    });
    return out;
}

// Files written by the previous reader and writer, with what `config show`
// printed for them and what a save wrote back.
TEST(ConfigFileTest, KnownFilesReadShowAndSaveAsBefore) {
    const std::string d = "tests/config/data/";
    const std::tuple<std::string, std::string, std::string, int> rows[] = {
        {"examples/balance.PV3", "", "examples/balance.PV3", 3},
        {d + "every_setting.PV3", d + "every_setting.show", d + "every_setting.PV3", 3},
        {d + "version2.PV3", d + "version2.show", d + "version2_saved.PV3", 2}};
    for (const auto& [file, shown, saved, expectedVersion] : rows) {
        SCOPED_TRACE(file);
        Settings s;
        int version = 0;
        ASSERT_TRUE(ParseConfig(Data(file), s, version));
        EXPECT_EQ(version, expectedVersion);
        if (!shown.empty()) {
            EXPECT_EQ(Show(s), Data(shown));
        }
        EXPECT_EQ(SerializeConfig(s), Data(saved));
    }
}

TEST(ConfigFileTest, Version2FileIsMarkedChangedAndKeepsWhatItLacks) {
    TempDir dir;
    Config c;
    c.WindowOnTop = True;
    c.InterCharDelay = 9;
    c.ConfigFileName = dir.File("old.PV3");
    std::string bytes = Data("tests/config/data/version2.PV3");
    WriteFile(c.ConfigFileName, bytes.replace(bytes.find('\n') + 1, 3, " 1 ")); // a valid port
    RecordingMessages messages;
    LoadConfiguration(c, messages);
    EXPECT_TRUE(IsSet(c.ConfigChanged) && IsSet(c.WindowOnTop));
    EXPECT_EQ(c.InterCharDelay, 0);
    EXPECT_EQ(messages.shown.size() + messages.beeps, 2u);
}

struct LoadRow {
    const char* name;
    std::function<void(std::string&)> edit; // of a valid file
    bool loads;
    std::string message; // "" for none
};

TEST(ConfigFileTest, LoadRefusesBadFilesAndResetsToDefaults) {
    const std::string valid = SerializeConfig(Settings{});
    const std::vector<LoadRow> rows = {
        {"ValidFile", [](std::string&) {}, true, ""},
        {"TrailingLinesMissing", [](std::string& b) { b.resize(b.size() - 5); }, true, ""},
        {"HeaderWithTrailingBlank", [](std::string& b) { b.insert(b.find('\r'), " "); }, false,
         "not a valid configuration file.\nline 1"},
        {"NegativePortNumber", [](std::string& b) { b.replace(b.find("\n") + 1, 3, "-1 "); }, false,
         ""},
        {"EndsInsideTextHalf", [](std::string& b) { b.resize(4000); }, false, "ends early"},
        {"EndsInsideBlock", [](std::string& b) { b.replace(b.size() - 10, 3, " 9 "); }, false,
         "data block"},
        {"NumberLineHoldsText", [](std::string& b) { b.replace(b.find(" 6 "), 3, " x "); }, false,
         "line 3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        Config c;
        c.FieldCount = 9;
        c.DDETopicName = "Before";
        c.ConfigFileName = dir.File("f.PV3");
        std::string bytes = valid;
        row.edit(bytes);
        WriteFile(c.ConfigFileName, bytes);
        RecordingMessages messages;
        LoadConfiguration(c, messages);
        EXPECT_EQ(c.FieldCount, 1); // read or reset, never kept
        EXPECT_EQ(c.ConfigFileName.empty(), !row.loads);
        EXPECT_EQ(c.DDETopicName,
                  row.loads && row.name != std::string("ValidFile") ? "Before" : "");
        ASSERT_EQ(messages.shown.size(), row.message.empty() ? 0u : 1u);
        if (!row.message.empty()) {
            EXPECT_NE(messages.shown[0].text.find(row.message), std::string::npos)
                << messages.shown[0].text;
        }
    }
}

TEST(ConfigFileTest, CheckFileTellsMissingFromUnreadable) {
    TempDir dir;
    RecordingMessages m;
    WriteFile(dir.File("ok.PV3"), SerializeConfig(Settings{}));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(CheckFile("", m).outcome, FileCheck::NoName);
    EXPECT_EQ(CheckFile(dir.File("none"), m).outcome, FileCheck::Missing);
    EXPECT_EQ(CheckFile(dir.path.string(), m).outcome, FileCheck::Unreadable);
    FileCheck fifo = CheckFile(dir.File("fifo"), m); // must not block
    EXPECT_EQ(fifo.outcome, FileCheck::Unreadable);
    EXPECT_NE(fifo.why.find("not a regular file"), std::string::npos);
    EXPECT_EQ(CheckFile(dir.File("ok.PV3"), m).commPort, 0);
    WriteFile(dir.File("notes.txt"), "shopping list\n");
    EXPECT_EQ(CheckFile(dir.File("notes.txt"), m).outcome, FileCheck::NotConfig);
}

TEST(ConfigFileTest, SaveReplacesTheFileKeepingItsPermissionsOrFailsSayingWhy) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    WriteFile(dir.File("a.PV3"), "old");
    ::chmod(dir.File("a.PV3").c_str(), 0640);
    const std::tuple<std::string, bool, const char*> rows[] = {
        {dir.File("a.PV3"), true, ""},
        {dir.File("no/such/folder/a.PV3"), false, "No such file"},
        {dir.File("folder"), false, "not a regular file"},
        {"", false, nullptr}}; // untitled: nothing to say
    for (const auto& [name, ok, why] : rows) {
        SCOPED_TRACE(name);
        Config c;
        c.ConfigFileName = name;
        RecordingMessages m;
        EXPECT_EQ(WriteConfigFile(c, m), ok);
        ASSERT_EQ(m.shown.size(), ok || !why ? 0u : 1u);
        if (!ok && why) {
            EXPECT_NE(m.shown[0].text.find(name), std::string::npos);
            EXPECT_NE(m.shown[0].text.find(why), std::string::npos);
        }
    }
    EXPECT_EQ(testing::Slurp(dir.File("a.PV3")), SerializeConfig(Settings{}));
    struct stat st {};
    ::stat(dir.File("a.PV3").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator{}), 2);
}

TEST(ConfigFileTest, FullDiskKeepsTheOldFileByteForByte) {
    TempDir dir;
    std::string disk = dir.File("disk");
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{disk};
    Config c;
    c.ConfigFileName = disk + "/a.PV3";
    RecordingMessages m;
    ASSERT_TRUE(WriteConfigFile(c, m));
    const std::string old = testing::Slurp(c.ConfigFileName);
    {
        std::ofstream filler(disk + "/filler", std::ios::binary);
        std::string block(4096, 'f');
        while (filler.write(block.data(), block.size()) && filler.flush()) {
        }
    }
    c.HotKeyString[0] = std::string(30000, 'x');
    EXPECT_FALSE(WriteConfigFile(c, m));
    EXPECT_EQ(testing::Slurp(c.ConfigFileName), old);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_NE(m.shown[0].text.find("No space left"), std::string::npos) << m.shown[0].text;
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), fs::directory_iterator{}), 2);
}

} // namespace
} // namespace pv
