#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "config/config_file.h"
#include "config/file_io.h"
#include "config/settings_table.h"
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

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines{""}; // line numbers count from 1
    for (size_t pos = 0, crlf; (crlf = bytes.find("\r\n", pos)) != std::string::npos;
         pos = crlf + 2)
        lines.push_back(bytes.substr(pos, crlf - pos));
    return lines;
}

TEST(ConfigFileTest, ExampleFileRoundTripsByteForByte) {
    std::string bytes = ReadFile(PORTIVOX_SOURCE_DIR "/examples/balance.PV3");
    Settings s;
    int version = 0;
    ASSERT_TRUE(ParseConfig(bytes, s, version));
    EXPECT_EQ(version, 3);
    EXPECT_EQ(SerializeConfig(s), bytes);
}

// Settings put in printable form, as `config set` takes them.
Settings With(const std::vector<std::pair<const char*, const char*>>& assignments) {
    Settings s;
    for (auto [name, value] : assignments)
        EXPECT_EQ(SetSetting(s, name, value), "") << name;
    return s;
}

TEST(ConfigFileTest, EachSettingSitsOnItsDocumentedLine) {
    const std::tuple<const char*, const char*, int, const char*> rows[] = {
        {"CommPort", "4", 2, " 4 "},
        {"FlowControl", "-3", 7, "-3 "}, // no blank before a minus
        {"InputBufferSize", "131072", 8, " 131072 "},
        {"EndOfRecordEvent", "3", 14, " 3 "},
        {"FieldDelimiter", ",", 18, " 44 "},
        {"DDECommand", "[RUN]", 24, "[RUN]"},
        {"KeystrokeTranslation(255)", "{F1}", 280, "{F1}"},
        {"PreInputTable(0)", "Void Record", 281, "Void Record"},
        {"PreInputTable(65)", "A", 346, " 65"},
        {"OutputStringCaption(2)", "Tare", 1056, "Tare"},
        {"FieldFilter(21)", "N", 1052, "N"},
        {"FieldFormat(40)", "0.0", 1188, "0.0"},
        {"LogFileName", "/l", 1189, "/l"},
        {"WindowButtons", "3", 1202, " 3 "},
        {"TimerInterval", "100000", 1203, " 100000 "},
        {"HotKeyAction(0)", "5", 1207, " 5 "},
        {"HotKeyCode(49)", "112", 1306, " 112 "},
        {"FieldMathExpression(40)", "x*2", 1346, "x*2"},
        {"AckString", "\\x0D\\x0A", 1347, " 2 "},
        {"RecordPreamble", "abc", 1349, " 3 "},
        {"FieldPostamble(21)", "abcd", 1354, " 4 "},
        {"HotKeyString(49)", "12345", 1461, " 5 "},
    };
    for (auto [name, value, line, expected] : rows) {
        SCOPED_TRACE(name);
        auto lines = Lines(SerializeConfig(With({{name, value}})));
        ASSERT_GT(lines.size(), static_cast<size_t>(line));
        EXPECT_EQ(lines[line], expected);
    }
    std::string log(256, 'y');
    EXPECT_EQ(Lines(SerializeConfig(With({{"LogTranslation", log.c_str()}})))[1048], " 121 ");
}

TEST(ConfigFileTest, RawBlockOrderDiffersFromCountOrderAndTrailerFollows) {
    std::string bytes = SerializeConfig(With({{"StartOfRecordChars", "S"},
                                              {"EndOfRecordChars", "E"},
                                              {"AckString", "A"},
                                              {"TimerString", "T"},
                                              {"RecordPreamble", "P\\x0D\\x0A"},
                                              {"OutputStringText(20)", "O"},
                                              {"FieldPostamble(1)", "F"},
                                              {"HotKeyString(0)", "H"},
                                              {"DDETopicName", "Topic"},
                                              {"InterCharDelay", "12"}}));
    size_t block = 0;
    for (int n = 0; n < 1461; ++n)
        block = bytes.find("\r\n", block) + 2;
    EXPECT_EQ(bytes.substr(block), "SEATP\r\nOFHTopic\r\n12\r\n");
}

// Version 2 shares lines 2-1048 but for the delimiter line; then its own order.
std::string Version2Of(const Settings& s) {
    auto v3 = Lines(SerializeConfig(s));
    std::string o = std::string(kHeaderVersion2) + "\r\n";
    auto line = [&](const std::string& t) { o += t + "\r\n"; };
    auto counted = [&](const std::string& t) {
        line(" " + std::to_string(t.size()) + " "), o += t;
    };
    for (int n = 2; n <= 1048; ++n)
        line(n == 18 ? s.FieldDelimiter + "rest" : v3[n]);
    counted(s.AckString), counted(s.TimerString), line(v3[1203]), line(v3[1204]);
    counted(s.RecordPreamble);
    for (int i = 1; i <= 20; ++i) {
        int g = 1049 + 7 * (i - 1);
        line("Cap" + std::to_string(i)), counted(s.OutputStringText[i]), line(v3[g + 1]);
        line(v3[g + 2]), counted(s.FieldPostamble[i]), line(v3[g + 3]), line(v3[g + 4]);
        counted(s.FieldPostamble[i + 20]), line(v3[g + 5]), line(v3[g + 6]);
    }
    for (int n = 1189; n <= 1202; ++n)
        line(v3[n]);
    counted(s.StartOfRecordChars), counted(s.EndOfRecordChars);
    return o;
}

TEST(ConfigFileTest, Version2FileIsConvertedAndMarkedChanged) {
    Settings v2 = With({{"FieldDelimiter", ";"},
                        {"AckString", "\\x06\\x0D"},
                        {"TimerInterval", "1500"},
                        {"FieldPostamble(40)", "{TAB}"},
                        {"FieldFormat(21)", "0.00"},
                        {"LogFileName", "/log"},
                        {"EndOfRecordChars", "\\x03"}});
    TempDir dir;
    Config c;
    c.WindowOnTop = True; // not in version 2: kept
    c.InterCharDelay = 9;
    c.ConfigFileName = dir.File("old.PV3");
    WriteFile(c.ConfigFileName, Version2Of(v2));
    RecordingMessages messages;
    LoadConfiguration(c, messages);
    Settings expected = v2;
    expected.WindowOnTop = True;
    expected.InterCharDelay = 0;
    for (int i = 0; i < 20; ++i)
        expected.OutputStringCaption[i] = "Cap" + std::to_string(i + 1);
    EXPECT_EQ(SerializeConfig(c), SerializeConfig(expected));
    EXPECT_TRUE(IsSet(c.ConfigChanged));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.beeps, 1);
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
    EXPECT_EQ(ReadFile(dir.File("a.PV3")), SerializeConfig(Settings{}));
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
    const std::string old = ReadFile(c.ConfigFileName);
    {
        std::ofstream filler(disk + "/filler", std::ios::binary);
        std::string block(4096, 'f');
        while (filler.write(block.data(), block.size()) && filler.flush()) {
        }
    }
    c.HotKeyString[0] = std::string(30000, 'x');
    EXPECT_FALSE(WriteConfigFile(c, m));
    EXPECT_EQ(ReadFile(c.ConfigFileName), old);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_NE(m.shown[0].text.find("No space left"), std::string::npos) << m.shown[0].text;
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), fs::directory_iterator{}), 2);
}

} // namespace
} // namespace pv
