#pragma once
// The command language other programs drive a running window with, by DDE
// execute or through the command source link: "{BEEP}", "[SENDOUT('AB',13)]",
// "{CONFIG(/path/file.PV3)}", ... One command per text; a refused command
// is the negative acknowledgement.
//
//   pv::CommandInterpreter commands(config, runtime, clock, messages, items,
//                                   {&window, &clipboard, &links});
//   bool accepted = commands.Execute("{SENDOUT('AB',13,10)}");
#include <string>

#include "config/config.h"
#include "output/dde_items.h"
#include "output/dde_link_text.h"
#include "runtime/runtime.h"
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

class CommandInterpreter {
  public:
    CommandInterpreter(const Config& config, Runtime& runtime, Clock& clock, MessageSink& messages,
                       DdeItems& items, CommandParts parts = {});

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
    void RefreshCommandLink() { runtime_.RequestCommandLink(); }
    void RefreshBufferLink() { runtime_.RequestBufferLink(); }
    void TerminateCommandLink();
    void TerminateBufferLink();

    /// Puts a link to `item` with its current text on the clipboard.
    void CopyLink(const std::string& item);

  private:
    /// A command without argument; false refuses it.
    struct FixedCommand {
        const char* Name;
        bool (*Run)(CommandInterpreter& self, int32_t value);
        int32_t Value = 0;
    };
    /// A command with an argument: the prefix, then the argument, then ")}"
    /// when the prefix ends with "(", else "}". The argument is taken from
    /// the text as received (case kept) or from the upper-cased command.
    struct ArgumentCommand {
        const char* Prefix;
        bool KeepsCase;
        bool (*Run)(CommandInterpreter& self, const std::string& argument);
    };
    static const FixedCommand kFixed[];
    static const ArgumentCommand kWithArgument[];

    static bool Baud(CommandInterpreter& self, int32_t rate);
    static bool Parity(CommandInterpreter& self, int32_t code);
    static bool DataBits(CommandInterpreter& self, int32_t bits);
    static bool StopBits(CommandInterpreter& self, int32_t code);
    static bool Signal(CommandInterpreter& self, int32_t signal);

    bool RunWithArgument(const PreparedCommand& c);
    bool Push(const std::string& argument);
    bool SetTimerInterval(double value);
    bool RunLinkItem(bool enabled, void (CommandInterpreter::*handler)());
    int FieldCount() const;

    const Config& config_; // read only: changes go through the runtime
    Runtime& runtime_;
    Clock& clock_;
    MessageSink& messages_;
    DdeItems& items_;
    CommandParts parts_;
};

} // namespace pv
