#include "platform/qt/dde_server.h"

#include <algorithm>

#include "output/dde_link_text.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

DbusDdeServer::DbusDdeServer(Config& config, Runtime& runtime, Clock& clock, MessageSink& messages,
                             DdeItems& items, CommandWindow* window, DdeClipboard* clipboard,
                             QDBusConnection bus)
    : config_(config), runtime_(runtime), messages_(messages), items_(items) {
    commands_ = std::make_unique<CommandInterpreter>(
        config, runtime, clock, messages, items,
        CommandParts{window, clipboard ? clipboard : &ownClipboard_, this});
    bus_ = std::make_unique<DdeBusServer>(*this, bus);
    commandLink_ =
        std::make_unique<DbusLink>([this](const std::string& t) { CommandText(t); }, bus);
    bufferLink_ = std::make_unique<DbusLink>([this](const std::string& t) { BufferText(t); }, bus);
    items_.SetListener(
        [this](const std::string& item, const std::string& value) { bus_->Announce(item, value); });
}

DbusDdeServer::~DbusDdeServer() {
    items_.SetListener(nullptr);
    Stop();
}

bool DbusDdeServer::Start(const std::string& service) {
    commands_->ServiceName = service;
    return bus_->Start(service, runtime_.DdeTopic());
}

void DbusDdeServer::Stop() {
    commandLink_->Terminate();
    bufferLink_->Terminate();
    bus_->Stop();
}

void DbusDdeServer::EstablishCommandLink() {
    const std::string &app = config_.CmdLinkApp, &topic = config_.CmdLinkTopic;
    if (app.empty() || topic.empty()) return;
    if (!commandLink_->Establish(app, topic, config_.CmdLinkItem))
        messages_.Show(Text(txt::CommandLinkFailed) + " " + app + "," + topic + "," +
                           config_.CmdLinkItem,
                       "Portivox", MsgIcon::None, MsgButtons::Ok);
}

void DbusDdeServer::EstablishBufferLink() {
    const std::string &app = config_.BufferLinkApp, &topic = config_.BufferLinkTopic;
    if (app.empty() || topic.empty()) return;
    if (!bufferLink_->Establish(app, topic, config_.BufferLinkItem))
        messages_.Show(Text(txt::BufferLinkFailed) + " " + app + "," + topic + "," +
                           config_.BufferLinkItem,
                       "Portivox", MsgIcon::None, MsgButtons::Ok);
}

void DbusDdeServer::CommandText(const std::string& text) {
    if (!text.empty()) commands_->Execute(text);
}

void DbusDdeServer::BufferText(const std::string& text) {
    std::string queued = BufferLinkText(text, IsSet(config_.BufferLinkStripCrLf));
    if (!queued.empty()) runtime_.QueueOutput(queued);
}

bool DbusDdeServer::OnExecute(const std::string& command) {
    return commands_->Execute(command);
}

bool DbusDdeServer::OnRequest(const std::string& item, std::string& value) {
    return items_.Get(item, config_.FieldCount, value);
}

std::vector<std::string> DbusDdeServer::OnItems() {
    return DdeItems::Names(config_.FieldCount);
}

} // namespace pv
