#pragma once
// A client link to another server's item (service|topic!item) in automatic
// mode: the item's current text is read once when the link is made, and
// every Changed of that item afterwards is handed to the receiver. The link
// ends on Terminate, or silently when the server's name loses its owner.
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "platform/qt/dde_wire.h"

namespace pv {

class DbusLink : public QObject {
    Q_OBJECT
  public:
    using Receiver = std::function<void(const std::string& text)>;

    explicit DbusLink(Receiver receiver, QDBusConnection bus = QDBusConnection::sessionBus(),
                      QObject* parent = nullptr);
    ~DbusLink() override;

    /// Drops any earlier link, then links to service|topic!item. False when
    /// the server is not there or the subscription fails (nothing is kept).
    bool Establish(const std::string& service, const std::string& topic, const std::string& item);
    void Terminate();
    bool Active() const { return !target_.BusName.isEmpty(); }

  private slots:
    void OnChanged(const QString& item, const QString& value);

  private:
    Receiver receiver_;
    QDBusConnection bus_;
    dde::Target target_;
    QString item_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
};

/// Every Changed signal of one server's topic, for tools that watch it.
class DbusTopicWatch : public QObject {
    Q_OBJECT
  public:
    using Receiver = std::function<void(const std::string& item, const std::string& value)>;

    /// `gone` runs once when the server's name loses its owner.
    DbusTopicWatch(Receiver receiver, std::function<void()> gone,
                   QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~DbusTopicWatch() override;

    bool Watch(const dde::Target& target);

  private slots:
    void OnChanged(const QString& item, const QString& value);

  private:
    Receiver receiver_;
    std::function<void()> gone_;
    QDBusConnection bus_;
    dde::Target target_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
};

} // namespace pv
