#pragma once
// The command language other programs drive a running window with, by DDE
// execute or through the command source link: "{BEEP}", "[SENDOUT('AB',13)]",
// "{CONFIG(/path/file.PV3)}", ... One command per text; a refused command
// is the negative acknowledgement.
//
//   pv::CommandInterpreter commands(config, runtime, port, clock, messages, items,
//                                   {&window, &clipboard, &links});
//   bool accepted = commands.Execute("{SENDOUT('AB',13,10)}");
#include <string>

#include "config/config.h"
#include "output/dde_items.h"
#include "output/dde_link_text.h"
#include "runtime/runtime.h"
#include "serial/port.h"
#include "text/messages.h"

namespace pv {

/// What the command language reaches in the running window itself. The
/// defaults do nothing, which is right for a run without a window.
class CommandWindow {
  public:
    virtual ~CommandWindow() = default;
    /// "{APPNORMAL}": show the window without activating it.
    virtual void ShowNormal() {}
    /// "{APPMINIMIZE}".
    virtual void Minimize() {}
    /// The TOutCtrl menu item after a new interval: its caption names the
    /// next action (3007 while on, 3008 while off); `enabled` whether it can
    /// be chosen. Its visibility is left alone.
    virtual void TimedOutputMenuState(bool /*enabled*/, bool /*on*/) {}
    /// Before a configuration is loaded: string buttons 2..20 and field boxes
    /// 2..FieldCount go, string button 1 is hidden.
    virtual void RemoveDynamicControls() {}
    /// After a configuration was loaded and the runtime started again: lay
    /// the window out for it.
    virtual void Rebuild() {}
};

/// The clipboard with its link format beside plain text.
class DdeClipboard {
  public:
    virtual ~DdeClipboard() = default;
    /// Clears the clipboard, then puts `link` in the link format and `text`
    /// as plain text.
    virtual void SetLink(const std::string& link, const std::string& text) = 0;
    /// The link-format text; false unless the clipboard holds the link
    /// format and plain text.
    virtual bool GetLink(std::string& link) = 0;
};

/// The two client links of the running window (command source, output
/// buffer), as far as the Edit menu sees them.
class DdeLinkControl {
  public:
    virtual ~DdeLinkControl() = default;
    /// Whether the link's mode is not "none".
    virtual bool CommandLinkActive() = 0;
    virtual bool BufferLinkActive() = 0;
    /// Link mode to "none".
    virtual void TerminateCommandLink() = 0;
    virtual void TerminateBufferLink() = 0;
};

struct CommandParts {
    CommandWindow* Window = nullptr;
    DdeClipboard* Clipboard = nullptr;
    DdeLinkControl* Links = nullptr;
};

/// Which Edit menu items are enabled right now.
struct EditMenuState {
    bool PasteCommand = false, RefreshCommand = false, TerminateCommand = false;
    bool PasteBuffer = false, RefreshBuffer = false, TerminateBuffer = false;
    bool operator==(const EditMenuState&) const = default;
};

/// A command text made ready for matching.
struct PreparedCommand {
    /// Upper case, blanks trimmed, cut after the last closing bracket, outer
    /// square brackets turned into braces.
    std::string Cmd;
    /// The received text, blanks trimmed, case kept: text arguments are taken
    /// from here at the same positions.
    std::string Received;
};

PreparedCommand PrepareCommand(const std::string& text);

/// Decodes an argument list of decimal codes and quoted texts:
/// "'Hello',13,10" gives "Hello\r\n"; each code is taken modulo 256.
std::string DecodeCommandArgument(const std::string& argument);

/// Upper case in the Western code page (a..z and the accented letters).
std::string UpperCase(std::string text);

class CommandInterpreter {
  public:
    CommandInterpreter(Config& config, Runtime& runtime, SerialPort& port, Clock& clock,
                       MessageSink& messages, DdeItems& items, CommandParts parts = {});

    /// Runs one command; false when it is refused.
    bool Execute(const std::string& command);

    /// The service name put into clipboard links.
    std::string ServiceName = kDdeServiceName;

    // --- The Edit menu's link items ---------------------------------------

    EditMenuState EditMenu();
    /// Stores the clipboard's link into the link's settings and asks the next
    /// tick to establish it.
    void PasteCommandLink();
    void PasteBufferLink();
    /// Asks the next tick to establish the link again.
    void RefreshCommandLink() { runtime_.DDEFieldPasteFlag = true; }
    void RefreshBufferLink() { runtime_.DDEBufferPasteFlag = true; }
    void TerminateCommandLink();
    void TerminateBufferLink();

    /// Puts a link to `item` with its current text on the clipboard.
    void CopyLink(const std::string& item);

  private:
    bool RunFixed(const std::string& cmd, bool& accepted);
    bool RunWithArgument(const PreparedCommand& c);
    bool Push(const std::string& argument);
    bool SetTimerInterval(double value);
    bool LoadConfiguration(const std::string& path);
    bool RunLinkItem(bool enabled, void (CommandInterpreter::*handler)());
    bool Virtual() const { return config_.RunMode == RunVirtual; }
    int FieldCount() const;

    Config& config_;
    Runtime& runtime_;
    SerialPort& port_;
    Clock& clock_;
    MessageSink& messages_;
    DdeItems& items_;
    CommandParts parts_;
};

} // namespace pv
