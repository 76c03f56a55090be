#pragma once
// Names of the numbered texts that code looks up directly (window designs
// carry their numbers as tags instead). The number is the text's key in all
// three languages.
namespace pv::txt {

// Font of every window
constexpr int FontName = 20;
constexpr int FontCharset = 21;

// Captions and menu items
constexpr int DdeCommandTargetTitle = 1501;
constexpr int OkButton = 1507;
constexpr int PreInputTranslationsMenu = 2116;
constexpr int EditMenu = 3002;
constexpr int CopyMenu = 3003;
constexpr int QuitMenu = 3004;
constexpr int SuspendMenu = 3005;
constexpr int ResetMenu = 3006;
constexpr int DisableTimedOutputMenu = 3007;
constexpr int EnableTimedOutputMenu = 3008;
constexpr int QuitRunMenu = 3009;
constexpr int AboutMenu = 3010;
constexpr int InputFieldsLabel = 3011;
constexpr int RecordNumberLabel = 3012;
constexpr int DateTimeLabel = 3013;
constexpr int VirtualDevice = 5000;
constexpr int ResumeMenu = 5001;
constexpr int ResumeForOneRecordMenu = 5002;
constexpr int VirtualInputBufferLabel = 5003;
constexpr int VirtualOutputLabel = 5004;
constexpr int VirtualDeviceTitle = 5005;
constexpr int OpenFromTrayMenu = 5006;
constexpr int SetupTitle = 5007;
constexpr int SetupTitleUntitled = 5008;
constexpr int CommandLinkTitle = 6004;
constexpr int BufferLinkTitle = 6005;
constexpr int PasteCommandLinkMenu = 9100;
constexpr int RefreshCommandLinkMenu = 9101;
constexpr int TerminateCommandLinkMenu = 9102;
constexpr int PasteBufferLinkMenu = 9103;
constexpr int RefreshBufferLinkMenu = 9104;
constexpr int TerminateBufferLinkMenu = 9105;

// Messages
constexpr int BufferLinkFailed = 4001;
constexpr int CommandLinkFailed = 4002;
constexpr int FileWriteError = 4003;
constexpr int CannotRunProgram = 4004;
constexpr int InvalidInputTitle = 4005;
constexpr int BufferSizeRange = 4006;
constexpr int SpecialCharMissing = 4007;
constexpr int InvalidStartEvent = 4008;
constexpr int InvalidEndEvent = 4009;
constexpr int RecordLengthRange = 4010;
constexpr int FieldLengthRange = 4011;
constexpr int FieldLengthSumMismatch = 4012;
constexpr int FieldLengthErrorTitle = 4013;
constexpr int RecordDelayRange = 4014;
constexpr int FieldCountRange = 4015;
constexpr int TimerIntervalRange = 4016;
constexpr int FileChangedSave = 4027;
constexpr int SaveCurrentConfig = 4028;
constexpr int OldVersionConverted = 4029;
constexpr int DeviceNotAvailable = 4030;
constexpr int DeviceErrorTitle = 4031;
constexpr int NotAConfigFile = 4032;
constexpr int FileErrorTitle = 4033;
constexpr int DdeTopicBlank = 9000;
constexpr int DdeTopicPrompt = 9001;
constexpr int InvalidDdeTopicTitle = 9002;

constexpr int DateTimeFormatPrompt = 9003;
// The first of the six named formats' display names, in order.
constexpr int FormatNameGeneralNumber = 9004;

} // namespace pv::txt
