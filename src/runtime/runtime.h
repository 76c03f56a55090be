#pragma once
// The running state of one activated configuration: the 50 ms poll tick,
// the byte-by-byte record assembler, the per-record step and the
// conversion of each field. Finished records go to the sink of the output
// mode. Everything that acts on a run (window buttons, menus, hot keys, DDE
// commands) goes through the commands below; windows and tests read the
// snapshot.
//
// Re-entrancy is decided here. A sink may let events run while it delivers
// (typing waits, a message box): a tick arriving then only counts the line
// timers, does the timed output and transmits; Reset and loading another
// configuration wait until the delivery has ended.
//
//   pv::SerialPort port(driver, clock, messages);
//   pv::Runtime rt(config, port, clock, messages, store, {&display, &sinks, &host});
//   rt.Start();
//   every 50 ms: rt.PollTick();
//   rt.Stop();
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/config.h"
#include "config/settings_store.h"
#include "expr/evaluator.h"
#include "expr/format.h"
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
    SinkProvider* Sinks = nullptr;
    RuntimeHost* Host = nullptr;
};

/// RecordMode of a structure (0 single, 1 delimited, 2 fixed) and end event
/// (0 CR, 1 time delay, 2 byte count, 3 special characters).
int16_t RecordModeOf(int16_t recordStructure, int16_t endOfRecordEvent);

/// The pre-transfer table of the output mode (256 entries).
ByteTable BuildTransferTable(const Config& config);

/// The port settings a configuration asks for; `device` "" maps the COM
/// number through the store.
PortSettings PortSettingsOf(const Config& config, SettingsStore* store,
                            const std::string& device = {});

/// What windows and tests can see of a run.
struct RuntimeSnapshot {
    bool Suspended = false;
    bool OneRecordMode = false;
    bool ExitRequested = false;
    bool Delivering = false;
    bool InRecord = false;
    bool TimedOutputOn = false;
    bool VirtualDevice = false;
    TimedOutputMenuState TimedOutputMenu;
    std::string Caption;
    std::string WindowTitle; // "Portivox - COM1"
    std::string DdeTopic;
    std::string RecordNumber;                    // "" before the first record and after Reset
    std::array<std::string, kFieldSlots> Fields; // as the boxes show them
    std::string PendingOutput;                   // queued for the device
};

class Runtime : private RecordBoxes {
  public:
    /// The most input bytes one tick reads; the rest waits for the next.
    static constexpr size_t kTickReadLimit = 64u << 10;

    Runtime(Config& config, SerialPort& port, Clock& clock, MessageSink& messages,
            SettingsStore& store, RuntimeParts parts = {});

    // --- Life cycle -------------------------------------------------------

    /// Start-up of the running window apart from its layout: timer state,
    /// caption, SpecialBeep, field slots, TransferTable, RecordMode, the
    /// sink of the output mode, DDE links on activation, hot keys,
    /// ActivateSuspended.
    void Start();
    /// One firing of the 50 ms timer.
    void PollTick();
    /// The sinks stop and the port closes (DTR and RTS low).
    void Stop();

    // --- Commands ---------------------------------------------------------

    /// Appends to the queued output (sent by the next tick); false past the
    /// queue's bound.
    bool QueueOutput(const std::string& bytes);
    /// Appends a whole file (bounded to kQueueFileLimit; "~/" is the home
    /// folder); false if refused.
    bool QueueFile(const std::string& path);
    /// The Suspend menu: suspends when running, resumes when suspended.
    void ToggleSuspend();
    void Suspend();
    void Resume();
    /// Resume1: resume and suspend again after the next complete record.
    void ResumeForOneRecord();
    /// MReset: purge the port, drop the record being assembled, clear the
    /// fields and the record number, resume (then suspend again when
    /// ActivateSuspended). Waits for a delivery in progress to end.
    void Reset();
    /// "{CLEAR}": empties the field boxes.
    void ClearFields();
    /// The timed output's next action comes one interval from now.
    void RestartTimer();
    /// TOutCtrl: switches timed output on or off.
    void ToggleTimedOutput();
    void SetTimedOutput(bool on);
    /// A new TimerInterval: above 0 restarts the schedule; 0 or less stops
    /// the timed output and disables its menu item.
    void SetTimerInterval(int32_t interval);
    /// What the timed output sends from its next action on.
    void SetTimerString(const std::string& text);
    /// Ask the next tick to (re)establish a DDE client link.
    void RequestCommandLink();
    void RequestBufferLink();
    /// A DDE client link to another application's item (a pasted link):
    /// stored in the link's settings, established by the next tick.
    void SetCommandLink(const std::string& app, const std::string& topic, const std::string& item);
    void SetBufferLink(const std::string& app, const std::string& topic, const std::string& item);
    /// Whether text from the output buffer link loses its CR and LF bytes.
    void SetBufferLinkStripCrLf(bool on);
    /// DTR, RTS and BREAK; false (refused) where the device has no lines.
    bool Signal(LineSignal signal);
    /// A run-time line change; the setting follows when the port took it (a
    /// rate outside the baud table leaves BaudRate as it was).
    void ChangeLine(LineParameter parameter, int32_t value);
    /// "{APPEXIT}": the host's Exit runs at the end of the second unsuspended
    /// tick from now.
    void RequestExit();
    /// Loads another configuration for the same port and restarts the run
    /// with it; waits for a delivery in progress to end. False when refused
    /// (the virtual device, or a file that is no configuration for this port).
    /// A leading "~/" is the home folder.
    bool LoadConfiguration(const std::string& path);

    // --- Reading ----------------------------------------------------------

    RuntimeSnapshot Snapshot() const;
    bool Suspended() const { return suspended_; }
    bool TimedOutputOn() const { return (timerState_ & 1) != 0; }
    const std::string& DdeTopic() const { return ddeTopic_; }
    const std::string& WindowTitle() const { return windowTitle_; }
    /// The window position stored for this port (default 1000, 1000 twips).
    void LoadWindowPosition(int& left, int& top);
    void StoreWindowPosition(int left, int top);

  private:
    // RecordBoxes, for the sink delivering the current record.
    void ShowField(int i) override;
    void CountRecord() override;

    int FieldCount() const;
    void ClearSlots();
    void TimedOutputStep();
    void ShowTimedOutputMenu();
    bool ReadInput();
    bool HandleByte(unsigned char byte);
    bool RecordDone();
    bool ProcessRecord();
    void ConvertField(int i);
    void CompileRun();
    std::string SuspendCaption(bool suspended) const;
    void Append(unsigned char byte);
    void AppendRun(std::string_view bytes);
    void StartText(Value& slot);
    static void AppendHex(std::string& text, unsigned char byte);
    void NextField();
    bool DelimiterAdvances() const;
    void DoReset();
    void DoLoadConfiguration();
    void RunDeferred();
    void SelectSink();

    Config& config_;
    SerialPort& port_;
    Clock& clock_;
    MessageSink& messages_;
    SettingsStore& store_;
    RecordDisplay* display_;
    SinkProvider* sinks_;
    RuntimeHost* host_;
    RecordSink* sink_ = nullptr;

    // The record being assembled.
    FieldValues fieldValue_;
    int16_t recordMode_ = 0;
    int16_t fieldIndex_ = 1; // 1..41
    int16_t fieldByteCount_ = 0;
    int16_t recordByteCount_ = 0;
    int16_t idleTicks_ = 0; // 0..255
    bool inRecord_ = false;
    bool voidRecord_ = false;
    bool prevCharWasSpace_ = false;
    bool optoQuerySent_ = false;
    std::string endChars_;
    int delimiter_ = -1; // first byte of FieldDelimiter
    ByteTable transferTable_;
    std::array<bool, 256> identityTransfer_{}; // transferTable_[i] is i itself

    // The configuration's rules, prepared once per run (CompileRun) so that
    // a byte costs a few table look-ups.
    enum class PreInput : uint8_t { Pass, Ignore, Void, Replace };
    std::array<PreInput, 256> preInputKind_{};
    std::array<unsigned char, 256> preInputByte_{}; // the byte that goes on
    std::array<bool, 256> startsRecord_{};
    std::array<bool, 256> endsRecord_{};
    std::array<bool, 256> plain_{}; // inside a record: no rule but the filter
    std::array<bool, 256> numeric_{};
    std::array<bool, 256> kept_{}; // "C" filter: all but what translates to NUL
    std::array<bool, 256> none_{}; // "I" filter
    std::array<char, kFieldSlots> filterLetter_{};
    // The bytes each field's filter keeps; null for "B" (hex pairs).
    std::array<const std::array<bool, 256>*, kFieldSlots> keeps_{};
    std::array<bool, kFieldSlots> hasExpression_{};
    std::array<bool, kFieldSlots> hasFormat_{};
    std::array<CompiledExpression, kFieldSlots> expressions_;
    std::array<CompiledFormat, kFieldSlots> formats_;
    CompiledFormat dateTimeFormat_;
    EvalContext eval_; // rnd goes on across reloads of the same run

    // The record being delivered.
    Record record_;
    std::array<std::string, kFieldSlots> shown_;
    long recordCount_ = 0;

    // The window's state.
    bool suspended_ = false;
    bool oneRecordMode_ = false;
    int16_t exitRequest_ = 0;
    bool commandLinkRequested_ = false;
    bool bufferLinkRequested_ = false;
    int16_t timerState_ = 0;
    bool timerStarted_ = false;
    uint32_t timerBase_ = 0; // tick count the next interval is measured from
    TimedOutputMenuState timerMenu_;
    std::string windowTitle_;
    std::string caption_;
    std::string specialBeep_;
    std::string lastShownTime_;
    std::string ddeTopic_ = "SYSTEM";

    // Re-entrancy.
    bool delivering_ = false;
    bool stopByteLoop_ = false;
    bool resetDeferred_ = false;
    std::string reloadDeferred_;
    bool reloadPending_ = false;
};

} // namespace pv
