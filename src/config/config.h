#pragma once
// Every saved setting and the small program state, in one plain record.
// Fields carry the names the whole program uses; flags are int16 holding
// -1 (true) or 0 (false). Per-field arrays are indexed 1..40 (slots 0..42),
// hot keys 0..49, output strings 1..20 (slots 0..20), translation tables by
// byte value.
#include <array>
#include <cstdint>
#include <string>

#include "text/key_names.h"

namespace pv {

using Flag = int16_t;
constexpr Flag True = -1;
constexpr Flag False = 0;
inline bool IsSet(Flag f) {
    return f != 0;
}

constexpr int kFieldSlots = 43; // 0..42; fields 1..40
constexpr int kMaxFields = 40;
constexpr int kHotKeys = 50; // 0..49
constexpr int kOutputStrings = 20;

template <typename T> using FieldArray = std::array<T, kFieldSlots>;
template <typename T> using HotKeyArray = std::array<T, kHotKeys>;
template <typename T> using StringArray = std::array<T, kOutputStrings + 1>;
using ByteTable = std::array<std::string, 256>;

// The file's coded settings. Unscoped with the file's 16-bit type, so a
// value the file holds but the program does not know survives a round trip.
enum OutputModes : int16_t { SendKeystrokes = 0, DdeServer = 1, LogToDisk = 2 };
enum RunModes : int16_t { NotRunning = 0, RunNormal = 1, RunVirtual = 2, RunTest = 3 };
enum StartEvent : int16_t {
    StartOnAnyChar = 0,
    StartOnAlphaNumeric = 1,
    StartOnNumeric = 2,
    StartOnSpecialChars = 3
};
enum EndEvent : int16_t {
    EndOnCr = 0,
    EndOnTimeDelay = 1,
    EndOnByteCount = 2,
    EndOnSpecialChars = 3
};
enum RecordShape : int16_t { SingleField = 0, DelimitedFields = 1, FixedLengthFields = 2 };
enum FlowControlMode : int16_t { FlowNone = 0, FlowXonXoff = 1, FlowHardware = 2, FlowOptoRs = 3 };
enum ParityCode : int16_t {
    ParityNone = 0,
    ParityOdd = 1,
    ParityEven = 2,
    ParityMark = 3,
    ParitySpace = 4
};
// Data bits are stored as the count less five.
enum DataBitsCode : int16_t { DataBits5 = 0, DataBits6 = 1, DataBits7 = 2, DataBits8 = 3 };
enum StopBitsCode : int16_t { StopBitsOne = 0, StopBitsOneAndHalf = 1, StopBitsTwo = 2 };

/// The settings a configuration file carries.
struct Settings {
    // Serial port
    int16_t CommPort = 0;
    int16_t BaudRate = 6;
    ParityCode Parity = ParityOdd;
    DataBitsCode DataBits = DataBits7;
    StopBitsCode StopBits = StopBitsOne;
    FlowControlMode FlowControl = FlowNone;
    int32_t InputBufferSize = 4096;
    int32_t OutputBufferSize = 1024;

    // Output mode and targets
    OutputModes OutputMode = SendKeystrokes;
    std::string KeyTargetTitle;
    std::string KeyTargetCommand;
    Flag KeyTargetSpecified = True;
    int32_t InterCharDelay = 1;
    std::string DDECommandApp = "Excel";
    std::string DDECommandTopic = "System";
    std::string DDECommand;
    std::string LogFileName = "~/Portivox.Log";
    std::string DDETopicName;
    std::string CmdLinkApp, CmdLinkTopic, CmdLinkItem;
    Flag CmdLinkOnActivation = False;
    std::string BufferLinkApp, BufferLinkTopic, BufferLinkItem;
    Flag BufferLinkOnActivation = False;
    Flag BufferLinkStripCrLf = True;

    // Record structure and record events
    StartEvent StartOfRecordEvent = StartOnAnyChar;
    std::string StartOfRecordChars;
    EndEvent EndOfRecordEvent = EndOnCr;
    std::string EndOfRecordChars;
    int16_t RecordDelayTicks = 3;
    RecordShape RecordStructure = SingleField;
    int16_t RecordLength = 0;
    int16_t FieldCount = 1;
    std::string FieldDelimiter = ",";
    std::string RecordPreamble;

    // Field definitions, 1..40
    FieldArray<std::string> FieldFilter;
    FieldArray<int16_t> FieldLength{};
    FieldArray<std::string> FieldPostamble;
    FieldArray<std::string> FieldFormat;
    FieldArray<std::string> FieldMathExpression;

    // Translation tables
    ByteTable PreInputTable;
    ByteTable KeystrokeTranslation;
    std::string DDETranslation; // 256 characters; position i+1 for byte i
    std::string LogTranslation; // 256 characters

    // Output strings and timer
    std::string AckString;
    std::string TimerString;
    int32_t TimerInterval = 0;
    int16_t TimerFlags = 0;
    StringArray<std::string> OutputStringCaption;
    StringArray<std::string> OutputStringText;

    // Hot keys
    HotKeyArray<int16_t> HotKeyCode{};
    HotKeyArray<int16_t> HotKeyAction{};
    HotKeyArray<std::string> HotKeyString;

    // Running-window options
    Flag ActivateSuspended = False;
    Flag MinimizeOnActivation = False;
    Flag WindowOnTop = False;
    Flag BeepOnInput = False;
    int16_t WindowButtons = 0;
    Flag ShowDateTime = False;
    std::string DateTimeFormat;

    Settings(); // the defaults, translation tables included
};

/// Program state, never saved.
struct ProgramState {
    std::string ConfigFileName;
    Flag ConfigChanged = False;
    Flag ConfigLoaded = False;
    RunModes RunMode = NotRunning;
    Flag PortTestActive = False;
    int16_t CommandLineConfig = 0;
    std::string DecimalSeparator = ".";
    std::string CR = "\r";
    std::string LF = "\n";
    std::string CRLF = "\r\n";
    Flag QuitOnSetupUnload = True;
    int WindowsMajorVersion = 0;
    std::string PortName;
    std::array<std::string, 256> TranslationDisplay;
    std::array<std::string, kKeyTableSize> KeyNames;
    std::array<int16_t, kKeyTableSize> KeyCodes{};
    std::string PickedChars;
    std::string PickedKeyMacro;

    // Named formats, 1..6 (rebuilt by every load)
    std::array<std::string, 9> FormatKeywords;
    std::array<std::string, 9> FormatDisplayNames;
};

struct Config : Settings, ProgramState {};

// Timer flag bits
constexpr int16_t TimerEnableOnStart = 1;
constexpr int16_t TimerActionString = 2;
constexpr int16_t TimerActionDtr = 4;
constexpr int16_t TimerActionBreak = 8;

/// The "New" operation: every saved setting back to its default,
/// ConfigFileName and DDETopicName emptied, ConfigLoaded and ConfigChanged
/// false, the translation tables rebuilt. Program state other than those is
/// left alone.
void ResetToDefaults(Config& c);

/// Rebuilds FormatKeywords and FormatDisplayNames (display names from the
/// text table of the current language).
void BuildNamedFormats(Config& c);

/// Start-up: decimal separator, CR/LF constants, key-name table and
/// translation display lines.
void BuildStartupTables(Config& c);

/// The four translation tables at their defaults.
ByteTable DefaultPreInputTable();
ByteTable DefaultKeystrokeTranslation();
std::string DefaultDDETranslation();
std::string DefaultLogTranslation();

/// Baud rate in bits per second of a BaudRate index (any other value: 9600).
int BaudRateValue(int16_t index);

/// "COM" followed by CommPort + 1.
std::string PortNameOf(int16_t commPort);

/// The one process-wide configuration.
Config& TheConfig();

} // namespace pv
