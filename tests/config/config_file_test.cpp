#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
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

std::string Show(const Settings& s) {
    std::string out;
    ForEachSetting([&](const SettingDef& d, int i) {
        out += std::string(d.name) + "(" + std::to_string(i) + ")=" + ShowSetting(s, d, i) + "\n";
    });
    return out;
}

TEST(ConfigFileTest, ExampleFileRoundTripsByteForByte) {
    std::string bytes = ReadFile(PORTIVOX_SOURCE_DIR "/examples/balance.PV3");
    Settings s;
    int version = 0;
    ASSERT_TRUE(ParseConfig(bytes, s, version));
    EXPECT_EQ(version, 3);
    EXPECT_EQ(SerializeConfig(s), bytes);
}

TEST(ConfigFileTest, RandomSettingsSurviveSaveAndLoad) {
    std::mt19937 rng(7);
    auto text = [&](bool anyByte) {
        std::string t(rng() % 12, ' ');
        for (auto& c : t)
            c = static_cast<char>(anyByte ? rng() % 256 : 32 + rng() % 95);
        return t;
    };
    Settings s;
    ForEachSetting([&](const SettingDef& d, int i) {
        if (d.kind != Kind::Text) return d.setNumber(s, i, static_cast<int16_t>(rng()));
        if (d.form == Form::Text || d.form == Form::TrailText) d.text(s, i) = text(false);
        if (d.form == Form::Counted) d.text(s, i) = text(true);
    });
    Settings back;
    int version = 0;
    ASSERT_TRUE(ParseConfig(SerializeConfig(s), back, version));
    // Spare slots are not stored; they come back at their defaults.
    Settings expected = s;
    for (int i : {0, 41, 42}) {
        expected.FieldFilter[i] = back.FieldFilter[i];
        expected.FieldFormat[i] = back.FieldFormat[i];
        expected.FieldLength[i] = back.FieldLength[i];
        expected.FieldPostamble[i] = back.FieldPostamble[i];
        expected.FieldMathExpression[i] = back.FieldMathExpression[i];
    }
    expected.OutputStringCaption[0] = back.OutputStringCaption[0];
    expected.OutputStringText[0] = back.OutputStringText[0];
    EXPECT_EQ(Show(back), Show(expected));
}

struct LineRow {
    const char* name;
    std::function<void(Settings&)> change;
    int line;
    std::string expected;
};

TEST(ConfigFileTest, EachSettingSitsOnItsDocumentedLine) {
    const std::vector<LineRow> rows = {
        {"CommPortLine2", [](Settings& s) { s.CommPort = 4; }, 2, " 4 "},
        {"NegativeNumberHasNoBlankBefore", [](Settings& s) { s.FlowControl = FlowControlMode(-3); },
         7, "-3 "},
        {"BufferSizeIsInt32", [](Settings& s) { s.InputBufferSize = 131072; }, 8, " 131072 "},
        {"EndEventLine14", [](Settings& s) { s.EndOfRecordEvent = EndOnSpecialChars; }, 14, " 3 "},
        {"DelimiterAsCode", [](Settings& s) { s.FieldDelimiter = ","; }, 18, " 44 "},
        {"DdeCommandLine24", [](Settings& s) { s.DDECommand = "[RUN]"; }, 24, "[RUN]"},
        {"KeystrokeEntry255", [](Settings& s) { s.KeystrokeTranslation[255] = "{F1}"; }, 280,
         "{F1}"},
        {"PreInputCodeWithoutTrailingBlank", [](Settings& s) { s.PreInputTable[65] = "A"; }, 346,
         " 65"},
        {"PreInputKeyword", [](Settings& s) { s.PreInputTable[0] = "Void Record"; }, 281,
         "Void Record"},
        {"DdeTranslationCodes", [](Settings& s) { s.DDETranslation[1] = 'x'; }, 538, " 120 "},
        {"LogTranslationCodes", [](Settings& s) { s.LogTranslation[255] = 'y'; }, 1048, " 121 "},
        {"CaptionOpensGroup", [](Settings& s) { s.OutputStringCaption[2] = "Tare"; }, 1056, "Tare"},
        {"SecondHalfFilterInGroup", [](Settings& s) { s.FieldFilter[21] = "N"; }, 1052, "N"},
        {"LastFormatEndsGroups", [](Settings& s) { s.FieldFormat[40] = "0.0"; }, 1188, "0.0"},
        {"LogFileName", [](Settings& s) { s.LogFileName = "/l"; }, 1189, "/l"},
        {"WindowButtons", [](Settings& s) { s.WindowButtons = 3; }, 1202, " 3 "},
        {"TimerInterval", [](Settings& s) { s.TimerInterval = 100000; }, 1203, " 100000 "},
        {"HotKeyActionBeforeCode", [](Settings& s) { s.HotKeyAction[0] = 5; }, 1207, " 5 "},
        {"LastHotKeyCode", [](Settings& s) { s.HotKeyCode[49] = 112; }, 1306, " 112 "},
        {"LastMathExpression", [](Settings& s) { s.FieldMathExpression[40] = "x*2"; }, 1346, "x*2"},
        {"AckCountFirst", [](Settings& s) { s.AckString = "\r\n"; }, 1347, " 2 "},
        {"PreambleCountThird", [](Settings& s) { s.RecordPreamble = "abc"; }, 1349, " 3 "},
        {"SecondHalfPostambleCount", [](Settings& s) { s.FieldPostamble[21] = "abcd"; }, 1354,
         " 4 "},
        {"LastHotKeyStringCount", [](Settings& s) { s.HotKeyString[49] = "12345"; }, 1461, " 5 "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Settings s;
        row.change(s);
        auto lines = Lines(SerializeConfig(s));
        ASSERT_GT(lines.size(), static_cast<size_t>(row.line));
        EXPECT_EQ(lines[row.line], row.expected);
    }
}

TEST(ConfigFileTest, RawBlockOrderDiffersFromCountOrderAndTrailerFollows) {
    Settings s;
    s.StartOfRecordChars = "S";
    s.EndOfRecordChars = "E";
    s.AckString = "A";
    s.TimerString = "T";
    s.RecordPreamble = "P\r\n";
    s.OutputStringText[20] = "O";
    s.FieldPostamble[1] = "F";
    s.HotKeyString[0] = "H";
    s.DDETopicName = "Topic";
    s.InterCharDelay = 12;
    std::string bytes = SerializeConfig(s);
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
    Settings v2;
    v2.FieldDelimiter = ";";
    v2.AckString = "\x06\r\n";
    v2.TimerInterval = 1500;
    v2.FieldPostamble[40] = "{TAB}";
    v2.FieldFormat[21] = "0.00";
    v2.LogFileName = "/log";
    v2.EndOfRecordChars = "\x03";
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
    EXPECT_EQ(Show(c), Show(expected));
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

TEST(ConfigFileTest, SaveReplacesTheFileKeepingItsPermissions) {
    TempDir dir;
    Config c;
    c.ConfigFileName = dir.File("a.PV3");
    WriteFile(c.ConfigFileName, "old");
    ::chmod(c.ConfigFileName.c_str(), 0640);
    RecordingMessages m;
    ASSERT_TRUE(WriteConfigFile(c, m));
    EXPECT_EQ(ReadFile(c.ConfigFileName), SerializeConfig(c));
    struct stat st {};
    ::stat(c.ConfigFileName.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator{}), 1);
}

TEST(ConfigFileTest, FailedSaveLeavesNothingAndSaysWhy) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    for (std::string name : {dir.File("no/such/folder/a.PV3"), dir.File("folder")}) {
        SCOPED_TRACE(name);
        Config c;
        c.ConfigFileName = name;
        RecordingMessages m;
        EXPECT_FALSE(WriteConfigFile(c, m));
        ASSERT_EQ(m.shown.size(), 1u);
        EXPECT_NE(m.shown[0].text.find(name), std::string::npos);
        EXPECT_TRUE(m.shown[0].text.find("No such file") != std::string::npos ||
                    m.shown[0].text.find("not a regular file") != std::string::npos);
    }
    Config untitled;
    RecordingMessages m;
    EXPECT_FALSE(WriteConfigFile(untitled, m));
    EXPECT_TRUE(m.shown.empty());
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
