#pragma once
// One DDE server on the session bus: its bus name and one topic object
// answering org.portivox.Dde1. What the calls do is the handler's business.
//
//   pv::DdeBusServer server(handler);
//   if (!server.Start("Portivox", "COM1")) ...;   // name taken or no bus
//   server.Announce("Field(1)", "12.5");          // the Changed signal
#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace pv {

/// What a topic does with the calls it receives. Texts are byte strings.
class DdeTopicHandler {
  public:
    virtual ~DdeTopicHandler() = default;
    /// False is the negative acknowledgement.
    virtual bool OnExecute(const std::string& command) = 0;
    /// False when there is no such item.
    virtual bool OnRequest(const std::string& item, std::string& value) = 0;
    virtual std::vector<std::string> OnItems() = 0;
    /// False when the item cannot be poked.
    virtual bool OnPoke(const std::string& item, const std::string& value) = 0;
};

/// The exported object (one per topic).
class DdeTopicObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.portivox.Dde1")

  public:
    explicit DdeTopicObject(DdeTopicHandler& handler, QObject* parent = nullptr)
        : QObject(parent), handler_(handler) {}

  public slots:
    Q_SCRIPTABLE bool Execute(const QString& command);
    Q_SCRIPTABLE QString Request(const QString& item);
    Q_SCRIPTABLE QStringList Items();
    Q_SCRIPTABLE bool Poke(const QString& item, const QString& value);

  signals:
    Q_SCRIPTABLE void Changed(const QString& item, const QString& value);

  private:
    DdeTopicHandler& handler_;
};

class DdeBusServer {
  public:
    explicit DdeBusServer(DdeTopicHandler& handler,
                          QDBusConnection bus = QDBusConnection::sessionBus());
    ~DdeBusServer();

    /// Registers the topic object, then the service's bus name, or the
    /// topic's own name when another process has the service's. False when
    /// the bus cannot be reached or neither name can be had.
    bool Start(const std::string& service, const std::string& topic);
    /// Releases the name and the object.
    void Stop();
    bool Running() const { return !busName_.isEmpty(); }
    /// The bus name actually owned.
    const QString& BusName() const { return busName_; }
    const std::string& Service() const { return service_; }
    const std::string& Topic() const { return topic_; }

    /// Emits Changed(item, value).
    void Announce(const std::string& item, const std::string& value);

  private:
    DdeTopicHandler& handler_;
    QDBusConnection bus_;
    std::unique_ptr<DdeTopicObject> object_;
    QString busName_;
    QString path_;
    std::string service_, topic_;
};

} // namespace pv
