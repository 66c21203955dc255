#include "mqttclient.h"

#include <QMetaObject>
#include <QRegularExpression>
#include <QStringList>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace {

// libmosquitto wants its global set-up once per process, before any client.
void initLibrary()
{
    static const int once = mosquitto_lib_init();
    Q_UNUSED(once);
}

QString errorText(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

} // namespace

MqttClient::MqttClient(QObject *parent) : QObject(parent)
{
    initLibrary();
}

MqttClient::~MqttClient()
{
    // The loop is asked to end rather than cancelled: a thread cancelled in
    // the middle of a TLS set-up would leave OpenSSL's allocations behind.
    close();
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

bool MqttClient::open(const MqttConnection &c, QString *error)
{
    if (m_mosq) {
        *error = QStringLiteral("the client is already open");
        return false;
    }
    const QByteArray id = c.clientId.toUtf8();
    m_mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), c.cleanSession, this);
    if (!m_mosq) {
        *error = QStringLiteral("cannot make an MQTT client: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
    mosquitto_log_callback_set(m_mosq, &MqttClient::onLog);
    mosquitto_reconnect_delay_set(m_mosq, unsigned(qMax(1, c.reconnectDelayS)),
                                  unsigned(qMax(c.reconnectDelayS, c.reconnectDelayMaxS)), true);
    int rc = MOSQ_ERR_SUCCESS;
    if (!c.userName.isEmpty()) {
        rc = mosquitto_username_pw_set(m_mosq, c.userName.toUtf8().constData(),
                                       c.password.isNull() ? nullptr : c.password.toUtf8().constData());
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = QStringLiteral("the user name or password cannot be used: %1").arg(errorText(rc));
            return false;
        }
    }
    if (!c.caFile.isEmpty() || !c.caPath.isEmpty()) {
        const QByteArray ca = c.caFile.toLocal8Bit();
        const QByteArray caPath = c.caPath.toLocal8Bit();
        const QByteArray cert = c.certFile.toLocal8Bit();
        const QByteArray key = c.keyFile.toLocal8Bit();
        rc = mosquitto_tls_set(
            m_mosq, ca.isEmpty() ? nullptr : ca.constData(), caPath.isEmpty() ? nullptr : caPath.constData(),
            cert.isEmpty() ? nullptr : cert.constData(), key.isEmpty() ? nullptr : key.constData(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = QStringLiteral("TLS cannot be set up with %1: %2")
                         .arg(QStringList{c.caFile, c.caPath, c.certFile, c.keyFile}
                                  .filter(QRegularExpression(QStringLiteral(".")))
                                  .join(QStringLiteral(", ")))
                         .arg(errorText(rc));
            return false;
        }
    }
    if (!c.willTopic.isEmpty()) {
        rc = mosquitto_will_set(m_mosq, c.willTopic.toUtf8().constData(), int(c.willPayload.size()),
                                c.willPayload.constData(), 1, c.willRetain);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = QStringLiteral("the last will cannot be set: %1").arg(errorText(rc));
            return false;
        }
    }
    rc = mosquitto_connect(m_mosq, c.host.toUtf8().constData(), c.port, c.keepAliveS);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("cannot connect to %1:%2: %3").arg(c.host).arg(c.port).arg(errorText(rc));
        return false;
    }
    rc = mosquitto_loop_start(m_mosq);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("the MQTT network loop does not start: %1").arg(errorText(rc));
        return false;
    }
    m_loopRunning = true;
    return true;
}

void MqttClient::close()
{
    if (!m_mosq || !m_loopRunning)
        return;
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    m_loopRunning = false;
    m_connected = false;
}

int MqttClient::publish(const QString &topic, const QByteArray &payload, int qos, bool retain, QString *error)
{
    if (!m_mosq) {
        if (error)
            *error = QStringLiteral("not open");
        return 0;
    }
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, topic.toUtf8().constData(), int(payload.size()), payload.constData(),
                                     qos, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        if (error)
            *error = errorText(rc);
        return 0;
    }
    return mid;
}

bool MqttClient::subscribe(const QString &topicFilter, int qos)
{
    return m_mosq && mosquitto_subscribe(m_mosq, nullptr, topicFilter.toUtf8().constData(), qos) == MOSQ_ERR_SUCCESS;
}

// The callbacks run on the library's thread: each hands its news to the
// client's thread and touches nothing else.

void MqttClient::onConnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MqttClient *>(self);
    const QString reason = rc == 0 ? QString() : QString::fromUtf8(mosquitto_connack_string(rc));
    QMetaObject::invokeMethod(
        client,
        [client, rc, reason] {
            client->m_connected = rc == 0;
            if (rc == 0)
                emit client->connected();
            else
                emit client->refused(reason);
        },
        Qt::QueuedConnection);
}

void MqttClient::onDisconnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MqttClient *>(self);
    const QString reason = rc == 0 ? QStringLiteral("closed") : errorText(rc);
    QMetaObject::invokeMethod(
        client,
        [client, reason] {
            client->m_connected = false;
            emit client->disconnected(reason);
        },
        Qt::QueuedConnection);
}

void MqttClient::onPublish(mosquitto *, void *self, int mid)
{
    auto *client = static_cast<MqttClient *>(self);
    QMetaObject::invokeMethod(
        client, [client, mid] { emit client->published(mid); }, Qt::QueuedConnection);
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *client = static_cast<MqttClient *>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    const bool retained = message->retain;
    const int qos = message->qos;
    QMetaObject::invokeMethod(
        client,
        [client, topic, payload, qos, retained] { emit client->messageReceived(topic, payload, qos, retained); },
        Qt::QueuedConnection);
}

void MqttClient::onLog(mosquitto *, void *self, int level, const char *text)
{
    if (level != MOSQ_LOG_ERR)
        return;
    auto *client = static_cast<MqttClient *>(self);
    const QString message = QString::fromUtf8(text);
    QMetaObject::invokeMethod(
        client, [client, message] { emit client->errorReported(message); }, Qt::QueuedConnection);
}
