#ifndef MQTTPUBLISHING_H
#define MQTTPUBLISHING_H

#include "mqtt/mqttbrokerurl.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class MqttPublisher;
class PortStatusMonitor;

// The window's MQTT publisher: the adapter's devices on a broker while the
// window runs, on the window's own link (no second opening of the adapter).
// Its settings are kept between runs, the password never.
class MqttPublishing : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MqttPublishing)

public:
    struct Settings
    {
        QString broker = QStringLiteral("mqtt://localhost:1883");
        QString clientId; // empty: the adapter's serial number
        QString topicPrefix = QStringLiteral("vanto-hub8");
        QString userName;
        QString password; // for this run only
        QString caFile, certFile, keyFile;
        bool allowWrites = false;
    };
    static Settings loadSettings();
    static void saveSettings(const Settings &settings);
    // Why the settings cannot start a publisher; empty when they can.
    static QString problemOf(const Settings &settings);

    // Finds a device's description: the window's library index, always up to
    // date and never read on the window's thread.
    using DescriptionLookup = std::function<QString(quint16 vendorId, quint32 deviceId)>;
    explicit MqttPublishing(DescriptionLookup findDescription, QObject *parent = nullptr);
    ~MqttPublishing() override;

    // The window's port-status monitor: the publisher follows it rather than
    // polling the states a second time.
    void setPortMonitor(PortStatusMonitor *monitor);

    // Asks the adapter for its serial number (the client id and the topics'
    // root), then connects; what happens comes with stateChanged().
    void start(const Settings &settings);
    // Says "offline" to the broker and disconnects.
    void stop();
    bool isRunning() const { return m_running; }
    // How long the broker may take to accept the connection at the start.
    static constexpr int probeTimeoutMs = 5000;
    bool isConnected() const;
    // One line for the tool bar: connecting, publishing to HOST:PORT, why not.
    QString stateText() const { return m_state; }
    // The publisher while running, else null.
    MqttPublisher *publisher() const { return m_publisher.get(); }

signals:
    void stateChanged();

private:
    void setState(const QString &text);
    void probeBroker(const QString &serial);
    void startWithSerial(const QString &serial);

    DescriptionLookup m_findDescription;
    QPointer<PortStatusMonitor> m_portMonitor;
    Settings m_settings;
    std::unique_ptr<MqttPublisher> m_publisher;
    bool m_running = false;
    bool m_stopping = false;
    QString m_state;
    MqttBrokerAddress m_address; // of the settings started with
    QString m_where;             // "host:port"
};

#endif // MQTTPUBLISHING_H
