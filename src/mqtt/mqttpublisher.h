#ifndef MQTTPUBLISHER_H
#define MQTTPUBLISHER_H

#include "descriptionfinder.h"
#include "mqttclient.h"
#include "mqttoutbox.h"
#include "mqttpayloads.h"

#include "codec/processdatacodec.h"
#include "link/portstatusmonitor.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>
#include <memory>

class DeviceStatusPoller;
class IoddFile;
class LinkReconnector;
class LinkReply;
class MqttWriter;
struct DeviceStatusReading;

struct MqttPublisherOptions
{
    // The topics' root is "topicPrefix/adapterId" (MqttTopics::root).
    QString topicPrefix = QStringLiteral("vanto-hub8");
    QString adapterId;
    // The adapter's USB serial number, as its state names it.
    QString adapterSerial;
    // Process data goes out when it changed, but not more often than every
    // minIntervalMs, and at least every maxIntervalMs when it did not.
    int minIntervalMs = 200;
    int maxIntervalMs = 10000;
    // How often the process data is read.
    int pollIntervalMs = 100;
    // The QoS of process data (the rest is always 1).
    int processDataQos = 1;
    // QoS 1 messages held while the broker is away.
    int bufferCapacity = 1000;
    // Where descriptions are looked up by the identity a device reports.
    QStringList ioddDirs;
    // Looks a description up instead of reading ioddDirs: a program that
    // keeps an index of its library (the window) hands it in, so a file
    // added meanwhile is found and nothing is read on its thread.
    std::function<QString(quint16 vendorId, quint32 deviceId)> findDescription;
    // The program's own port-status monitor, already polling (the window's):
    // the publisher follows it instead of reading the states a second time.
    // Null: the publisher polls them itself.
    PortStatusMonitor *portMonitor = nullptr;
    // Parameter and process-data output writes from the broker (MqttWriter);
    // without, the publisher subscribes to nothing.
    bool allowWrites = false;
    // Who writes, as the journal names it.
    QString program = QStringLiteral("hub8ctl");
    // Opens the adapter again once it is unplugged (LinkReconnector). A
    // program that already does so for its link (the window) says false.
    bool reopenAdapter = true;
};

// Publishes what the adapter on the program's link (LinkHub) reports on an
// MQTT broker: its presence, every port's state, each device's
// identification and its process data decoded with its description, and
// the publisher's own online state (retained, and the last will). Runs on
// the event loop of its thread and never waits for the adapter or the
// broker; the broker's absence is bridged by a bounded outbox.
class MqttPublisher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MqttPublisher)

public:
    explicit MqttPublisher(const MqttPublisherOptions &options, QObject *parent = nullptr);
    // Without stop() before: sends the offline state and disconnects
    // without waiting for the broker's acknowledgement.
    ~MqttPublisher() override;

    // Connects to the broker (its last will set to the offline state) and
    // starts watching the adapter. False with one line in *error when the
    // broker cannot be reached; the broker's verdict on the session comes
    // with brokerConnected() or brokerRefused().
    bool start(const MqttConnection &connection, QString *error);
    // Publishes the offline state, waits for the broker to take it (at most
    // stopTimeoutMs) and disconnects; stopped() follows.
    void stop();

    static constexpr int stopTimeoutMs = 2000;

    QString root() const { return m_root; }
    const MqttOutbox &outbox() const { return m_outbox; }
    // QoS 1 messages the broker has acknowledged.
    qint64 acknowledged() const { return m_acknowledged; }
    bool isBrokerConnected() const { return m_client.isConnected(); }

signals:
    void brokerConnected();
    void brokerRefused(const QString &reason);
    void brokerDisconnected(const QString &reason);
    // An error on the way to the broker that the client reported itself.
    void brokerError(const QString &text);
    void stopped();

private:
    // What the publisher knows of one port and its device.
    struct Port
    {
        PortState state;
        bool stateKnown = false;
        bool identified = false; // the device's identification is read and published
        bool identifying = false;
        int generation = 0; // counts the devices seen: a late answer about an earlier one is dropped
        MqttDeviceIdentity identity;
        std::shared_ptr<IoddFile> description;
        ProcessDataCodec::Layout in, out;
        int inBits = 0, outBits = 0;
        struct Stream
        {
            bool pending = false;
            bool published = false;
            QByteArray last;     // as last published
            QByteArray lastRead; // as last read
            QElapsedTimer since;
        } inStream, outStream;
        DeviceStatusPoller *events = nullptr;
        QVector<DeviceEventEntry> present;
    };

    void send(const QString &topic, const QByteArray &payload, bool retain, int qos = 1);
    void onConnected();
    void onStatesChanged();
    void forgetDevice(int port);
    void identifyNext();
    void readIdentityStep(int port, int step);
    void onIdentityAnswer(LinkReply *reply, int port, int step);
    void finishIdentity(int port);
    void onPollTimeout();
    void readProcessData(int port, bool input);
    void onProcessDataRead(LinkReply *reply, int port, bool input);
    void onEventsRead(int port, const DeviceStatusReading &reading);
    void publishRetainedState();
    void onMessage(const QString &topic, const QByteArray &payload);

    MqttPublisherOptions m_options;
    QString m_root;
    MqttClient m_client;
    MqttOutbox m_outbox;
    DescriptionFinder m_finder;
    PortStatusMonitor m_ownMonitor;
    PortStatusMonitor *m_monitor; // m_ownMonitor or the program's
    QMetaObject::Connection m_firstPoll;
    LinkReconnector *m_reconnector = nullptr;
    MqttWriter *m_writer = nullptr;
    QTimer m_pollTimer;
    QVector<Port> m_ports;
    bool m_adapterPresent = false;
    bool m_adapterKnown = false;
    bool m_everConnected = false;
    bool m_stopping = false;
    int m_offlineMessage = 0;
    qint64 m_acknowledged = 0;
    qint64 m_droppedReported = 0; // dropped before the last outage
    QList<int> m_identifyQueue;
};

#endif // MQTTPUBLISHER_H
