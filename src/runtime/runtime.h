#pragma once
// The running state of one activated configuration: the 50 ms poll tick,
// the byte-by-byte record assembler, the per-record step and the delivery of
// complete records (keystrokes, DDE, log file).
//
// Use: construct with the configuration, the open SerialPort and the
// collaborators; call Start() once, then PollTick() every 50 ms from the one
// thread that also runs every other command (Suspend, Reset, DDE commands,
// hot keys); Stop() when the run ends. Nothing here blocks except what the
// deliveries do.
//
//   pv::SerialPort port(config, &driver, clock, messages, &store);
//   if (!port.OpenPort()) return;
//   pv::Runtime rt(config, port, clock, messages, store, {&display});
//   rt.Start();
//   while (!quit) { sleep(50ms); rt.PollTick(); }
//   rt.Stop();
#include <array>
#include <cstdint>
#include <string>

#include "config/config.h"
#include "config/settings_store.h"
#include "expr/datetime.h"
#include "expr/evaluator.h"
#include "expr/value.h"
#include "runtime/interfaces.h"
#include "serial/port.h"
#include "text/messages.h"

namespace pv {


/// Assembly rule derived from RecordStructure and EndOfRecordEvent.
enum RecordModes : int16_t {
    SingleFieldCharEnd = 0,
    SingleFieldTimeEnd = 1,
    DelimitedCharEnd = 2,
    ByteCountEnd = 3,
    DelimitedTimeEnd = 4,
    FixedLengthTimeEnd = 5,
    FixedLengthCharEnd = 6,
};

/// Optional collaborators; a null pointer means "do nothing".
struct RuntimeParts {
    RecordDisplay* Display = nullptr;
    KeystrokeDelivery* Keystrokes = nullptr;
    DdeDelivery* Dde = nullptr;
    RuntimeHost* Host = nullptr;
};

/// RecordMode of a structure (0 single, 1 delimited, 2 fixed) and end event
/// (0 CR, 1 time delay, 2 byte count, 3 special characters).
int16_t RecordModeOf(int16_t recordStructure, int16_t endOfRecordEvent);

/// The pre-transfer table of the output mode (256 entries).
ByteTable BuildTransferTable(const Config& config);

/// Log file path with a leading "~/" expanded to $HOME.
std::string ExpandHomePath(const std::string& path);

class Runtime {
  public:
    Runtime(Config& config, SerialPort& port, Clock& clock, MessageSink& messages,
            SettingsStore& store, RuntimeParts parts = {});

    // --- Life cycle -------------------------------------------------------

    /// Start-up of the running window apart from its layout: timer state,
    /// caption, SpecialBeep, field slots, TransferTable, RecordMode, DDE
    /// links on activation, hot keys, ActivateSuspended.
    void Start();
    /// One firing of the 50 ms timer. May be entered again from inside a
    /// delivery that lets events run (message box, launch wait): the inner
    /// tick does the timers and transmission but reads no input.
    void PollTick();
    /// The non-window part of closing: DDE client down, port closed (not in
    /// Virtual Instrument mode), RunMode back to 0 outside Normal mode.
    void Stop();

    // --- User and DDE commands --------------------------------------------

    /// The Suspend menu: suspends when running, resumes when suspended.
    void ToggleSuspend();
    void Suspend() {
        if (!Suspended) ToggleSuspend();
    }
    void Resume() {
        if (Suspended) ToggleSuspend();
    }
    /// Resume1: resume and suspend again after the next complete record.
    void ResumeForOneRecord();
    /// MReset: purge the port, drop the record being assembled, clear the
    /// fields and the record number, resume (then suspend again when
    /// ActivateSuspended).
    void Reset();
    /// "{APPEXIT}": the host's Exit runs at the end of the second unsuspended
    /// tick from now.
    void RequestExit() { ExitRequest = -1; }
    /// TOutCtrl: switches timed output on or off.
    void ToggleTimedOutput();

    // --- Record steps (public for tests and benchmarks) -------------------

    /// Steps 2..9 of the byte loop for one byte read from the port. Returns
    /// false when the tick must stop reading (one-record mode finished a
    /// record, or a log failure suspended the window).
    bool HandleByte(unsigned char byte);
    /// The per-record step. Returns false when the tick must end.
    bool RecordDone();
    /// Converts and delivers FieldValue(1..FieldCount) in the output mode;
    /// leaves slots 1..41 empty.
    void ProcessRecord();
    /// The text to append for `byte` in the current field (may be empty).
    std::string FilterInputChar(unsigned char byte) const;
    /// Runs the conversion chain of field i on FieldValue(i).
    void ConvertField(int i);
    /// The window position stored for this port (default 1000, 1000 twips).
    void LoadWindowPosition(int& left, int& top);
    void StoreWindowPosition(int left, int top);

    // --- Shared run-time values -------------------------------------------

    FieldValues FieldValue;
    int16_t RecordMode = 0;
    bool PrevCharWasSpace = false;
    /// Requests to (re)establish the DDE client links on the next tick.
    bool DDEFieldPasteFlag = false;
    bool DDEBufferPasteFlag = false;

    // --- State of the running window --------------------------------------

    int16_t FieldIndex = 1; // 1..41
    int16_t FieldByteCount = 0;
    int16_t RecordByteCount = 0;
    int16_t IdleTicks = 0; // 0..255
    bool InRecord = false;
    bool VoidRecord = false;
    bool Suspended = false;
    bool OneRecordMode = false;
    int16_t ExitRequest = 0;
    std::string EndChars;
    bool HasDDECommands = false;
    ByteTable TransferTable;
    int16_t TimerState = 0;
    int32_t TimerDueBase = 0;
    std::string WindowTitle;
    std::string SpecialBeep;
    std::string LastShownTime; // formatted text last put into DateTime
    bool OptoQuerySent = false;
    /// DDE topic served by the window; "SYSTEM" until Start() sets it.
    std::string DdeTopic = "SYSTEM";
    /// Text of the RecordNumber box ("" = no record yet).
    std::string RecordNumber;
    /// The caption currently shown.
    std::string Caption;

  private:
    int FieldCount() const;
    void ClearSlots();
    void ShowRecordNumberPlusOne();
    void TimedOutputStep();
    bool ReadInput();
    void DeliverKeystrokes();
    void DeliverDde();
    void DeliverLog();
    bool WriteLogLine(const std::string& line);
    bool ByteStartsRecord(unsigned char byte) const;
    void FilterInto(std::string& out, unsigned char byte) const;
    void Append(unsigned char byte);
    void NextField();
    bool DelimiterAdvances() const;
    std::string SuspendCaption(bool suspended) const;

    Config& config_;
    SerialPort& port_;
    Clock& clock_;
    MessageSink& messages_;
    SettingsStore& store_;
    RecordDisplay* display_;
    KeystrokeDelivery* keys_;
    DdeDelivery* dde_;
    RuntimeHost* host_;
    bool stopByteLoop_ = false;
    bool inByteLoop_ = false;
    int delimiter_ = -1;                       // first byte of FieldDelimiter
    std::array<bool, 256> identityTransfer_{}; // TransferTable(i) is i itself
};

} // namespace pv
