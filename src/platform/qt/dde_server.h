#pragma once
// A running window's DDE side on the session bus: it serves the items
// "Field(n)", "DateTime" and "RecordNumber" under service "Portivox" and the
// runtime's topic, runs every execute through the command language, and
// holds the two client links (command source, output buffer).
//
// The run assembly (platform/qt/run_assembly.h) wires it to the runtime.
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
    DbusDdeServer(Config& config, Runtime& runtime, Clock& clock, MessageSink& messages,
                  DdeItems& items, CommandWindow* window = nullptr,
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
    MessageSink& messages_;
    DdeItems& items_;
    MemoryDdeClipboard ownClipboard_;
    std::unique_ptr<CommandInterpreter> commands_;
    std::unique_ptr<DdeBusServer> bus_;
    std::unique_ptr<DbusLink> commandLink_;
    std::unique_ptr<DbusLink> bufferLink_;
};

} // namespace pv
