#include "mqttpublishing.h"

#include "description/datalocations.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "mqtt/mqttbrokerurl.h"
#include "mqtt/mqttpublisher.h"

#include <QSettings>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QString group = QStringLiteral("mqtt");

} // namespace

MqttPublishing::Settings MqttPublishing::loadSettings()
{
    QSettings settings;
    settings.beginGroup(group);
    Settings s;
    s.broker = settings.value(QStringLiteral("broker"), s.broker).toString();
    s.clientId = settings.value(QStringLiteral("clientId")).toString();
    s.topicPrefix = settings.value(QStringLiteral("topicPrefix"), s.topicPrefix).toString();
    s.userName = settings.value(QStringLiteral("userName")).toString();
    s.caFile = settings.value(QStringLiteral("caFile")).toString();
    s.certFile = settings.value(QStringLiteral("certFile")).toString();
    s.keyFile = settings.value(QStringLiteral("keyFile")).toString();
    s.allowWrites = settings.value(QStringLiteral("allowWrites"), false).toBool();
    return s;
}

void MqttPublishing::saveSettings(const Settings &s)
{
    QSettings settings;
    settings.beginGroup(group);
    settings.setValue(QStringLiteral("broker"), s.broker);
    settings.setValue(QStringLiteral("clientId"), s.clientId);
    settings.setValue(QStringLiteral("topicPrefix"), s.topicPrefix);
    settings.setValue(QStringLiteral("userName"), s.userName);
    settings.setValue(QStringLiteral("caFile"), s.caFile);
    settings.setValue(QStringLiteral("certFile"), s.certFile);
    settings.setValue(QStringLiteral("keyFile"), s.keyFile);
    settings.setValue(QStringLiteral("allowWrites"), s.allowWrites);
}

QString MqttPublishing::problemOf(const Settings &s)
{
    QString why;
    const std::optional<MqttBrokerAddress> address = parseMqttBrokerUrl(s.broker.trimmed(), &why);
    if (!address)
        return tr("代理地址无效：%1").arg(why);
    if (!address->tls && !(s.caFile.isEmpty() && s.certFile.isEmpty() && s.keyFile.isEmpty()))
        return tr("证书只用于 mqtts:// 代理");
    if (s.certFile.isEmpty() != s.keyFile.isEmpty())
        return tr("客户端证书和密钥须一起给出");
    if (s.topicPrefix.trimmed().isEmpty() || s.topicPrefix.contains(QLatin1Char('#'))
        || s.topicPrefix.contains(QLatin1Char('+')))
        return tr("主题前缀不能为空，也不能含 # 或 +");
    return QString();
}

MqttPublishing::MqttPublishing(DescriptionLookup findDescription, QObject *parent)
    : QObject(parent), m_findDescription(std::move(findDescription))
{
}

MqttPublishing::~MqttPublishing() = default;

void MqttPublishing::setPortMonitor(PortStatusMonitor *monitor)
{
    m_portMonitor = monitor;
}

bool MqttPublishing::isConnected() const
{
    return m_publisher && m_publisher->isBrokerConnected();
}

void MqttPublishing::setState(const QString &text)
{
    m_state = text;
    qCInfo(lcMqtt).noquote() << "publishing:" << text;
    emit stateChanged();
}

void MqttPublishing::start(const Settings &settings)
{
    if (m_running)
        return;
    const QString problem = problemOf(settings);
    if (!problem.isEmpty()) {
        setState(problem);
        return;
    }
    QString why;
    m_address = *parseMqttBrokerUrl(settings.broker.trimmed(), &why);
    m_where = QStringLiteral("%1:%2").arg(m_address.host).arg(m_address.port);
    m_settings = settings;
    m_running = true;
    m_stopping = false;
    LinkHub *hub = LinkHub::instance();
    AdapterLink *link = hub ? hub->link() : nullptr;
    if (!link) {
        m_running = false;
        setState(tr("没有适配器连接"));
        return;
    }
    setState(tr("正在连接…"));
    // The serial number names the client and the topics, as hub8ctl's do.
    LinkReply *usb = link->readUsbInfo(this);
    connect(usb, &LinkReply::finished, this, [this, usb] {
        usb->deleteLater();
        if (m_running && !m_publisher)
            probeBroker(usb->succeeded() ? usb->result().usb.serialNumber : QString());
    });
}

void MqttPublishing::probeBroker(const QString &serial)
{
    // The MQTT client's first connection is made on the caller's thread; a
    // broker address nobody answers would hold the window for the system's
    // connect timeout. A connection without waiting comes first: the client
    // connects only to a broker that is listening.
    auto *probe = new QTcpSocket(this);
    auto *deadline = new QTimer(probe);
    deadline->setSingleShot(true);
    const auto fail = [this, probe](const QString &reason) {
        probe->disconnect(this);
        probe->abort();
        probe->deleteLater();
        if (!m_running || m_publisher)
            return;
        m_running = false;
        setState(tr("无法连接 %1：%2").arg(m_where, reason));
    };
    connect(probe, &QTcpSocket::connected, this, [this, probe, serial] {
        probe->disconnect(this);
        probe->abort();
        probe->deleteLater();
        if (m_running && !m_publisher)
            startWithSerial(serial);
    });
    connect(probe, &QAbstractSocket::errorOccurred, this, [probe, fail] { fail(probe->errorString()); });
    connect(deadline, &QTimer::timeout, this, [fail] { fail(tr("没有应答")); });
    deadline->start(probeTimeoutMs);
    probe->connectToHost(m_address.host, quint16(m_address.port));
}

void MqttPublishing::startWithSerial(const QString &serial)
{
    MqttConnection connection = brokerConnection(m_address, m_settings.caFile, m_settings.certFile, m_settings.keyFile);
    connection.userName = m_settings.userName;
    connection.password = m_settings.password;

    MqttPublisherOptions options;
    options.topicPrefix = m_settings.topicPrefix.trimmed();
    options.adapterSerial = serial;
    options.adapterId = serial.isEmpty() ? QStringLiteral("adapter") : serial;
    options.allowWrites = m_settings.allowWrites;
    options.program = QStringLiteral("vanto-hub8");
    options.ioddDirs = QStringList{DataLocations::userLibraryDir(), DataLocations::shippedLibraryDir()};
    options.findDescription = m_findDescription;
    options.portMonitor = m_portMonitor;
    // The window's own reconnector opens the adapter again after an unplug.
    options.reopenAdapter = false;
    connection.clientId = m_settings.clientId.trimmed().isEmpty() ? options.adapterId : m_settings.clientId.trimmed();

    m_publisher = std::make_unique<MqttPublisher>(options);
    MqttPublisher *publisher = m_publisher.get();
    // What the broker says once the user stopped is the stop's own doing.
    const auto live = [this] { return m_running && !m_stopping; };
    connect(publisher, &MqttPublisher::brokerConnected, this, [this, live] {
        if (live())
            setState(tr("正在发布到 %1").arg(m_where));
    });
    connect(publisher, &MqttPublisher::brokerDisconnected, this, [this, live](const QString &reason) {
        if (live())
            setState(tr("与 %1 的连接中断（%2），正在重连").arg(m_where, reason));
    });
    connect(publisher, &MqttPublisher::brokerRefused, this, [this, live](const QString &reason) {
        if (live())
            setState(tr("%1 拒绝了连接：%2").arg(m_where, reason));
    });
    connect(publisher, &MqttPublisher::brokerError, this, [this, live](const QString &text) {
        if (live())
            setState(tr("无法连接 %1：%2").arg(m_where, text));
    });
    connect(publisher, &MqttPublisher::stopped, this, [this] {
        m_running = false;
        m_stopping = false;
        if (m_publisher)
            m_publisher.release()->deleteLater();
        setState(tr("已停止"));
    });
    QString error;
    if (!publisher->start(connection, &error)) {
        m_publisher.reset();
        m_running = false;
        setState(tr("无法连接 %1：%2").arg(m_where, error));
    }
}

void MqttPublishing::stop()
{
    if (!m_running)
        return;
    if (!m_publisher) { // still asking the adapter for its serial number
        m_running = false;
        setState(tr("已停止"));
        return;
    }
    m_stopping = true;
    setState(tr("正在停止…"));
    m_publisher->stop();
}
