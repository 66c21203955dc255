#ifndef MQTTCLIENT_H
#define MQTTCLIENT_H

#include <QByteArray>
#include <QObject>
#include <QString>

struct mosquitto;
struct mosquitto_message;

// Where and how to reach the broker.
struct MqttConnection
{
    QString host;
    int port = 1883;
    QString clientId;
    bool cleanSession = true;
    int keepAliveS = 30;
    // Empty: no user name (and no password) is sent.
    QString userName;
    QString password;
    // TLS when caFile or caPath is set; certFile and keyFile: a client
    // certificate.
    QString caFile;
    QString caPath;
    QString certFile;
    QString keyFile;
    // The last will, empty topic: none.
    QString willTopic;
    QByteArray willPayload;
    bool willRetain = true;
    // The reconnect delay after a lost connection: doubles from the first up
    // to the most.
    int reconnectDelayS = 1;
    int reconnectDelayMaxS = 30;
};

// One connection to an MQTT broker through libmosquitto. The library's
// network loop runs on a thread of its own and reconnects by itself after a
// lost connection; everything it reports comes back to this object's thread
// through queued signals, so the owner needs no lock.
class MqttClient : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MqttClient)

public:
    explicit MqttClient(QObject *parent = nullptr);
    // Closes the connection as close() does: the broker keeps the will to
    // itself. Only a program that ends without it (a crash, SIGKILL) has
    // its will published.
    ~MqttClient() override;

    // Opens the connection (TCP, then TLS when asked: this call waits for
    // both) and starts the network loop. False with one line in *error when
    // the broker cannot be reached or the TLS set-up fails; the broker's
    // answer to the CONNECT comes later with connected() or refused().
    bool open(const MqttConnection &connection, QString *error);
    // Sends a DISCONNECT (the will is not published) and stops the loop.
    void close();

    // The broker has accepted the session and the connection has not been
    // lost since, as far as the signals so far tell.
    bool isConnected() const { return m_connected; }

    // Hands a message to the library: its id (> 0), or 0 when the library
    // refused it (its reason in *error).
    int publish(const QString &topic, const QByteArray &payload, int qos, bool retain, QString *error = nullptr);
    bool subscribe(const QString &topicFilter, int qos);

signals:
    void connected();
    // The broker refused the session (bad credentials, not authorised).
    void refused(const QString &reason);
    // The connection was lost (or closed); the loop tries again unless closed.
    void disconnected(const QString &reason);
    // A QoS 1 message was acknowledged by the broker (QoS 0: sent).
    void published(int messageId);
    // `retained`: the broker kept it from before the subscription.
    // The library reported an error of its own (a failed TLS handshake on
    // the network thread, say); the loop goes on trying.
    void errorReported(const QString &text);
    void messageReceived(const QString &topic, const QByteArray &payload, int qos, bool retained);

private:
    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);
    static void onLog(mosquitto *, void *self, int level, const char *text);

    mosquitto *m_mosq = nullptr;
    bool m_connected = false;
    bool m_loopRunning = false;
};

#endif // MQTTCLIENT_H
