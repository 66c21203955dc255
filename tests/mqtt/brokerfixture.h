#ifndef BROKERFIXTURE_H
#define BROKERFIXTURE_H

// What the broker tests share: a mosquitto broker of the test's own on a free
// loopback port, a subscribing client that keeps what it receives, and
// hub8ctl-sim's mqtt command run as a process. Every wait is bounded.

#include "mqtt/mqttclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace BrokerFixture {

inline QString mosquittoPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("mosquitto"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

// A port nobody listens on just now.
inline int freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

class Broker
{
public:
    explicit Broker(const QString &dir) : m_dir(dir) {}
    ~Broker() { stop(); }

    int port() const { return m_port; }
    QString log() const { return QString::fromUtf8(m_log); }

    // Writes the configuration (the listener, then `extra`) and starts the
    // broker; true once it accepts connections (5 s at most). The same port
    // again when it was started before.
    bool start(const QString &extra = QString())
    {
        if (m_port == 0)
            m_port = freePort();
        if (!extra.isNull())
            m_extra = extra;
        QFile conf(m_dir + QStringLiteral("/mosquitto.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        // As root mosquitto would change to its own user, who cannot read
        // the test's folder; for anyone else "user" is ignored.
        conf.write(QStringLiteral("user root\nlog_dest stderr\nlistener %1 127.0.0.1\n%2\n")
                       .arg(m_port)
                       .arg(m_extra)
                       .toUtf8());
        conf.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(mosquittoPath(), {QStringLiteral("-c"), conf.fileName()});
        if (!m_process.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (probe.waitForConnected(200))
                return true;
            if (m_process.state() != QProcess::Running)
                break;
            QTest::qWait(50);
        }
        m_log += m_process.readAll();
        return false;
    }

    // SIGTERM (a broker with persistence saves its sessions) and wait.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
        m_log += m_process.readAll();
    }

private:
    QString m_dir;
    QString m_extra;
    int m_port = 0;
    QProcess m_process;
    QByteArray m_log;
};

struct Message
{
    QString topic;
    QByteArray payload;
    int qos = 0;
    bool retained = false;
    qint64 atMs = 0; // since the subscriber was made
    QJsonObject json() const { return QJsonDocument::fromJson(payload).object(); }
};

// A client subscribed to one filter at QoS 1 (again after each reconnect)
// that keeps every message.
class Subscriber : public QObject
{
public:
    explicit Subscriber(MqttConnection connection, const QString &filter = QStringLiteral("#"))
        : m_connection(std::move(connection)), m_filter(filter)
    {
        m_clock.start();
        QObject::connect(&m_client, &MqttClient::connected, this, [this] {
            ++m_connects;
            m_client.subscribe(m_filter, 1);
        });
        QObject::connect(&m_client, &MqttClient::messageReceived, this,
                         [this](const QString &topic, const QByteArray &payload, int qos, bool retained) {
                             messages.append({topic, payload, qos, retained, m_clock.elapsed()});
                         });
    }

    // Opens the connection and waits for the broker to accept it (5 s).
    bool open()
    {
        QString error;
        if (!m_client.open(m_connection, &error)) {
            qWarning() << error;
            return false;
        }
        return QTest::qWaitFor([this] { return m_connects > 0; }, 5000);
    }
    int connects() const { return m_connects; }
    bool publish(const QString &topic, const QByteArray &payload)
    {
        return m_client.publish(topic, payload, 1, false) > 0;
    }
    qint64 elapsedMs() const { return m_clock.elapsed(); }

    QList<Message> on(const QString &topicEnd) const
    {
        QList<Message> found;
        for (const Message &m : messages) {
            if (m.topic.endsWith(topicEnd))
                found << m;
        }
        return found;
    }
    // The last message of a topic ending so; waits for one (timeoutMs).
    Message waitFor(const QString &topicEnd, int timeoutMs = 10000)
    {
        if (!QTest::qWaitFor([&] { return !on(topicEnd).isEmpty(); }, timeoutMs))
            return Message();
        return on(topicEnd).last();
    }

    QList<Message> messages;

private:
    MqttConnection m_connection;
    QString m_filter;
    MqttClient m_client;
    QElapsedTimer m_clock;
    int m_connects = 0;
};

inline MqttConnection plainConnection(int port, const QString &clientId)
{
    MqttConnection c;
    c.host = QStringLiteral("127.0.0.1");
    c.port = port;
    c.clientId = clientId;
    c.reconnectDelayS = 1;
    c.reconnectDelayMaxS = 1;
    return c;
}

// hub8ctl-sim's mqtt command as a process.
class Publisher
{
public:
    ~Publisher()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    // `simArgs` go between the scenario and the command (--unplug).
    void start(const QString &scenario, const QStringList &args, const QProcessEnvironment &env = {},
               const QStringList &simArgs = {})
    {
        if (!env.isEmpty())
            m_process.setProcessEnvironment(env);
        m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/hub8ctl-sim"),
                        QStringList{QStringLiteral("--scenario"), scenario} + simArgs
                            + QStringList{QStringLiteral("mqtt")} + args);
        m_process.waitForStarted(5000);
    }
    // SIGTERM, and the exit status (-1: it did not end within 10 s).
    int stop()
    {
        m_process.terminate();
        return finish();
    }
    // The exit status once it ended by itself (10 s at most).
    int finish()
    {
        if (!m_process.waitForFinished(10000))
            return -1;
        out = m_process.readAllStandardOutput();
        err = m_process.readAllStandardError();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    void killHard()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    QJsonObject summary() const { return QJsonDocument::fromJson(out).object(); }

    QByteArray out, err;

private:
    QProcess m_process;
};

} // namespace BrokerFixture

#endif // BROKERFIXTURE_H
