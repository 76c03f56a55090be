#pragma once
// The DDE command client over D-Bus: one conversation with a server's
// topic, opened on demand, dropped when the server's name loses its owner
// (a restarted server is found again by the next Connect).
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <memory>
#include <string>

#include "output/dde_sink.h"
#include "platform/qt/dde_wire.h"

namespace pv {

class DbusDdeDelivery : public QObject, public DdeCommandClient {
    Q_OBJECT
  public:
    explicit DbusDdeDelivery(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);
    ~DbusDdeDelivery() override;

    /// A new start drops any conversation left from before.
    void Initialize() override { Disconnect(); }
    bool IsConnected() override;
    /// Finds service|topic; false (and nothing kept) when it is not there.
    bool Connect(const std::string& app, const std::string& topic) override;
    /// Execute(command) with a 1000 ms limit; false when refused, timed out
    /// or not connected. An empty command sends nothing.
    bool Execute(const std::string& command) override;
    void Disconnect() override;
    void Uninitialize() override { Disconnect(); }

    /// Executes sent since construction (refused ones included).
    long Sent = 0;

  private:
    void PeerGone();

    QDBusConnection bus_;
    dde::Target target_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
};

} // namespace pv
