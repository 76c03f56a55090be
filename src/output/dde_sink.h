#pragma once
// DDE Server mode: each field goes to its box (and so to the linked
// clients), and the record preamble and field postamble commands go to the
// target application over one client conversation.
#include <string>

#include "runtime/interfaces.h"

namespace pv {

/// The DDE command client: one conversation with DDECommandApp /
/// DDECommandTopic, opened on the first record that has a command to send
/// and kept until the run ends.
class DdeCommandClient {
  public:
    virtual ~DdeCommandClient() = default;
    virtual void Initialize() {}
    virtual bool IsConnected() = 0;
    virtual bool Connect(const std::string& app, const std::string& topic) = 0;
    /// Sends one execute command; false when refused or not connected.
    virtual bool Execute(const std::string& command) = 0;
    virtual void Disconnect() = 0;
    virtual void Uninitialize() {}
};

class DdeSink : public RecordSink {
  public:
    /// `client` null: no commands can be sent; the boxes still update.
    explicit DdeSink(DdeCommandClient* client) : client_(client) {}

    /// Reads the target and whether there is any command to send.
    void Start(const Config& config) override;
    Delivery Deliver(const Record& record, RecordBoxes& boxes) override;
    void Stop() override;

  private:
    DdeCommandClient* client_;
    bool hasCommands_ = false;
    std::string app_, topic_;
};

} // namespace pv
