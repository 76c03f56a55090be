#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <unistd.h>

#include "config/config_file.h"
#include "config/settings_table.h"
#include "fakes/recording_messages.h"
#include "text/strings.h"

namespace pv {
namespace {

using testing::RecordingMessages;

class TempDir {
  public:
    TempDir() {
        path_ = std::filesystem::temp_directory_path() /
                ("pvcfg-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
    static inline int counter_ = 0;
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

std::vector<std::string> Lines(const std::string& bytes, size_t count) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (lines.size() < count) {
        size_t crlf = bytes.find("\r\n", pos);
        lines.push_back(bytes.substr(pos, crlf - pos));
        pos = crlf + 2;
    }
    return lines;
}

// Settings that the file does not store: spare array slots.
bool IsStored(const std::string& name, int index) {
    static const std::set<std::string> perField = {"FieldFilter", "FieldLength", "FieldPostamble",
                                                   "FieldFormat", "FieldMathExpression"};
    if (perField.count(name)) return index >= 1 && index <= 40;
    if (name == "OutputStringCaption" || name == "OutputStringText") return index >= 1;
    return true;
}

bool IsRawBlockString(const std::string& name) {
    static const std::set<std::string> raw = {
        "StartOfRecordChars", "EndOfRecordChars", "AckString",      "TimerString",
        "RecordPreamble",     "OutputStringText", "FieldPostamble", "HotKeyString"};
    return raw.count(name) > 0;
}

std::map<std::string, std::string> Snapshot(Settings& s) {
    std::map<std::string, std::string> out;
    ForEachSetting(s, [&](const std::string& name, int index, SettingRef ref) {
        std::string key = name + "(" + std::to_string(index) + ")";
        if (auto* t = std::get_if<std::string*>(&ref))
            out[key] = **t;
        else if (auto* i = std::get_if<int16_t*>(&ref))
            out[key] = std::to_string(**i);
        else
            out[key] = std::to_string(*std::get<int32_t*>(ref));
    });
    return out;
}

// Every stored setting gets a random value of the shape the program uses.
void Randomise(Settings& s, std::mt19937& rng) {
    auto bytes = [&](size_t maxLen, bool anyByte) {
        std::string t(rng() % (maxLen + 1), '\0');
        for (auto& c : t) {
            do
                c = static_cast<char>(rng() % 256);
            while (!anyByte && (c == '\r' || c == '\n'));
        }
        return t;
    };
    ForEachSetting(s, [&](const std::string& name, int index, SettingRef ref) {
        if (!IsStored(name, index)) return;
        if (auto* i16 = std::get_if<int16_t*>(&ref)) {
            **i16 = static_cast<int16_t>(rng());
        } else if (auto* i32 = std::get_if<int32_t*>(&ref)) {
            **i32 = static_cast<int32_t>(rng());
        } else {
            std::string& t = *std::get<std::string*>(ref);
            if (name == "FieldDelimiter")
                t = std::string(1, static_cast<char>(rng() % 256));
            else if (name == "DDETranslation" || name == "LogTranslation") {
                t.clear();
                for (int k = 0; k < 256; ++k)
                    t += static_cast<char>(rng() % 256);
            } else if (name == "PreInputTable") {
                int pick = static_cast<int>(rng() % 10);
                t = pick == 0   ? "Ignore"
                    : pick == 1 ? "Void Record"
                                : std::string(1, static_cast<char>(rng() % 256));
            } else {
                t = bytes(40, IsRawBlockString(name));
                if (t == "{ }") t = "x";
            }
        }
    });
    s.FieldDelimiter = std::string(1, static_cast<char>(rng() % 256));
    s.CommPort = static_cast<int16_t>(rng() % 32768); // a negative port marks an invalid file
    s.RecordPreamble = std::string("\0\r\n\xFF", 4) + s.RecordPreamble;
}

class ConfigFileTest : public ::testing::Test {
  protected:
    void SetUp() override { SetLanguage(Language::English); }
    TempDir dir;
    RecordingMessages messages;
};

TEST_F(ConfigFileTest, RoundTripKeepsEveryStoredSettingByteForByte) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        Config written;
        Randomise(written, rng);
        written.ConfigFileName = dir.File("r.PV3");
        ASSERT_TRUE(WriteConfigFile(written, messages)) << "seed " << seed;

        Config read;
        read.ConfigFileName = written.ConfigFileName;
        LoadConfiguration(read, messages);
        ASSERT_TRUE(messages.shown.empty()) << messages.shown.front().text;
        auto a = Snapshot(written), b = Snapshot(read);
        for (auto& [key, value] : a) {
            std::string name = key.substr(0, key.find('('));
            int index = std::stoi(key.substr(key.find('(') + 1));
            if (IsStored(name, index)) {
                EXPECT_EQ(value, b[key]) << key << " seed " << seed;
            }
        }
        EXPECT_EQ(read.ConfigFileName, written.ConfigFileName);
        EXPECT_TRUE(read.ConfigLoaded);
        EXPECT_FALSE(read.ConfigChanged);
    }
}

TEST_F(ConfigFileTest, ChosenLinesHaveTheirExactBytes) {
    Config c;
    c.FieldDelimiter = ",";
    c.PreInputTable[65] = "A";
    c.PreInputTable[66] = "Void Record";
    c.CommPort = -3;
    c.InterCharDelay = 25;
    c.AckString = "a";
    c.TimerString = "tt";
    c.RecordPreamble = "pp\r\n";
    c.StartOfRecordChars = "ssss";
    c.EndOfRecordChars = "eeeee";
    std::string bytes = SerializeConfig(c);
    auto lines = Lines(bytes, 1461);
    EXPECT_EQ(lines[0], kHeaderVersion3);
    EXPECT_EQ(lines[1], "-3 ");
    EXPECT_EQ(lines[2], " 6 ");
    EXPECT_EQ(lines[17], " 44 ");
    EXPECT_EQ(lines[345], " 65");
    EXPECT_EQ(lines[346], "Void Record");
    EXPECT_EQ(lines[1048], "String1");
    EXPECT_EQ(lines[1188], "~/Portivox.Log");
    // Counts in the order Ack, Timer, Preamble, Start, End ...
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1346, lines.begin() + 1351),
              (std::vector<std::string>{" 1 ", " 2 ", " 4 ", " 4 ", " 5 "}));
    // ... while the block holds Start, End, Ack, Timer, Preamble.
    size_t block = 0;
    for (int i = 0; i < 1461; ++i)
        block = bytes.find("\r\n", block) + 2;
    EXPECT_EQ(bytes.substr(block), "sssseeeeeattpp\r\n\r\n25\r\n");
}

TEST_F(ConfigFileTest, KeystrokeEntryOfBracedSpaceReadsAsPlainSpace) {
    Config c;
    c.KeystrokeTranslation[32] = "{ }";
    c.ConfigFileName = dir.File("s.PV3");
    ASSERT_TRUE(WriteConfigFile(c, messages));
    Config r;
    r.ConfigFileName = c.ConfigFileName;
    LoadConfiguration(r, messages);
    EXPECT_EQ(r.KeystrokeTranslation[32], " ");
}

TEST_F(ConfigFileTest, MissingTrailingLinesKeepTopicAndZeroTheDelay) {
    Config c;
    c.DDETopicName = "Scale";
    std::string bytes = SerializeConfig(c);
    bytes.resize(bytes.size() - std::string("Scale\r\n1\r\n").size());
    std::string path = dir.File("t.PV3");
    WriteFile(path, bytes);
    Config r;
    r.DDETopicName = "Before";
    r.ConfigFileName = path;
    LoadConfiguration(r, messages);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(r.DDETopicName, "Before");
    EXPECT_EQ(r.InterCharDelay, 0);
}

// A version-2 file built from its documented layout.
std::string Version2File(const Settings& s) {
    std::string o;
    auto line = [&](const std::string& t) { o += t + "\r\n"; };
    auto num = [&](long long v) {
        line((v < 0 ? "-" : " ") + std::to_string(v < 0 ? -v : v) + " ");
    };
    auto counted = [&](const std::string& t) {
        num(static_cast<long long>(t.size()));
        o += t;
    };
    line(kHeaderVersion2);
    for (long long v : {s.CommPort, s.BaudRate, s.Parity, s.DataBits, s.StopBits, s.FlowControl})
        num(v);
    num(s.InputBufferSize);
    num(s.OutputBufferSize);
    num(s.BeepOnInput);
    for (long long v : {s.OutputMode, s.RecordDelayTicks, s.StartOfRecordEvent, s.EndOfRecordEvent,
                        s.RecordStructure, s.RecordLength, s.FieldCount})
        num(v);
    line(s.FieldDelimiter + "ignored rest");
    line(s.KeyTargetTitle);
    line(s.KeyTargetCommand);
    num(s.KeyTargetSpecified);
    line(s.DDECommandApp);
    line(s.DDECommandTopic);
    line(s.DDECommand);
    for (auto& e : s.KeystrokeTranslation)
        line(e);
    for (auto& e : s.PreInputTable)
        line(" " + std::to_string(static_cast<unsigned char>(e[0])));
    for (unsigned char ch : s.DDETranslation)
        num(ch);
    for (unsigned char ch : s.LogTranslation)
        num(ch);
    counted(s.AckString);
    counted(s.TimerString);
    num(s.TimerInterval);
    num(s.TimerFlags);
    counted(s.RecordPreamble);
    for (int i = 1; i <= 20; ++i) {
        line("Cap" + std::to_string(i));
        counted(s.OutputStringText[i]);
        line(s.FieldFilter[i]);
        num(s.FieldLength[i]);
        counted(s.FieldPostamble[i]);
        line(s.FieldFilter[i + 20]);
        num(s.FieldLength[i + 20]);
        counted(s.FieldPostamble[i + 20]);
        line(s.FieldFormat[i]);
        line(s.FieldFormat[i + 20]);
    }
    line(s.LogFileName);
    num(s.MinimizeOnActivation);
    line(s.CmdLinkApp);
    line(s.CmdLinkTopic);
    line(s.CmdLinkItem);
    num(s.CmdLinkOnActivation);
    line(s.BufferLinkApp);
    line(s.BufferLinkTopic);
    line(s.BufferLinkItem);
    num(s.BufferLinkOnActivation);
    num(s.BufferLinkStripCrLf);
    line(s.DateTimeFormat);
    num(s.ShowDateTime);
    num(s.WindowButtons);
    counted(s.StartOfRecordChars);
    counted(s.EndOfRecordChars);
    return o;
}

TEST_F(ConfigFileTest, Version2FileIsConvertedAndMarkedChanged) {
    Settings v2;
    v2.CommPort = 2;
    v2.FieldDelimiter = ";";
    v2.AckString = "\x06\r\n";
    v2.TimerInterval = 1500;
    v2.RecordPreamble = "{HOME}";
    v2.OutputStringText[3] = "P\r";
    v2.FieldPostamble[1] = "{TAB}";
    v2.FieldPostamble[40] = "\r\n";
    v2.FieldLength[21] = 7;
    v2.EndOfRecordChars = std::string("\0\x03", 2);
    std::string path = dir.File("old.PV3");
    WriteFile(path, Version2File(v2));

    Config r;
    r.WindowOnTop = True;                // not carried by version 2
    r.FieldMathExpression[4] = "x * 2"; // neither
    r.OutputStringCaption[20] = "Keep";
    r.InterCharDelay = 9;
    r.ConfigFileName = path;
    LoadConfiguration(r, messages);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(4029));
    EXPECT_EQ(messages.shown[0].title, "Portivox Version 4.0");
    EXPECT_EQ(messages.beeps, 1);
    EXPECT_TRUE(r.ConfigChanged);
    EXPECT_EQ(r.CommPort, 2);
    EXPECT_EQ(r.FieldDelimiter, ";");
    EXPECT_EQ(r.AckString, "\x06\r\n");
    EXPECT_EQ(r.TimerInterval, 1500);
    EXPECT_EQ(r.RecordPreamble, "{HOME}");
    EXPECT_EQ(r.OutputStringText[3], "P\r");
    EXPECT_EQ(r.FieldPostamble[1], "{TAB}");
    EXPECT_EQ(r.FieldPostamble[40], "\r\n");
    EXPECT_EQ(r.FieldLength[21], 7);
    EXPECT_EQ(r.EndOfRecordChars, std::string("\0\x03", 2));
    EXPECT_EQ(r.OutputStringCaption[0], "Cap1"); // captions shift down by one
    EXPECT_EQ(r.OutputStringCaption[19], "Cap20");
    EXPECT_EQ(r.OutputStringCaption[20], "Keep");
    EXPECT_EQ(r.WindowOnTop, True);
    EXPECT_EQ(r.FieldMathExpression[4], "x * 2");
    EXPECT_EQ(r.InterCharDelay, 0);

    // Saving writes version 3.
    ASSERT_TRUE(WriteConfigFile(r, messages));
    EXPECT_EQ(ReadFile(path).substr(0, 40), std::string(kHeaderVersion3) + "\r");
}

struct InvalidCase {
    const char* name;
    std::string contents; // empty: the file is not created
    bool createFile;
    bool expectMessage;
};

class InvalidFileTest : public ConfigFileTest, public ::testing::WithParamInterface<InvalidCase> {};

TEST_P(InvalidFileTest, GivesDefaultsUntitledAndTheRightMessage) {
    const InvalidCase& p = GetParam();
    std::string path = dir.File("bad.PV3");
    if (p.createFile) WriteFile(path, p.contents);
    Config c;
    c.CommPort = 5;
    c.AckString = "junk";
    c.DDETopicName = "T";
    c.ConfigFileName = path;
    LoadConfiguration(c, messages);
    Config defaults;
    EXPECT_EQ(Snapshot(c), Snapshot(defaults));
    EXPECT_EQ(c.ConfigFileName, "");
    EXPECT_FALSE(c.ConfigLoaded);
    EXPECT_FALSE(c.ConfigChanged);
    if (p.expectMessage) {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, path + " File is not a valid configuration file.");
        EXPECT_EQ(messages.shown[0].title, "Portivox File Error");
        EXPECT_EQ(messages.shown[0].icon, MsgIcon::Question);
    } else {
        EXPECT_TRUE(messages.shown.empty());
    }
}

std::string ValidWithPort(const std::string& port) {
    std::string b = SerializeConfig(Settings{});
    size_t l2 = b.find("\r\n") + 2;
    return b.substr(0, l2) + port + b.substr(b.find("\r\n", l2));
}

INSTANTIATE_TEST_SUITE_P(
    Load, InvalidFileTest,
    ::testing::Values(InvalidCase{"MissingFile", "", false, false},
                      InvalidCase{"EmptyFile", "", true, true},
                      InvalidCase{"HeaderWithTrailingBlank",
                                  std::string(kHeaderVersion3) + " \r\n 0 \r\n", true, true},
                      InvalidCase{"OtherVersionHeader",
                                  "Portivox Configuration File Version 3.1\r\n 0 \r\n", true, true},
                      InvalidCase{"LowerCaseHeader",
                                  "portivox configuration file version 3.0\r\n 0 \r\n", true, true},
                      InvalidCase{"NegativePort", ValidWithPort("-1 "), true, false},
                      InvalidCase{"PortNotANumber", ValidWithPort("COM1"), true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigFileTest, DelayLineIsReadByItsLeadingNumber) {
    std::string bytes = SerializeConfig(Settings{});
    bytes.resize(bytes.size() - std::string("1\r\n").size());
    std::string path = dir.File("d.PV3");
    for (auto [line, delay] : {std::pair{"  25 ms", 25}, {"7.9", 7}, {"&H10", 16}, {"fast", 0}}) {
        WriteFile(path, bytes + line + "\r\n");
        Config c;
        c.ConfigFileName = path;
        LoadConfiguration(c, messages);
        EXPECT_EQ(c.InterCharDelay, delay) << line;
    }
}

TEST_F(ConfigFileTest, DeviceOrDirectoryIsNoConfiguration) {
    for (const char* path : {"/dev/zero", "/tmp"}) {
        Config c;
        c.ConfigFileName = path;
        c.AckString = "x";
        LoadConfiguration(c, messages);
        EXPECT_EQ(c.AckString, "") << path;
        EXPECT_EQ(c.ConfigFileName, "") << path;
    }
}

TEST_F(ConfigFileTest, EmptyNameGivesDefaultsWithoutMessage) {
    Config c;
    c.BaudRate = 11;
    LoadConfiguration(c, messages);
    EXPECT_EQ(c.BaudRate, 6);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(CheckFile("", messages), -2);
}

TEST_F(ConfigFileTest, TruncatedFilesNeverKeepHalfAConfiguration) {
    Config full;
    std::mt19937 rng(7);
    Randomise(full, rng);
    full.CommPort = 3;
    std::string bytes = SerializeConfig(full);
    std::string tail = full.DDETopicName + "\r\n" + std::to_string(full.InterCharDelay) + "\r\n";
    size_t lastRequired = bytes.size() - tail.size();
    Config defaults;
    auto wanted = Snapshot(defaults);
    std::string path = dir.File("cut.PV3");
    // Every cut inside the text half's second line onwards and the raw block.
    size_t line2 = bytes.find("\r\n") + 2 + 5;
    for (size_t cut = line2; cut < lastRequired; cut += (cut < 400 ? 1 : 53)) {
        WriteFile(path, bytes.substr(0, cut));
        Config c;
        c.ConfigFileName = path;
        RecordingMessages m;
        LoadConfiguration(c, m);
        ASSERT_EQ(Snapshot(c), wanted) << "cut at " << cut;
        ASSERT_EQ(m.shown.size(), 1u) << "cut at " << cut;
        ASSERT_EQ(c.ConfigFileName, "");
    }
}

TEST_F(ConfigFileTest, MalformedNumberLineIsRefused) {
    std::string bytes = SerializeConfig(Settings{});
    size_t pos = 0;
    for (int i = 0; i < 9; ++i)
        pos = bytes.find("\r\n", pos) + 2; // line 10
    bytes.replace(pos, 4, " x1 ");
    std::string path = dir.File("m.PV3");
    WriteFile(path, bytes);
    Config c;
    c.ConfigFileName = path;
    LoadConfiguration(c, messages);
    EXPECT_EQ(c.ConfigFileName, "");
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(ConfigFileTest, NumbersAcceptAnyBlanks) {
    std::string bytes = SerializeConfig(Settings{});
    size_t l2 = bytes.find("\r\n") + 2;
    bytes.replace(l2, 3, "   4      ");
    std::string path = dir.File("b.PV3");
    WriteFile(path, bytes);
    EXPECT_EQ(CheckFile(path, messages), 4);
}

TEST_F(ConfigFileTest, WriteFailureBeepsAndReports) {
    Config c;
    c.ConfigFileName = dir.File("no/such/dir/x.PV3");
    c.ConfigChanged = True;
    EXPECT_FALSE(WriteConfigFile(c, messages));
    EXPECT_EQ(messages.beeps, 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "File I/O Error");
    EXPECT_TRUE(c.ConfigChanged);

    Config untitled;
    EXPECT_FALSE(WriteConfigFile(untitled, messages));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(ConfigFileTest, FullDiskIsAWriteFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP();
    Config c;
    c.ConfigFileName = "/dev/full";
    EXPECT_FALSE(WriteConfigFile(c, messages));
    EXPECT_EQ(messages.beeps, 1);
}

} // namespace
} // namespace pv
