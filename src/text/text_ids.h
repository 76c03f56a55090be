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

// Added with the record editor, hot keys, port test terminal and status texts
constexpr int PortAnalyze = 1401;
constexpr int InputData = 1402;
constexpr int TotalByteCount = 1403;
constexpr int SelectedText = 1404;
constexpr int StartPosition = 1405;
constexpr int ByteCount = 1406;
constexpr int PreInputTranslationBox = 1407;
constexpr int OutputFrame = 1408;
constexpr int AsciiChartFrame = 1409;
constexpr int SendButton = 1410;
constexpr int DtrButton = 1411;
constexpr int BreakButton = 1412;
constexpr int ClearInput = 1413;
constexpr int AnalyzeInput = 1414;
constexpr int QuitButton = 1415;
constexpr int HotKeyActionNone = 2009;
constexpr int NoneEntry = 2205;
constexpr int FieldColumn = 2408;
constexpr int NoneNoFilter = 2410;
constexpr int AsciiChartButton = 2614;
constexpr int SingleFieldRecordsWithCr = 4017;
constexpr int SingleFieldRecordsWithTime = 4018;
constexpr int DelimitedRecordsWithFieldsAnd = 4019;
constexpr int NnByteFixedLengthRecords = 4020;
constexpr int ConfigurePortivoxUsingTheseSettings = 4021;
constexpr int InputAnalysisBestGuess = 4022;
constexpr int HotKeysHeld = 7101;
constexpr int HotKeysNeedX11 = 7102;
constexpr int HeldByAnotherProgram = 7103;
constexpr int OwnSample = 9201;
constexpr int AsReceivedColumn = 9205;
constexpr int ResultColumn = 9206;
constexpr int TheSampleHoldsNoComplete = 9207;
constexpr int PositionWord = 9208;
constexpr int LastAnalysedInput = 9210;
constexpr int DeviceMissing = 9300;
constexpr int DevicePermissionDenied = 9301;
constexpr int DeviceBusyBy = 9302;
constexpr int DeviceBusy = 9303;
constexpr int DeviceNotSerial = 9304;
constexpr int DeviceOtherError = 9305;
constexpr int MappedMissingDevice = 9306;
constexpr int DevicesFound = 9310;
constexpr int NoneFound = 9311;
constexpr int TestModeState = 9322;
constexpr int RecordsWord = 9323;
constexpr int KeystrokesToTheFocusedWindow = 9324;
constexpr int KeystrokesTo = 9325;
constexpr int DdeTopicDestination = 9326;
constexpr int LogFileDestination = 9327;
constexpr int OneField = 9328;
constexpr int FieldsDelimited = 9329;
constexpr int FieldsFixedLength = 9330;
constexpr int VirtualInstrumentState = 9331;
constexpr int NoHelpViewer = 9340;
constexpr int ConfigFileMissing = 9341;

// Keyboard backends (9440-9479).
constexpr int BackendX11 = 9440;
constexpr int BackendVirtualKeyboard = 9441;
constexpr int BackendPortal = 9442;
constexpr int BackendUinput = 9443;
constexpr int SessionX11 = 9444;
constexpr int SessionWayland = 9445;
constexpr int SessionTty = 9446;
constexpr int SessionNone = 9447;
constexpr int KeysNoBackend = 9448;
constexpr int KeysWhatToDo = 9449;
constexpr int ForcedBackendUnknown = 9450;
constexpr int SessionLine = 9451;
constexpr int InUseWord = 9452;
constexpr int UsableWord = 9453;
constexpr int NotForThisSession = 9454;
constexpr int ReasonNotBuilt = 9455;
constexpr int ReasonNoDisplay = 9456;
constexpr int ReasonDisplayFails = 9457;
constexpr int ReasonNoXTest = 9458;
constexpr int ReasonNoWaylandDisplay = 9459;
constexpr int ReasonWaylandFails = 9460;
constexpr int ReasonNoVirtualKeyboard = 9461;
constexpr int ReasonNoUinput = 9462;
constexpr int ReasonUinputDenied = 9463;
constexpr int ReasonUinputFails = 9464;
constexpr int KeysThrough = 9465;
constexpr int KeysNowhere = 9466;
constexpr int NamedTargetsNeedX11 = 9467;
constexpr int ReasonNoSeat = 9468;

} // namespace pv::txt
