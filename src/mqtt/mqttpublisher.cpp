#include "mqttpublisher.h"

#include "mqtttopics.h"
#include "mqttwriter.h"

#include "description/ioddfile.h"
#include "link/adapterlink.h"
#include "link/devicestatuspoller.h"
#include "link/directparameterpage.h"
#include "link/linkhub.h"
#include "link/linkreconnector.h"
#include "link/linkreply.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"

#include <QDateTime>

namespace {

// Indexes 16..23: vendor name and text, product name, id and text, serial
// number, hardware and firmware revision.
constexpr quint16 firstIdentificationIndex = 16;
constexpr int identificationTexts = 8;
constexpr int isduPollMs = 25;
constexpr int isduWaitMs = 1000;
constexpr int identifyRetryMs = 1000;

// Bits of process data a length code of direct parameter page 1 stands for:
// up to 16 bits as given, above that in whole octets.
int processDataBits(quint8 code)
{
    const int length = code & 0x1f;
    if (code & 0x80)
        return length >= 2 ? 8 * (length + 1) : 0;
    return qMin(length, 16);
}

AdapterLink *hubLink()
{
    LinkHub *hub = LinkHub::instance();
    return hub ? hub->link() : nullptr;
}

} // namespace

MqttPublisher::MqttPublisher(const MqttPublisherOptions &options, QObject *parent)
    : QObject(parent),
      m_options(options),
      m_root(MqttTopics::root(options.topicPrefix, options.adapterId)),
      m_outbox(options.bufferCapacity),
      m_finder(options.ioddDirs),
      m_monitor(options.portMonitor ? options.portMonitor : &m_ownMonitor),
      m_ports(AdapterRegisters::portCount)
{
    connect(&m_client, &MqttClient::connected, this, &MqttPublisher::onConnected);
    connect(&m_client, &MqttClient::refused, this, [this](const QString &reason) {
        if (m_everConnected) // the first refusal is the caller's to tell
            qCWarning(lcMqtt) << "the broker refused the session:" << reason;
        emit brokerRefused(reason);
    });
    connect(&m_client, &MqttClient::disconnected, this, [this](const QString &reason) {
        if (!m_stopping && m_everConnected)
            qCWarning(lcMqtt) << "lost the broker:" << reason << "- reconnecting";
        emit brokerDisconnected(reason);
    });
    connect(&m_client, &MqttClient::errorReported, this, [this](const QString &text) {
        if (m_everConnected)
            qCWarning(lcMqtt) << text;
        emit brokerError(text);
    });
    connect(&m_client, &MqttClient::published, this, [this](int mid) {
        ++m_acknowledged;
        if (m_stopping && mid == m_offlineMessage) {
            m_client.close();
            emit stopped();
        }
    });
    connect(m_monitor, &PortStatusMonitor::statesChanged, this, &MqttPublisher::onStatesChanged);
    if (m_options.allowWrites) {
        m_writer = new MqttWriter(m_options.program, this);
        connect(m_writer, &MqttWriter::answered, this, [this](int port, const QByteArray &reply) {
            send(MqttTopics::writeReply(m_root, port), reply, false);
        });
        connect(&m_client, &MqttClient::messageReceived, this, &MqttPublisher::onMessage);
    }
    m_pollTimer.setInterval(qMax(10, m_options.pollIntervalMs));
    connect(&m_pollTimer, &QTimer::timeout, this, &MqttPublisher::onPollTimeout);
}

MqttPublisher::~MqttPublisher()
{
    // Gone without stop(): the client's DISCONNECT keeps the will back, so
    // the offline state goes just before it, unacknowledged.
    if (!m_stopping && m_client.isConnected())
        m_client.publish(MqttTopics::publisherState(m_root), MqttPayloads::publisherState(false), 1, true);
}

bool MqttPublisher::start(const MqttConnection &connection, QString *error)
{
    MqttConnection c = connection;
    c.willTopic = MqttTopics::publisherState(m_root);
    c.willPayload = MqttPayloads::publisherState(false);
    c.willRetain = true;
    if (!m_client.open(c, error))
        return false;
    AdapterLink *link = hubLink();
    if (link && m_options.reopenAdapter)
        m_reconnector = new LinkReconnector(link, this);
    if (m_monitor == &m_ownMonitor) {
        m_monitor->start();
    } else {
        // The program's monitor knows the states already and says only what
        // changes: they are taken once after its next poll.
        m_firstPoll = connect(m_monitor, &PortStatusMonitor::pollFinished, this, [this] {
            disconnect(m_firstPoll);
            onStatesChanged();
        });
    }
    m_pollTimer.start();
    return true;
}

void MqttPublisher::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    if (m_monitor == &m_ownMonitor)
        m_monitor->stop();
    disconnect(m_monitor, nullptr, this, nullptr);
    m_pollTimer.stop();
    for (Port &p : m_ports) {
        delete p.events;
        p.events = nullptr;
    }
    if (m_outbox.dropped() > m_droppedReported)
        qCWarning(lcMqtt) << m_outbox.dropped() - m_droppedReported
                          << "messages were dropped while the broker was away";
    if (m_client.isConnected())
        m_offlineMessage =
            m_client.publish(MqttTopics::publisherState(m_root), MqttPayloads::publisherState(false), 1, true);
    if (m_offlineMessage == 0) {
        m_client.close();
        QTimer::singleShot(0, this, &MqttPublisher::stopped);
        return;
    }
    QTimer::singleShot(stopTimeoutMs, this, [this] {
        if (m_offlineMessage == 0)
            return;
        qCWarning(lcMqtt) << "the broker did not acknowledge the offline state in time";
        m_offlineMessage = 0;
        m_client.close();
        emit stopped();
    });
}

void MqttPublisher::send(const QString &topic, const QByteArray &payload, bool retain, int qos)
{
    if (m_stopping)
        return;
    if (m_client.isConnected() && m_outbox.isEmpty() && m_client.publish(topic, payload, qos, retain) > 0)
        return;
    if (qos == 0)
        return; // QoS 0 promises nothing: it is not held for a broker that is away
    const qint64 dropped = m_outbox.dropped();
    m_outbox.push({topic, payload, qos, retain});
    if (m_outbox.dropped() > dropped && dropped == m_droppedReported)
        qCWarning(lcMqtt) << "the outbox is full: the oldest messages are dropped until the broker is back";
}

void MqttPublisher::onConnected()
{
    if (m_stopping)
        return;
    qCInfo(lcMqtt) << (m_everConnected ? "connected to the broker again" : "connected to the broker");
    if (m_outbox.dropped() > m_droppedReported)
        qCWarning(lcMqtt) << m_outbox.dropped() - m_droppedReported
                          << "messages were dropped while the broker was away";
    m_droppedReported = m_outbox.dropped();
    m_everConnected = true;
    // What was held while the broker was away goes first, in order; then
    // the retained state as it is now, which a broker that lost it (a
    // restart without persistence) needs again.
    while (!m_outbox.isEmpty() && m_client.isConnected()) {
        const MqttMessage &m = m_outbox.first();
        if (m_client.publish(m.topic, m.payload, m.qos, m.retain) == 0)
            break; // lost again already: the next connection goes on from here
        m_outbox.takeFirst();
    }
    publishRetainedState();
    if (m_writer) {
        m_client.subscribe(MqttTopics::parameterWriteFilter(m_root), 1);
        m_client.subscribe(MqttTopics::processDataOutWriteFilter(m_root), 1);
    }
    emit brokerConnected();
}

void MqttPublisher::publishRetainedState()
{
    send(MqttTopics::publisherState(m_root), MqttPayloads::publisherState(true), true);
    if (!m_adapterKnown)
        return;
    send(MqttTopics::adapterState(m_root), MqttPayloads::adapterState(m_adapterPresent, m_options.adapterSerial), true);
    for (int p = 0; p < m_ports.size(); ++p) {
        const Port &port = m_ports.at(p);
        if (port.stateKnown)
            send(MqttTopics::portState(m_root, p),
                 MqttPayloads::portState(p, port.state.mode, port.state.vendorId, port.state.deviceId), true);
        if (port.identified)
            send(MqttTopics::deviceIdentification(m_root, p), MqttPayloads::identification(port.identity), true);
    }
}

void MqttPublisher::onStatesChanged()
{
    const bool present = m_monitor->adapterAnswers();
    if (!m_adapterKnown || present != m_adapterPresent) {
        m_adapterKnown = true;
        m_adapterPresent = present;
        qCInfo(lcMqtt) << (present ? "the adapter answers" : "the adapter is gone");
        send(MqttTopics::adapterState(m_root), MqttPayloads::adapterState(present, m_options.adapterSerial), true);
        if (!present) {
            // Whatever comes back is identified anew: the same adapter or
            // another one, with the same devices or others.
            for (int p = 0; p < m_ports.size(); ++p) {
                forgetDevice(p);
                m_ports[p].stateKnown = false;
            }
        }
    }
    if (!present)
        return;
    const QVector<PortState> &states = m_monitor->states();
    for (int p = 0; p < m_ports.size() && p < states.size(); ++p) {
        Port &port = m_ports[p];
        const PortState &now = states.at(p);
        if (port.stateKnown && port.state == now)
            continue;
        const bool sameDevice = port.stateKnown && port.state.vendorId == now.vendorId
            && port.state.deviceId == now.deviceId && now.mode == AdapterRegisters::ModeIoLinkOperate
            && port.state.mode == AdapterRegisters::ModeIoLinkOperate;
        port.state = now;
        port.stateKnown = true;
        send(MqttTopics::portState(m_root, p), MqttPayloads::portState(p, now.mode, now.vendorId, now.deviceId), true);
        if (sameDevice)
            continue;
        if (port.identified)
            send(MqttTopics::deviceIdentification(m_root, p), QByteArray(), true); // the device is gone
        forgetDevice(p);
        if (now.mode == AdapterRegisters::ModeIoLinkOperate && !m_identifyQueue.contains(p)) {
            m_identifyQueue.append(p);
            identifyNext();
        }
    }
}

void MqttPublisher::forgetDevice(int p)
{
    Port &port = m_ports[p];
    ++port.generation;
    port.identified = false;
    port.identifying = false;
    port.identity = MqttDeviceIdentity();
    port.description.reset();
    port.in = port.out = ProcessDataCodec::Layout();
    port.inBits = port.outBits = 0;
    port.inStream = port.outStream = Port::Stream();
    delete port.events;
    port.events = nullptr;
    port.present.clear();
    m_identifyQueue.removeAll(p);
}

void MqttPublisher::identifyNext()
{
    for (const Port &port : qAsConst(m_ports)) {
        if (port.identifying)
            return; // one device at a time: its reads follow one another
    }
    if (m_identifyQueue.isEmpty() || m_stopping)
        return;
    const int p = m_identifyQueue.takeFirst();
    m_ports[p].identifying = true;
    readIdentityStep(p, 0);
}

void MqttPublisher::readIdentityStep(int p, int step)
{
    AdapterLink *link = hubLink();
    if (!link) {
        m_ports[p].identifying = false;
        return;
    }
    const quint16 index = step == 0 ? 0 : quint16(firstIdentificationIndex + step - 1);
    LinkReply *reply =
        link->exchangeIsdu(IsduRequestBlock::read(quint8(p + 1), index, 0), isduWaitMs, this, isduPollMs);
    const int generation = m_ports.at(p).generation;
    connect(reply, &LinkReply::finished, this, [this, reply, p, step, generation] {
        reply->deleteLater();
        if (m_ports.at(p).generation == generation)
            onIdentityAnswer(reply, p, step);
    });
}

void MqttPublisher::onIdentityAnswer(LinkReply *reply, int p, int step)
{
    Port &port = m_ports[p];
    const IsduExchange &exchange = reply->isdu();
    if (step == 0) {
        DirectParameters page;
        if (directParametersOf(exchange, &page) != DirectParameterRead::Read) {
            // Not there after all, or no clear answer: asked again in a
            // while unless the port has changed meanwhile.
            port.identifying = false;
            const int generation = port.generation;
            QTimer::singleShot(identifyRetryMs, this, [this, p, generation] {
                const Port &port = m_ports.at(p);
                if (port.generation == generation && !port.identified
                    && port.state.mode == AdapterRegisters::ModeIoLinkOperate && !m_identifyQueue.contains(p)) {
                    m_identifyQueue.append(p);
                    identifyNext();
                }
            });
            identifyNext();
            return;
        }
        const QByteArray octets = exchange.response.data();
        port.identity.vendorId = page.vendorId;
        port.identity.deviceId = page.deviceId;
        port.identity.revisionId = page.revisionId;
        port.inBits = processDataBits(quint8(octets.at(5)));
        port.outBits = processDataBits(quint8(octets.at(6)));
    } else {
        const QString text =
            exchange.succeeded() ? QString::fromUtf8(exchange.response.data()).remove(QChar(0)).trimmed() : QString();
        QString *fields[identificationTexts] = {&port.identity.vendorName,       &port.identity.vendorText,
                                                &port.identity.productName,      &port.identity.productId,
                                                &port.identity.productText,      &port.identity.serialNumber,
                                                &port.identity.hardwareRevision, &port.identity.firmwareRevision};
        *fields[step - 1] = text;
    }
    if (step < identificationTexts)
        readIdentityStep(p, step + 1);
    else
        finishIdentity(p);
}

void MqttPublisher::finishIdentity(int p)
{
    Port &port = m_ports[p];
    port.identifying = false;
    port.identity.descriptionFile = m_options.findDescription
        ? m_options.findDescription(port.identity.vendorId, port.identity.deviceId)
        : m_finder.find(port.identity.vendorId, port.identity.deviceId);
    if (!port.identity.descriptionFile.isEmpty()) {
        auto file = std::make_shared<IoddFile>();
        if (file->load(port.identity.descriptionFile) == 0) {
            port.description = file;
            // One item without a name of its own takes the data's, as on the pages.
            const auto named = [](const TreeItem &data) {
                ProcessDataCodec::Layout layout = ProcessDataCodec::layoutOf(data);
                if (layout.fields.size() == 1 && layout.fields.first().item.label.isEmpty())
                    layout.fields.first().item.label = data.name;
                return layout;
            };
            port.in = named(file->processDataIn());
            port.out = named(file->processDataOut());
            port.inBits = port.in.bitLength;
            port.outBits = port.out.bitLength;
        } else {
            qCWarning(lcMqtt) << "cannot read" << port.identity.descriptionFile;
            port.identity.descriptionFile.clear();
        }
    }
    if (!port.description) {
        // Without a description the process data goes out as octets alone.
        port.in = ProcessDataCodec::Layout{port.inBits, {}};
        port.out = ProcessDataCodec::Layout{port.outBits, {}};
    }
    port.identified = true;
    send(MqttTopics::deviceIdentification(m_root, p), MqttPayloads::identification(port.identity), true);
    port.events = new DeviceStatusPoller(p, this);
    connect(port.events, &DeviceStatusPoller::statusRead, this, &MqttPublisher::onEventsRead);
    port.events->start();
    identifyNext();
}

void MqttPublisher::onPollTimeout()
{
    AdapterLink *link = hubLink();
    if (!link || !m_adapterPresent || link->isSilent())
        return;
    for (int p = 0; p < m_ports.size(); ++p) {
        const Port &port = m_ports.at(p);
        if (!port.identified || port.state.mode != AdapterRegisters::ModeIoLinkOperate)
            continue;
        if (port.inBits > 0 && !port.inStream.pending)
            readProcessData(p, true);
        if (port.outBits > 0 && !port.outStream.pending)
            readProcessData(p, false);
    }
}

void MqttPublisher::readProcessData(int p, bool input)
{
    Port &port = m_ports[p];
    Port::Stream &stream = input ? port.inStream : port.outStream;
    const int bits = input ? port.inBits : port.outBits;
    const quint16 window = input ? AdapterRegisters::pdInWindow(p) : AdapterRegisters::pdOutWindow(p);
    stream.pending = true;
    LinkReply *reply = hubLink()->readRegisters(window, AdapterRegisters::pdRegistersForBits(bits), this);
    const int generation = port.generation;
    connect(reply, &LinkReply::finished, this, [this, reply, p, input, generation] {
        reply->deleteLater();
        if (m_ports.at(p).generation == generation)
            onProcessDataRead(reply, p, input);
    });
}

void MqttPublisher::onProcessDataRead(LinkReply *reply, int p, bool input)
{
    Port &port = m_ports[p];
    Port::Stream &stream = input ? port.inStream : port.outStream;
    stream.pending = false;
    if (!reply->succeeded())
        return; // the monitor tells whether the adapter or the device is gone
    const ProcessDataCodec::Layout &layout = input ? port.in : port.out;
    const QByteArray octets = ProcessDataCodec::processDataOctets(layout, reply->data());
    stream.lastRead = octets;
    const bool due = !stream.published || stream.since.hasExpired(m_options.maxIntervalMs);
    const bool changed = !stream.published || octets != stream.last;
    if (!due && !(changed && stream.since.hasExpired(m_options.minIntervalMs)))
        return;
    stream.published = true;
    stream.last = octets;
    stream.since.start();
    send(input ? MqttTopics::processDataIn(m_root, p) : MqttTopics::processDataOut(m_root, p),
         MqttPayloads::processData(QDateTime::currentDateTimeUtc(), true, octets, layout), false,
         m_options.processDataQos);
}

void MqttPublisher::onEventsRead(int p, const DeviceStatusReading &reading)
{
    Port &port = m_ports[p];
    if (!reading.detailsRead)
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto publish = [&](const DeviceEventEntry &entry, bool appears) {
        const EventItem item = port.description ? port.description->findEvent(entry.code) : EventItem();
        send(MqttTopics::deviceEvents(m_root, p), MqttPayloads::event(now, entry, appears, item.name, item.description),
             false);
    };
    for (const DeviceEventEntry &entry : reading.entries) {
        if (!port.present.contains(entry))
            publish(entry, true);
    }
    for (const DeviceEventEntry &entry : qAsConst(port.present)) {
        if (!reading.entries.contains(entry))
            publish(entry, false);
    }
    port.present = reading.entries;
}

void MqttPublisher::onMessage(const QString &topic, const QByteArray &payload)
{
    if (!m_writer || m_stopping)
        return;
    MqttWriter::Kind kind = MqttWriter::Kind::Parameter;
    int p = MqttTopics::portOf(m_root, topic, QLatin1String(MqttTopics::parameterWriteTail));
    if (p < 0) {
        kind = MqttWriter::Kind::ProcessDataOut;
        p = MqttTopics::portOf(m_root, topic, QLatin1String(MqttTopics::processDataOutWriteTail));
    }
    if (p < 0)
        return;
    const Port &port = m_ports.at(p);
    if (!m_adapterPresent || !port.identified || port.state.mode != AdapterRegisters::ModeIoLinkOperate) {
        m_writer->refuse(p, payload, QStringLiteral("no IO-Link device identified on the port"));
        return;
    }
    MqttWriteTarget target;
    target.port = p;
    target.identity = port.identity;
    target.description = port.description;
    target.out = port.out;
    target.currentOut = port.outStream.lastRead;
    m_writer->request(kind, target, payload);
}
