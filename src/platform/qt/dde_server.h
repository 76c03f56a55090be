#pragma once
// A running window's DDE side on the session bus: it serves the items
// "Field(n)", "DateTime" and "RecordNumber" under service "Portivox" and the
// runtime's topic, runs every execute through the command language, and
// holds the two client links (command source, output buffer).
//
// Wiring (headless runner or running window), in this order:
//
//   pv::DdeItems items(&display);            // the window's own display inside
//   pv::DbusDdeDelivery client;              // the DDE command client
//   pv::DdeRuntimeHost host(&ownHost);       // routes the link requests here
//   pv::Runtime runtime(config, port, clock, messages, store,
//                       {&items, keys, &client, &host});
//   pv::DbusDdeServer dde(config, runtime, port, clock, messages, items);
//   host.Server = &dde;
//   runtime.Start();                         // sets runtime.DdeTopic
//   dde.Start();                             // false: no bus, or the name is taken
//   ... event loop with runtime.PollTick() every 50 ms ...
//   dde.Stop(); runtime.Stop();
#include <QDBusConnection>
#include <memory>
#include <string>

#include "output/dde_interpreter.h"
#include "output/dde_items.h"
#include "platform/qt/dde_link.h"
#include "platform/qt/dde_topic.h"
#include "runtime/interfaces.h"
#include "runtime/runtime.h"

namespace pv {

/// A clipboard kept inside the process, for runs without a desktop.
class MemoryDdeClipboard : public DdeClipboard {
  public:
    void SetLink(const std::string& link, const std::string& text) override {
        Link = link;
        Text = text;
        Has = true;
    }
    bool GetLink(std::string& link) override {
        if (Has) link = Link;
        return Has;
    }
    std::string Link, Text;
    bool Has = false;
};

class DbusDdeServer : public DdeTopicHandler, public DdeLinkControl {
  public:
    /// `window` and `clipboard` may be null: no window, an in-process
    /// clipboard.
    DbusDdeServer(Config& config, Runtime& runtime, SerialPort& port, Clock& clock,
                  MessageSink& messages, DdeItems& items, CommandWindow* window = nullptr,
                  DdeClipboard* clipboard = nullptr,
                  QDBusConnection bus = QDBusConnection::sessionBus());
    ~DbusDdeServer() override;

    /// Serves the runtime's current topic under `service`. Call after
    /// Runtime::Start(). False when the bus cannot be reached or the name is
    /// taken; the run goes on without serving.
    bool Start(const std::string& service = kDdeServiceName);
    /// Stops serving and ends both client links.
    void Stop();

    /// Form_LinkExecute: the command language.
    CommandInterpreter& Commands() { return *commands_; }
    const DdeBusServer& Bus() const { return *bus_; }

    /// The link requests of the runtime (at start-up and at the tick after a
    /// paste or refresh). A failure is shown as a message.
    void EstablishCommandLink();
    void EstablishBufferLink();

    // DdeLinkControl
    bool CommandLinkActive() override { return commandLink_->Active(); }
    bool BufferLinkActive() override { return bufferLink_->Active(); }
    void TerminateCommandLink() override { commandLink_->Terminate(); }
    void TerminateBufferLink() override { bufferLink_->Terminate(); }

    // DdeTopicHandler
    bool OnExecute(const std::string& command) override;
    bool OnRequest(const std::string& item, std::string& value) override;
    std::vector<std::string> OnItems() override;
    /// The window's boxes take no pokes.
    bool OnPoke(const std::string&, const std::string&) override { return false; }

  private:
    void CommandText(const std::string& text);
    void BufferText(const std::string& text);

    Config& config_;
    Runtime& runtime_;
    SerialPort& port_;
    MessageSink& messages_;
    DdeItems& items_;
    MemoryDdeClipboard ownClipboard_;
    std::unique_ptr<CommandInterpreter> commands_;
    std::unique_ptr<DdeBusServer> bus_;
    std::unique_ptr<DbusLink> commandLink_;
    std::unique_ptr<DbusLink> bufferLink_;
};

/// A RuntimeHost that hands the link requests to the DDE server and
/// everything else to the owner's host (which may be null).
class DdeRuntimeHost : public RuntimeHost {
  public:
    explicit DdeRuntimeHost(RuntimeHost* inner = nullptr) : Inner(inner) {}
    RuntimeHost* Inner;
    DbusDdeServer* Server = nullptr;

    void SetCaption(const std::string& c) override {
        if (Inner) Inner->SetCaption(c);
    }
    void SuspendChanged(bool s) override {
        if (Inner) Inner->SuspendChanged(s);
    }
    void TimedOutputMenu(bool visible, bool on) override {
        if (Inner) Inner->TimedOutputMenu(visible, on);
    }
    void Exit() override {
        if (Inner) Inner->Exit();
    }
    void EstablishCommandLink() override {
        if (Server) Server->EstablishCommandLink();
    }
    void EstablishBufferLink() override {
        if (Server) Server->EstablishBufferLink();
    }
    void RegisterHotKeys() override {
        if (Inner) Inner->RegisterHotKeys();
    }
    void MessageBeep(int sound) override {
        if (Inner) Inner->MessageBeep(sound);
    }
};

} // namespace pv
